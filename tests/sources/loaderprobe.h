#pragma once

#include "sources/readers/sourcereader.h"
#include "sources/sourceconnection.h"
#include "support/texts.h"

namespace testsupport {
class HeadlessWindow;
}

#include <QList>
#include <QStringList>

#include <initializer_list>
#include <memory>

namespace sources {
class WorkGrid;
class SourceGrid;
} // namespace sources

// Helpers of the listing and loader tests: an in-memory source to connect to, and the grids read back as text.
namespace loadertest {

// A cell of a table kept in memory: a text, a number, or null (the default).
struct Cell
{
    Cell() = default;
    Cell(const char *text) : value(sources::Value::text(QString::fromUtf8(text))) {}
    Cell(int number) : value(sources::Value::number(number)) {}
    Cell(double number) : value(sources::Value::number(number)) {}
    // "~" stands for null, so that test tables can hold one.
    static Cell fromText(const QString &text);

    sources::Value value;
};
using Record = QList<Cell>;

using testsupport::strings;

// The texts the loaders wrote to the status line's "msg" panel, in order.
QStringList readingTexts(const testsupport::HeadlessWindow &window);

// Tables kept in memory and handed to the listings and loaders in place of a real source while installed. Every
// connection is recorded; a source set to refuse raises the error a driver gives for a source it cannot open.
class FakeSource final
{
public:
    FakeSource();
    ~FakeSource();
    Q_DISABLE_COPY_MOVE(FakeSource)

    void addTable(const QString &name, const QStringList &fields, const QList<Record> &records = {},
                  sources::TableType type = sources::TableType::Table);
    void refuseToOpen(bool refuse) { m_refuse = refuse; }

    const QList<sources::SourceSpec> &connections() const { return m_connections; }
    QStringList readTables() const { return m_reads; }

    struct Data;

private:
    std::shared_ptr<Data> m_data;
    QList<sources::SourceSpec> m_connections;
    QStringList m_reads;
    bool m_refuse = false;
    std::unique_ptr<sources::SourceConnectorOverride> m_override;
};

// Keys, captions and tags of the work grid's columns.
QStringList keys(const sources::WorkGrid &grid);
QStringList captions(const sources::WorkGrid &grid);
QStringList tags(const sources::WorkGrid &grid);
// The texts of a column over every row, trailing blank rows included.
QStringList column(const sources::WorkGrid &grid, const QString &key);
// A row's cells joined by "|".
QString rowText(const sources::WorkGrid &grid, int row);
// Blank rows at the end of the grid.
int trailingBlankRows(const sources::WorkGrid &grid);
// The source grid's row joined by "|".
QString sourceRow(const sources::SourceGrid &grid, int row);

QString fixture(const QString &name);

} // namespace loadertest
