#include "support/memorysource.h"

#include "sources/readers/sourceerror.h"

namespace testsupport {

using namespace sources;

struct MemorySource::Data
{
    struct Entry
    {
        TableEntry entry;
        Table table;
    };
    QList<Entry> tables;
};

namespace {

class MemoryReader final : public SourceReader
{
public:
    MemoryReader(std::shared_ptr<const MemorySource::Data> data, QStringList &reads)
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
        raiseSourceError(SourceErr::ObjectNotFound, tableNotFoundMessage(name), QStringLiteral("Memory"));
    }

private:
    std::shared_ptr<const MemorySource::Data> m_data;
    QStringList &m_reads;
};

} // namespace

MemorySource::MemorySource() : m_data(std::make_shared<Data>())
{
    m_override = std::make_unique<SourceConnectorOverride>([this](const SourceSpec &spec) {
        m_connections.append(spec);
        if (m_refuse)
            raiseSourceError(SourceErr::OpenFailed, QStringLiteral("Could not find file '%1'.").arg(spec.location),
                             QStringLiteral("Memory"));
        return std::make_unique<MemoryReader>(m_data, m_reads);
    });
}

MemorySource::~MemorySource() = default;

Cell Cell::fromText(const QString &text)
{
    Cell cell;
    if (text != QLatin1String("~"))
        cell.value = Value::text(text);
    return cell;
}

void MemorySource::addTable(const QString &name, const QStringList &fields, const QList<Record> &records,
                            TableType type)
{
    Table table(fields);
    for (const Record &record : records) {
        const auto cells = table.appendRow();
        for (qsizetype j = 0; j < fields.size() && j < record.size(); ++j)
            cells[std::size_t(j)] = record.at(j).value;
    }
    m_data->tables.append({{name, type}, std::move(table)});
}

} // namespace testsupport
