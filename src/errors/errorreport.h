#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace errors {

inline constexpr char errorLogName[] = "Pelko10Errors.txt";

// The error reporter's own copy of the error being reported, and the report built from it.
struct SavedError
{
    qint32 number = 0;
    QString source;
    QString description;
    qint32 line = 0;
    QString helpFile;
    qint32 lastSystemError = 0;
    QString helpContext;
    QString report;
    QString kind;
    bool saved = false;
};

SavedError &savedError();

QString ReportHeader();
// The report's time: month, day, two-digit year, hours, minutes and seconds, with the locale's date and time
// separators.
QString ReportTime(const QDateTime &time, const QLocale &locale);
QString ErrorBoxTitle(qint32 number);

void StartReport();
void FillPlaceholder(const QString &name, const QString &value);
void AddReportLine(const QString &text);
void AddApiErrorLine();
void AddLocationLine(const QString &location);
QString GetErrorReport();

QString GetComputerNameText();
QString GetAdoVersion();
QString GetSystemErrorText(qint32 code);

// Appends the report to the error log; false when the entry could not be written, and the entry has then gone to
// standard error.
bool WriteErrorLog(const QString &fileName);
bool OpenLogWithRetry(const QString &path, int &fileHandle);
bool TryOpenForAppend(const QString &path, int &fileHandle);

} // namespace errors
