#include "loaderprobe.h"

#include "errors/errortrap.h"
#include "sources/gridtext.h"
#include "sources/readers/sourceerror.h"
#include "sources/sourcegrid.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"

namespace loadertest {

using namespace sources;

struct FakeSource::Data
{
    struct Entry
    {
        TableEntry entry;
        Table table;
    };
    QList<Entry> tables;
};

namespace {

class FakeReader final : public SourceReader
{
public:
    FakeReader(std::shared_ptr<const FakeSource::Data> data, QStringList &reads)
        : m_data(std::move(data)), m_reads(reads)
    {}

    QList<TableEntry> tables() override
    {
        QList<TableEntry> result;
        for (const auto &table : m_data->tables)
            result.append(table.entry);
        return result;
    }

    Table readTable(const QString &name) override
    {
        m_reads.append(name);
        // As the real readers do: an exact name first, then one in another letter case.
        for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            for (const auto &table : m_data->tables) {
                if (table.entry.name.compare(name, cs) == 0)
                    return table.table;
            }
        }
        raiseSourceError(SourceErr::ObjectNotFound, tableNotFoundMessage(name), QStringLiteral("Fake"));
    }

private:
    std::shared_ptr<const FakeSource::Data> m_data;
    QStringList &m_reads;
};

} // namespace

FakeSource::FakeSource() : m_data(std::make_shared<Data>())
{
    m_override = std::make_unique<SourceConnectorOverride>([this](const SourceSpec &spec) {
        m_connections.append(spec);
        if (m_refuse)
            raiseSourceError(SourceErr::OpenFailed, QStringLiteral("Could not find file '%1'.").arg(spec.location),
                             QStringLiteral("Fake"));
        return std::make_unique<FakeReader>(m_data, m_reads);
    });
}

FakeSource::~FakeSource() = default;

Cell Cell::fromText(const QString &text)
{
    Cell cell;
    if (text != QLatin1String("~"))
        cell.value = Value::text(text);
    return cell;
}

void FakeSource::addTable(const QString &name, const QStringList &fields, const QList<Record> &records, TableType type)
{
    Table table(fields);
    for (const Record &record : records) {
        const std::span<Value> cells = table.appendRow();
        for (qsizetype j = 0; j < fields.size() && j < record.size(); ++j)
            cells[std::size_t(j)] = record.at(j).value;
    }
    m_data->tables.append({{name, type}, std::move(table)});
}

QStringList keys(const WorkGrid &grid)
{
    QStringList result;
    for (int c = 1; c <= grid.columns(); ++c)
        result.append(grid.keyOfColumn(c));
    return result;
}

QStringList captions(const WorkGrid &grid)
{
    QStringList result;
    for (int c = 1; c <= grid.columns(); ++c)
        result.append(grid.captionOfColumn(c));
    return result;
}

QStringList tags(const WorkGrid &grid)
{
    QStringList result;
    for (int c = 1; c <= grid.columns(); ++c)
        result.append(grid.columnTag(c));
    return result;
}

QStringList column(const WorkGrid &grid, const QString &key)
{
    QStringList result;
    const int c = grid.columnOfKey(key);
    for (int r = 1; r <= grid.rows(); ++r)
        result.append(grid.text(r, c));
    return result;
}

QString rowText(const WorkGrid &grid, int row)
{
    QStringList cells;
    for (int c = 1; c <= grid.columns(); ++c)
        cells.append(grid.text(row, c));
    return cells.join(QLatin1Char('|'));
}

int trailingBlankRows(const WorkGrid &grid)
{
    int count = 0;
    for (int r = grid.rows(); r >= 1; --r) {
        bool blank = true;
        for (int c = 1; c <= grid.columns() && blank; ++c)
            blank = isBlank(grid.text(r, c));
        if (!blank)
            break;
        ++count;
    }
    return count;
}

QString sourceRow(const SourceGrid &grid, int row)
{
    QStringList cells;
    for (int c = 0; c < grid.Cols(); ++c)
        cells.append(grid.TextMatrix(row, c));
    return cells.join(QLatin1Char('|'));
}

QString fixture(const QString &name)
{
    return QStringLiteral(PELKO_TEST_DATA "/sources/") + name;
}

QStringList readingTexts(const testsupport::HeadlessWindow &window)
{
    QStringList texts;
    for (const testsupport::HeadlessWindow::StatCall &call : window.statCalls()) {
        if (call.panel == sources::MsgPanel)
            texts.append(call.msg);
    }
    return texts;
}

} // namespace loadertest
