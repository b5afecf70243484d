#include "sources/readers/workbookreader.h"

#include "sources/readers/biffworkbook.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/workbookfile.h"

#include <QFileInfo>

namespace sources {

namespace {

const QString readerName = QStringLiteral("Pelko.Workbook");

QString reason(const QString &path, const WorkbookError &error)
{
    switch (error.kind()) {
    case WorkbookError::Kind::CannotOpen:
        return QStringLiteral("'%1' cannot be opened: %2.").arg(path, error.detail());
    case WorkbookError::Kind::NotWorkbook:
        return QStringLiteral("'%1' is not an Excel 97-2003 workbook (.xls).").arg(path);
    case WorkbookError::Kind::NewerFormat:
        return QStringLiteral("'%1' is an Excel 2007 or later workbook; save it as an Excel 97-2003 workbook (.xls).")
            .arg(path);
    case WorkbookError::Kind::OlderFormat:
        return QStringLiteral("'%1' is a workbook of Excel 4.0 or older; save it as an Excel 97-2003 workbook (.xls).")
            .arg(path);
    case WorkbookError::Kind::NoWorkbook:
        return QStringLiteral("'%1' holds no workbook.").arg(path);
    case WorkbookError::Kind::CharacterSet:
        return QStringLiteral("'%1' uses a character set that cannot be read (code page %2).")
            .arg(path, error.detail());
    case WorkbookError::Kind::Damaged:
    case WorkbookError::Kind::Encrypted:
        break;
    }
    return QStringLiteral("'%1' is damaged: %2.").arg(path, error.detail());
}

[[noreturn]] void raiseUnreadable(const QString &path, const WorkbookError &error)
{
    if (error.kind() == WorkbookError::Kind::Encrypted) {
        raiseSourceError(
            SourceErr::OpenFailed,
            QStringLiteral("Could not decrypt file: the workbook '%1' is protected by a password.").arg(path),
            readerName);
    }
    raiseSourceError(SourceErr::OpenFailed,
                     QStringLiteral("External table is not in the expected format: ") + reason(path, error),
                     readerName);
}

} // namespace

WorkbookReader::WorkbookReader(const QString &path) : m_path(path)
{
    if (!QFileInfo(path).isFile())
        raiseSourceError(SourceErr::OpenFailed, fileNotFoundMessage(path), readerName);
    try {
        WorkbookStream stream = readWorkbookFile(path);
        m_workbook =
            std::make_unique<BiffWorkbook>(std::move(stream.bytes), stream.bookStream, std::move(stream.holder));
    } catch (const WorkbookError &error) {
        raiseUnreadable(path, error);
    }
    m_sheets = m_workbook->worksheetNames();
}

WorkbookReader::~WorkbookReader() = default;

QList<TableEntry> WorkbookReader::tables()
{
    QList<TableEntry> result;
    result.reserve(m_sheets.size());
    for (const QString &sheet : m_sheets)
        result.append({sheet + QLatin1Char('$'), TableType::Table});
    return result;
}

Table WorkbookReader::readTable(const QString &name)
{
    qsizetype sheet = -1;
    for (qsizetype i = 0; i < m_sheets.size() && sheet < 0; ++i) {
        if (m_sheets.at(i) + QLatin1Char('$') == name)
            sheet = i;
    }
    for (qsizetype i = 0; i < m_sheets.size() && sheet < 0; ++i) {
        if (QString(m_sheets.at(i) + QLatin1Char('$')).compare(name, Qt::CaseInsensitive) == 0)
            sheet = i;
    }
    if (sheet < 0)
        raiseSourceError(SourceErr::ObjectNotFound, tableNotFoundMessage(name), readerName);
    try {
        return m_workbook->readWorksheet(sheet);
    } catch (const WorkbookError &error) {
        raiseUnreadable(m_path, error);
    }
}

} // namespace sources
