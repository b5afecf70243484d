#pragma once

#include "sources/readers/sourcereader.h"
#include "sources/sourceconnection.h"

#include <QList>
#include <QStringList>

#include <memory>

namespace testsupport {

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

// Tables kept in memory and handed to the listings and loaders in place of a real source while installed. Every
// connection is recorded; a source set to refuse raises the error a driver gives for a source it cannot open.
class MemorySource final
{
public:
    MemorySource();
    ~MemorySource();
    Q_DISABLE_COPY_MOVE(MemorySource)

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

} // namespace testsupport
