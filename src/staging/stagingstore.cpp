#include "staging/stagingstore.h"

#include "errors/errortrap.h"
#include "staging/stagingconstants.h"
#include "staging/stagingschema.h"

#include <algorithm>
#include <limits>

namespace staging {

namespace {

StagingCounts counts;

QString deleteSql(const StagingTable &table)
{
    return QStringLiteral("DELETE FROM ") + sqlName(QLatin1String(table.name)) + QStringLiteral(" WHERE ") +
           sqlName(QLatin1String(companyColumn)) + QStringLiteral(" = ?");
}

QStringList columnsOf(const StagingTable &table)
{
    QStringList names = table.keyColumns();
    for (const char *column : table.valueColumns)
        names.append(QLatin1String(column));
    return names;
}

// A voucher's rows of a table in the numeric order of their ids, as the builder expects them.
QString readSql(const StagingTable &table)
{
    const QString order = sqlName(QLatin1String(table.orderKey()));
    return QStringLiteral("SELECT ") + sqlNames(columnsOf(table)) + QStringLiteral(" FROM ") +
           sqlName(QLatin1String(table.name)) + QStringLiteral(" WHERE ") + sqlName(QLatin1String(companyColumn)) +
           QStringLiteral(" = ? AND ") + sqlName(QLatin1String(table.voucherKey)) +
           QStringLiteral(" = ? ORDER BY CAST(") + order + QStringLiteral(" AS REAL), ") + order +
           (table.parentKey ? QStringLiteral(", ") + sqlName(QLatin1String(table.parentKey)) : QString());
}

const QString readCounterSql = QStringLiteral("SELECT \"") + QLatin1String(counterColumn) +
                               QStringLiteral("\" FROM \"") + QLatin1String(counterTable) +
                               QStringLiteral("\" WHERE \"") + QLatin1String(companyColumn) + QStringLiteral("\" = ?");
const QString writeCounterSql = QStringLiteral("INSERT OR REPLACE INTO \"") + QLatin1String(counterTable) +
                                QStringLiteral("\" (\"") + QLatin1String(companyColumn) + QStringLiteral("\", \"") +
                                QLatin1String(counterColumn) + QStringLiteral("\") VALUES (?, ?)");

std::size_t tableIndex(const StagingTable &table)
{
    const auto tables = stagingTables();
    return std::size_t(std::find(tables.begin(), tables.end(), &table) - tables.begin());
}

} // namespace

StagingCounts stagingCounts()
{
    return counts;
}

StagingStore::StagingStore() = default;

StagingStore::~StagingStore()
{
    if (!m_connection.inTransaction())
        return;
    // The rows of a voucher the run did not send: kept as they stand, as every voucher's are.
    errors::trap(QLatin1String(locationExecStagingSql), [&] {
        try {
            commitTransaction();
        } catch (...) {
            ++counts.failures;
            throw;
        }
    });
}

void StagingStore::beginTransaction()
{
    m_connection.beginWriting();
    if (m_tablesMadeAt != m_connection.openings()) {
        makeTables(m_connection);
        m_tablesMadeAt = m_connection.openings();
    }
}

void StagingStore::commitTransaction()
{
    m_connection.commit();
    m_openVouchers.clear();
    m_tablesOfNewVouchers.clear();
}

void StagingStore::abandonTransaction(const char *location)
{
    ++counts.failures;
    m_failedVouchers.unite(m_openVouchers);
    m_openVouchers.clear();
    m_tablesOfNewVouchers.clear();
    // Its own failure is a second one, after the failure that made it necessary.
    errors::trap(QLatin1String(location), [&] { m_connection.rollback(); });
}

bool StagingStore::ClearCompanyStaging(const QString &company)
{
    bool cleared = false;
    errors::trap(QLatin1String(locationExecStagingSql), [&] {
        if (m_connection.inTransaction())
            commitTransaction();
        beginTransaction();
        for (const StagingTable *table : stagingTables()) {
            Statement &remove = m_connection.statement(deleteSql(*table));
            remove.bind(0, company);
            remove.run();
        }
        commitTransaction();
        cleared = true;
    });
    if (!cleared) {
        abandonTransaction(locationExecStagingSql);
        return false;
    }
    m_failedVouchers.removeIf([&](const VoucherKey &key) { return key.first == company; });
    return true;
}

QString StagingStore::TakeVchID(const QString &company)
{
    QString vchId;
    errors::trap(QLatin1String(locationTakeVchID), [&] {
        if (m_connection.inTransaction())
            commitTransaction();
        beginTransaction();
        Statement &read = m_connection.statement(readCounterSql);
        read.bind(0, company);
        const QString last = read.next() ? read.text(0) : QStringLiteral("0");
        read.finish();
        bool isNumber = false;
        const qint64 lastId = last.toLongLong(&isNumber);
        if (!isNumber || lastId < 0 || lastId == std::numeric_limits<qint64>::max())
            raiseStagingError(m_connection.path(), 0,
                              QStringLiteral("the voucher counter of the company holds \"") + last +
                                  QStringLiteral("\", which cannot be advanced"));
        const QString next = QString::number(lastId + 1);
        Statement &write = m_connection.statement(writeCounterSql);
        write.bind(0, company);
        write.bind(1, next);
        write.run();
        vchId = next;
    });
    if (vchId.isEmpty()) {
        abandonTransaction(locationTakeVchID);
        m_failedVouchers.insert({company, QString()});
        return QString();
    }
    // An id handed out again after its voucher failed and took the counter back with it is a new voucher's.
    m_failedVouchers.remove({company, vchId});
    m_openVouchers.insert({company, vchId});
    m_tablesOfNewVouchers.insert({company, vchId}, {});
    return vchId;
}

bool StagingStore::writeRow(const char *location, const StagingTable &table, const QStringList &keys,
                            std::span<const char *const> columns, const QStringList &values)
{
    const VoucherKey voucher{keys.at(0), keys.at(1)};
    if (m_failedVouchers.contains(voucher))
        return false; // reported when it failed
    const std::size_t index = tableIndex(table);
    bool written = false;
    errors::trap(QLatin1String(location), [&] {
        if (!m_connection.inTransaction())
            beginTransaction();
        m_openVouchers.insert(voucher);
        QString &sql = m_writeSql[index];
        if (sql.isEmpty()) {
            QStringList names = table.keyColumns();
            for (const char *column : columns)
                names.append(QLatin1String(column));
            sql = QStringLiteral("INSERT OR REPLACE INTO ") + sqlName(QLatin1String(table.name)) +
                  QStringLiteral(" (") + sqlNames(names) + QStringLiteral(") VALUES (") +
                  QStringList(names.size(), QStringLiteral("?")).join(u',') + QLatin1Char(')');
        }
        Statement &insert = m_connection.statement(sql);
        int at = 0;
        for (const QString &key : keys)
            insert.bind(at++, key);
        for (const QString &value : values)
            insert.bind(at++, value);
        insert.run();
        if (const auto tables = m_tablesOfNewVouchers.find(voucher); tables != m_tablesOfNewVouchers.end())
            tables->set(index);
        written = true;
    });
    if (!written) {
        m_openVouchers.insert(voucher);
        abandonTransaction(location);
    }
    return written;
}

bool StagingStore::stagingFailed(const QString &company, const QString &vchId) const
{
    return m_failedVouchers.contains({company, vchId});
}

std::vector<StagedRows> StagingStore::readVoucher(std::span<const StagingTable *const> tables, const QString &company,
                                                  const QString &vchId)
{
    std::vector<StagedRows> read;
    try {
        if (!m_connection.inTransaction())
            beginTransaction();
        m_openVouchers.insert({company, vchId});
        // Rows committed into a file deleted meanwhile would be gone for everyone else.
        m_connection.requireSameFile();
        read.reserve(tables.size());
        const auto written = m_tablesOfNewVouchers.constFind({company, vchId});
        for (const StagingTable *table : tables) {
            const bool holdsNone = written != m_tablesOfNewVouchers.cend() && !written->test(tableIndex(*table));
            read.push_back(holdsNone ? StagedRows() : readRows(*table, company, vchId));
        }
        commitTransaction();
    } catch (...) {
        m_openVouchers.insert({company, vchId});
        abandonTransaction(locationPostStagedVoucher);
        throw;
    }
    ++counts.vouchersRead;
    return read;
}

StagedRows StagingStore::readRows(const StagingTable &table, const QString &company, const QString &vchId)
{
    const std::size_t index = tableIndex(table);
    if (m_readSql[index].isEmpty()) {
        m_readSql[index] = readSql(table);
        m_readColumns[index] = StagedRows::columnsNamed(columnsOf(table));
    }
    Statement &query = m_connection.statement(m_readSql[index]);
    query.bind(0, company);
    query.bind(1, vchId);
    const int width = query.columnCount();
    std::vector<QString> values;
    while (query.next()) {
        for (int i = 0; i < width; ++i)
            values.push_back(query.text(i));
    }
    query.finish();
    return values.empty() ? StagedRows() : StagedRows(m_readColumns[index], std::move(values));
}

} // namespace staging
