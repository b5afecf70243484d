#include "mastersheet.h"

#include "support/headlesswindow.h"

#include <QFile>

#include <algorithm>

namespace masterstest {

namespace {

QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
            fieldStarted = true;
        } else if (c == u',') {
            record.append(field);
            field.clear();
            fieldStarted = true;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !record.isEmpty()) {
        record.append(field);
        records.append(record);
    }
    return records;
}

bool isBlank(const QStringList &row)
{
    return std::all_of(row.cbegin(), row.cend(), [](const QString &cell) { return cell.trimmed().isEmpty(); });
}

} // namespace

Sheet readCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QList<QStringList> records = parseCsv(QString::fromUtf8(file.readAll()));
    Sheet sheet;
    if (!records.isEmpty())
        sheet.fields = records.takeFirst();
    sheet.rows = records;
    return sheet;
}

void loadSheet(testsupport::HeadlessWindow &window, const QString &csvPath)
{
    Sheet sheet = readCsv(csvPath);
    sheet.rows.removeIf(isBlank);
    fillGrids(window, sheet.fields, sheet.rows);
}

void fillGrids(testsupport::HeadlessWindow &window, const QStringList &fields, const QList<QStringList> &rows,
               int trailingBlankRows)
{
    std::vector<QString> cells;
    for (const QStringList &row : rows) {
        for (qsizetype j = 0; j < fields.size(); ++j)
            cells.push_back(row.value(j));
    }
    window.sourceGrid().bind(fields, std::move(cells));

    sources::WorkGrid &grid = window.workGrid();
    grid.clear();
    for (const QString &field : fields)
        grid.addColumn(field.toUpper(), field);
    grid.addColumn(sources::ProcessStatusKey, sources::ProcessStatusCaption);
    for (const QStringList &row : rows) {
        const int r = grid.appendRow();
        for (qsizetype j = 0; j < fields.size(); ++j)
            grid.setText(r, int(j) + 1, row.value(j));
    }
    for (int i = 0; i < trailingBlankRows; ++i)
        grid.appendRow();
}

} // namespace masterstest
