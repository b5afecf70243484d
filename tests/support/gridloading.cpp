#include "support/gridloading.h"

#include "sources/databaseloader.h"
#include "sources/importtypes.h"
#include "sources/sheetloader.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/memorysource.h"

#include <QTest>

namespace testsupport {

namespace {

void finishLoad(HeadlessWindow &window, const QString &listText)
{
    if (window.workGrid().findColumn(sources::ProcessStatusKey) == 0)
        QTest::qFail(qPrintable(QStringLiteral("the load of ") + listText + QStringLiteral(" did not complete")),
                     __FILE__, __LINE__);
    window.forgetStatCalls();
}

} // namespace

void loadRows(HeadlessWindow &window, const QString &listText, const QStringList &fields,
              const QList<QStringList> &rows, LoadedAs as)
{
    QList<Record> records;
    for (const QStringList &row : rows) {
        Record record;
        for (const QString &text : row) {
            Cell cell;
            if (!text.isEmpty())
                cell.value = sources::Value::text(text);
            record.append(cell);
        }
        records.append(record);
    }
    const QString importType = sources::removeBlanks(listText);
    MemorySource source;
    window.setImportTypeText(listText);
    if (as == LoadedAs::Sheet) {
        source.addTable(listText + QLatin1Char('$'), fields, records);
        window.setSourceText(sources::SourceBox::txtFilePath, QStringLiteral("memory.xls"));
        sources::LoadExcelData(window, importType);
    } else {
        source.addTable(listText, fields, records);
        window.setSourceText(sources::SourceBox::txtMdbPath, QStringLiteral("memory.mdb"));
        sources::LoadAccessData(window, importType, QString(), QString());
    }
    finishLoad(window, listText);
}

void loadTextFile(HeadlessWindow &window, const QString &listText, const QString &path)
{
    window.setImportTypeText(listText);
    window.setSourceText(sources::SourceBox::txtFilePath, path);
    sources::LoadExcelData(window, sources::removeBlanks(listText));
    finishLoad(window, listText);
}

} // namespace testsupport
