#include "app/runreport.h"

#include "errors/errortrap.h"
#include "sources/lookups.h"
#include "sources/workgrid.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace app {

namespace {

constexpr qint16 reportKeyWidth = 75;

// A time format without the zone: the report's name must not depend on where the program runs, and a zone
// name would bring blanks and letters the time stamp never had.
QString timeFormatWithoutZone(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result.append(c);
    }
    return result.trimmed();
}

// The name a master row is reported under. A ledger or stock item whose continuation rows follow its first
// row carries its result on its last row, whose NAME cell is empty: the master's name is then the one its
// first row gives, the nearest name above it before a blank row.
QString masterName(const sources::WorkGrid &grid, int row, const QString &keyColumn)
{
    for (int above = row; above >= 1; --above) {
        const QString name = grid.text(above, keyColumn);
        if (!name.isEmpty())
            return name;
        if (above < row && sources::IsEmptyRow(grid, above))
            break;
    }
    return {};
}

// A report line is one line of text: a line break or another control character in a key or a status would
// split it or put bytes into the file that no reader of it expects, so each shows as a blank.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return text;
}

// Whether a character of text, a surrogate pair counted as one, begins at that UTF-16 unit and takes two of them.
bool pairAt(const QString &text, qsizetype unit)
{
    return text.at(unit).isHighSurrogate() && unit + 1 < text.size() && text.at(unit + 1).isLowSurrogate();
}

[[noreturn]] void raiseNotWritten(const QString &path, const QString &why)
{
    errors::raise(errors::ErrNo::PathFileAccess, QStringLiteral("Path/File access error (%1: %2)").arg(path, why));
}

} // namespace

QString PadText(const QString &text, const QString &padText, qint16 side, qint16 width, bool enabled)
{
    if (!enabled)
        return text;
    if (width < 0)
        errors::raise(errors::ErrNo::InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
    // Characters, not UTF-16 units: a character beyond the Basic Multilingual Plane (an emoji) is one column of
    // the layout, and a cut never splits it.
    qsizetype units = 0;
    qsizetype characters = 0;
    while (units < text.size()) {
        if (characters == width)
            return text.left(units);
        units += pairAt(text, units) ? 2 : 1;
        ++characters;
    }
    const QString padding = padText.repeated(width - characters);
    switch (side) {
    case 0:
        return text + padding;
    case 1:
        return padding + text;
    default:
        return {};
    }
}

QByteArray ResultReport(const sources::WorkGrid &grid)
{
    QString keyColumn = QStringLiteral("Name");
    for (int column = 1; column <= grid.columns(); ++column) {
        if (grid.keyOfColumn(column) == sources::IdKey) {
            keyColumn = sources::IdKey;
            break;
        }
    }
    keyColumn = keyColumn.toUpper();

    QString report;
    for (int row = 1; row <= grid.rows(); ++row) {
        if (grid.text(row, sources::ProcessStatusKey).isEmpty())
            continue;
        const QString key = keyColumn == sources::IdKey ? grid.text(row, keyColumn) : masterName(grid, row, keyColumn);
        report += PadText(oneLine(key), QStringLiteral(" "), 0, reportKeyWidth, true) +
                  oneLine(grid.text(row, grid.columns())) + QStringLiteral("\r\n");
    }
    return report.toUtf8();
}

bool SaveReport(const sources::WorkGrid &grid, const QString &sPath)
{
    return errors::trapResult(QStringLiteral("F01-0045"), false, [&](bool &written) {
        // The report takes the place of what the path names: a device, a pipe or a folder must never be replaced.
        const QFileInfo target(sPath);
        if (target.exists() && !target.isFile())
            raiseNotWritten(sPath, QStringLiteral("not a regular file; the report was not written there"));
        QSaveFile file(sPath);
        // Unbuffered, so that a write the file system cuts short (a full disk, a size limit) shows in its count
        // instead of vanishing in the flush of the commit.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            raiseNotWritten(sPath, file.errorString());
        const QByteArray report = ResultReport(grid);
        qint64 done = 0;
        while (done < report.size()) {
            const qint64 n = file.write(report.constData() + done, report.size() - done);
            if (n <= 0)
                raiseNotWritten(sPath, QStringLiteral("the report could not be written whole: ") + file.errorString());
            done += n;
        }
        if (!file.commit())
            raiseNotWritten(sPath, file.errorString());
        written = true;
    });
}

QString ReportFileName(const QString &programFolder, const QString &company, const QDateTime &now,
                       const QLocale &locale)
{
    QString stamp = locale.toString(now.date(), locale.dateFormat(QLocale::ShortFormat)) + QLatin1Char(' ') +
                    locale.toString(now.time(), timeFormatWithoutZone(locale));
    stamp.replace(QLatin1Char('/'), QLatin1Char('-'));
    stamp.replace(QLatin1Char(':'), QLatin1Char('.'));
    // The company name comes from the server: a separator in it must not lead the report out of the program
    // folder.
    QString name = company;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char('\\'), QLatin1Char('-'));
    return QDir(programFolder).filePath(name + QLatin1Char(' ') + stamp + QStringLiteral(".txt"));
}

} // namespace app
