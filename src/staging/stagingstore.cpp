#include "staging/stagingstore.h"

#include "errors/errortrap.h"
#include "platform/system.h"
#include "staging/stagingconstants.h"
#include "staging/stagingtables.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <exception>
#include <string>

#include <sys/stat.h>

namespace staging {

namespace {

// The column a record field feeds.
template <typename Rec> struct StoredField
{
    const char *column;
    QString Rec::*field;
};

// clang-format off
constexpr StoredField<VoucherRec> voucherFields[] = {
    {"Date_", &VoucherRec::Date}, {"GUID_", &VoucherRec::GUID}, {"Narration_", &VoucherRec::Narration},
    {"VoucherTypeName_", &VoucherRec::VoucherTypeName}, {"VoucherNumber_", &VoucherRec::VoucherNumber},
    {"Reference_", &VoucherRec::Reference}, {"PartyLedgerName_", &VoucherRec::PartyLedgerName},
    {"BasePartyName_", &VoucherRec::BasePartyName}, {"PartyName_", &VoucherRec::PartyName},
    {"BasicShippedBy_", &VoucherRec::BasicShippedBy}, {"BasicBuyerName_", &VoucherRec::BasicBuyerName},
    {"DiffActualQty_", &VoucherRec::DiffActualQty}, {"Audited_", &VoucherRec::Audited},
    {"ForJobCosting_", &VoucherRec::ForJobCosting}, {"IsOptional_", &VoucherRec::IsOptional},
    {"EffectiveDate_", &VoucherRec::EffectiveDate}, {"UseForInterest_", &VoucherRec::UseForInterest},
    {"UseForGainLoss_", &VoucherRec::UseForGainLoss}, {"UseForGodownTransfer_", &VoucherRec::UseForGodownTransfer},
    {"UseForCompound_", &VoucherRec::UseForCompound}, {"AlterID_", &VoucherRec::AlterID},
    {"IsCancelled_", &VoucherRec::IsCancelled}, {"HasCashFlow_", &VoucherRec::HasCashFlow},
    {"IsPostDated_", &VoucherRec::IsPostDated}, {"UseTrackingNumber_", &VoucherRec::UseTrackingNumber},
    {"IsInvoice_", &VoucherRec::IsInvoice}, {"MFGJournal_", &VoucherRec::MFGJournal},
    {"HasDiscounts_", &VoucherRec::HasDiscounts}, {"AsPayslip_", &VoucherRec::AsPayslip},
    {"IsDeleted_", &VoucherRec::IsDeleted}, {"AsOriginal_", &VoucherRec::AsOriginal},
    {"BasicShipDocumentNo_", &VoucherRec::BasicShipDocumentNo},
    {"BasicFinalDestination_", &VoucherRec::BasicFinalDestination},
    {"BasicDueDateOfPymt_", &VoucherRec::BasicDueDateOfPymt}, {"BasicOrderRef_", &VoucherRec::BasicOrderRef},
    {"BasicBuyersSalesTaxNo_", &VoucherRec::BasicBuyersSalesTaxNo},
};

constexpr StoredField<LedgerEntryRec> ledgerEntryFields[] = {
    {"LedgerName_", &LedgerEntryRec::LedgerName}, {"Narration_", &LedgerEntryRec::Narration},
    {"GSTClass_", &LedgerEntryRec::GSTClass}, {"IsDeemedPositive_", &LedgerEntryRec::IsDeemedPositive},
    {"LedgerFromItem_", &LedgerEntryRec::LedgerFromItem}, {"RemoveZeroEntries_", &LedgerEntryRec::RemoveZeroEntries},
    {"IsPartyLedger_", &LedgerEntryRec::IsPartyLedger}, {"Amount_", &LedgerEntryRec::Amount},
    {"TaxClassificationName_", &LedgerEntryRec::TaxClassificationName},
    {"VATAssessableValue_", &LedgerEntryRec::VATAssessableValue},
    {"BasicRateOfInvoiceTax_", &LedgerEntryRec::BasicRateOfInvoiceTax},
    {"TDSPartyName_", &LedgerEntryRec::TDSPartyName},
};

constexpr StoredField<AccountingAllocationRec> accountingAllocationFields[] = {
    {"LedgerName_", &AccountingAllocationRec::LedgerName}, {"GSTClass_", &AccountingAllocationRec::GSTClass},
    {"IsDeemedPositive_", &AccountingAllocationRec::IsDeemedPositive},
    {"LedgerFromItem_", &AccountingAllocationRec::LedgerFromItem},
    {"RemoveZeroEntries_", &AccountingAllocationRec::RemoveZeroEntries},
    {"IsPartyLedger_", &AccountingAllocationRec::IsPartyLedger}, {"Amount_", &AccountingAllocationRec::Amount},
    {"TaxClassificationName_", &AccountingAllocationRec::TaxClassificationName},
    {"VATAssessableValue_", &AccountingAllocationRec::VATAssessableValue},
    {"BasicRateOfInvoiceTax_", &AccountingAllocationRec::BasicRateOfInvoiceTax},
    {"TDSPartyName_", &AccountingAllocationRec::TDSPartyName},
};

constexpr StoredField<BillAllocationRec> billAllocationFields[] = {
    {"Name_", &BillAllocationRec::Name}, {"BillCreditPeriod_", &BillAllocationRec::BillCreditPeriod},
    {"BillType_", &BillAllocationRec::BillType}, {"Amount_", &BillAllocationRec::Amount},
    {"TDSDeducteeSectionNumber_", &BillAllocationRec::TDSDeducteeSectionNumber},
    {"TDSLedgerNC_", &BillAllocationRec::TDSLedgerNC},
    {"TDSDeducteeIsSpecialRate_", &BillAllocationRec::TDSDeducteeIsSpecialRate},
    {"TDSDeducteeSpecialRate_", &BillAllocationRec::TDSDeducteeSpecialRate},
    {"ServiceTaxLedger_", &BillAllocationRec::ServiceTaxLedger},
};

constexpr StoredField<TaxBillAllocationRec> taxBillAllocationFields[] = {
    {"Name_", &TaxBillAllocationRec::Name}, {"BillType_", &TaxBillAllocationRec::BillType},
    {"IsPureAgentBill_", &TaxBillAllocationRec::IsPureAgentBill},
    {"IsInputAvail_", &TaxBillAllocationRec::IsInputAvail}, {"TDSTaxRate_", &TaxBillAllocationRec::TDSTaxRate},
    {"TDSSurcharge_", &TaxBillAllocationRec::TDSSurcharge},
    {"TDSAddlSurcharge_", &TaxBillAllocationRec::TDSAddlSurcharge},
    {"STSecondaryCessRate_", &TaxBillAllocationRec::STSecondaryCessRate}, {"Amount_", &TaxBillAllocationRec::Amount},
    {"SurchargeAmount_", &TaxBillAllocationRec::SurchargeAmount},
    {"AddlSurchargeAmount_", &TaxBillAllocationRec::AddlSurchargeAmount},
    {"STSecondaryCessAmount_", &TaxBillAllocationRec::STSecondaryCessAmount},
    {"AssessableAmount_", &TaxBillAllocationRec::AssessableAmount},
    {"ExpenseAmount_", &TaxBillAllocationRec::ExpenseAmount},
    {"AbatementAmount_", &TaxBillAllocationRec::AbatementAmount},
    {"AbatementNotificationNo_", &TaxBillAllocationRec::AbatementNotificationNo},
};

constexpr StoredField<CategoryAllocationRec> categoryAllocationFields[] = {
    {"Category_", &CategoryAllocationRec::Category}, {"Name_", &CategoryAllocationRec::Name},
    {"Amount_", &CategoryAllocationRec::Amount},
};

constexpr StoredField<InventoryEntryRec> inventoryEntryFields[] = {
    {"StockItemName_", &InventoryEntryRec::StockItemName}, {"IsDeemedPositive_", &InventoryEntryRec::IsDeemedPositive},
    {"IsAutoNigate_", &InventoryEntryRec::IsAutoNigate}, {"Rate_", &InventoryEntryRec::Rate},
    {"Amount_", &InventoryEntryRec::Amount}, {"ActualQty_", &InventoryEntryRec::ActualQty},
    {"BilledQty_", &InventoryEntryRec::BilledQty},
};

constexpr StoredField<BatchAllocationRec> batchAllocationFields[] = {
    {"MFDOn_", &BatchAllocationRec::MFDOn}, {"GodownName_", &BatchAllocationRec::GodownName},
    {"BatchName_", &BatchAllocationRec::BatchName}, {"IndentNo_", &BatchAllocationRec::IndentNo},
    {"OrderNo_", &BatchAllocationRec::OrderNo}, {"TrackingNo_", &BatchAllocationRec::TrackingNo},
    {"Amount_", &BatchAllocationRec::Amount}, {"ActualQty_", &BatchAllocationRec::ActualQty},
    {"BilledQty_", &BatchAllocationRec::BilledQty},
    {"DestinationGodownName_", &BatchAllocationRec::DestinationGodownName},
    {"OrderDueDate_", &BatchAllocationRec::OrderDueDate}, {"ExpiryPeriod_", &BatchAllocationRec::ExpiryPeriod},
};

constexpr StoredField<InvoiceDelNoteRec> invoiceDelNoteFields[] = {
    {"BasicShippingDate_", &InvoiceDelNoteRec::BasicShippingDate},
    {"BasicShipDeliveryNote_", &InvoiceDelNoteRec::BasicShipDeliveryNote},
};

constexpr StoredField<InvoiceOrderRec> invoiceOrderFields[] = {
    {"BasicOrderDate_", &InvoiceOrderRec::BasicOrderDate},
    {"BasicPurchaseOrderNo_", &InvoiceOrderRec::BasicPurchaseOrderNo},
};
// clang-format on

std::atomic<int> connectionCount = 0;

QString identifier(const char *name)
{
    return QLatin1Char('"') + QLatin1String(name) + QLatin1Char('"');
}

QString identifiers(const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names)
        quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
    return quoted.join(QStringLiteral(", "));
}

QString placeholders(qsizetype count)
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), count);
    return marks.join(QStringLiteral(", "));
}

[[noreturn]] void raiseDatabaseError(const QString &description)
{
    errors::raise(errDatabase, description, QStringLiteral("Pelko staging database"));
}

[[noreturn]] void raiseDatabaseError(const QSqlError &error)
{
    raiseDatabaseError(error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

[[noreturn]] void raiseDatabaseError(sqlite3 *connection)
{
    raiseDatabaseError(QString::fromUtf8(sqlite3_errmsg(connection)));
}

// The handle of the database the driver opened: the store's statements run on it directly, without the driver's
// work for every value bound and every row read.
sqlite3 *connectionOf(const QSqlDatabase &database)
{
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0 || !handle.constData())
        raiseDatabaseError(QStringLiteral("The staging file was not opened as a SQLite database."));
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (!connection)
        raiseDatabaseError(QStringLiteral("The staging file was not opened as a SQLite database."));
    return connection;
}

// Which file a path names now: its device and inode, or none when there is no file.
std::pair<quint64, quint64> fileIdentity(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {0, 0};
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

// The statement that makes a missing table. The key makes a write one statement that replaces the row with the
// same key, and keeping the rows in the order of the key makes it the only tree a write changes.
QString createTableSql(const StagingTable &table)
{
    QStringList columns;
    for (const QString &key : table.keyColumns())
        columns.append(QLatin1Char('"') + key + QStringLiteral("\" TEXT"));
    for (const char *column : table.valueColumns)
        columns.append(identifier(column) + QStringLiteral(" TEXT"));
    return QStringLiteral("CREATE TABLE ") + identifier(table.name) + QStringLiteral(" (") +
           columns.join(QStringLiteral(", ")) + QStringLiteral(", PRIMARY KEY (") + identifiers(table.keyColumns()) +
           QStringLiteral(")) WITHOUT ROWID");
}

std::size_t tableIndex(const StagingTable &table)
{
    const auto tables = stagingTables();
    return std::size_t(std::find(tables.begin(), tables.end(), &table) - tables.begin());
}

// A text as the file gives it back: empty (never Null) for an empty or never-set one, and in the form its UTF-8
// takes, which has no place for a lone surrogate.
QString storedText(const QString &text)
{
    if (text.isEmpty())
        return QString(QLatin1String(""));
    for (const QChar c : text) {
        if (c.isSurrogate())
            return QString::fromUtf8(text.toUtf8());
    }
    return text;
}

// The number a text casts to as the file's queries cast it: leading blanks skipped, then the longest beginning
// that reads as a decimal number; 0 when none does.
double leadingNumber(const QString &text)
{
    qsizetype at = 0;
    const qsizetype size = text.size();
    auto charAt = [&](qsizetype i) { return i < size ? text.at(i).unicode() : char16_t(0); };
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    while (at < size && (charAt(at) == u' ' || (charAt(at) >= u'\t' && charAt(at) <= u'\r')))
        ++at;
    std::string number;
    if (charAt(at) == u'-' || charAt(at) == u'+') {
        if (charAt(at) == u'-')
            number += '-';
        ++at;
    }
    bool digits = false;
    for (; isDigit(charAt(at)); ++at, digits = true)
        number += char(charAt(at));
    if (charAt(at) == u'.') {
        number += '.';
        for (++at; isDigit(charAt(at)); ++at, digits = true)
            number += char(charAt(at));
    }
    if (!digits)
        return 0.0;
    if (charAt(at) == u'e' || charAt(at) == u'E') {
        qsizetype end = at + 1;
        if (charAt(end) == u'-' || charAt(end) == u'+')
            ++end;
        if (isDigit(charAt(end))) {
            number += 'e';
            for (qsizetype i = at + 1; i < end; ++i)
                number += char(charAt(i));
            for (; isDigit(charAt(end)); ++end)
                number += char(charAt(end));
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    return value;
}

// Appends a text as the file stores it, in UTF-8.
void appendUtf8(std::string &utf8, const QString &text)
{
    const auto *characters = reinterpret_cast<const char16_t *>(text.constData());
    const std::size_t size = std::size_t(text.size());
    const std::size_t start = utf8.size();
    utf8.resize(start + size);
    for (std::size_t at = 0; at < size; ++at) {
        if (characters[at] >= 0x80) {
            utf8.resize(start);
            const QByteArray bytes = text.toUtf8();
            utf8.append(bytes.constData(), std::size_t(bytes.size()));
            return;
        }
        utf8[start + at] = char(characters[at]);
    }
}

// Texts in the order the file sorts them: by code point, as their UTF-8 bytes compare.
int compareStored(const QString &a, const QString &b)
{
    // In UTF-16 the surrogates come before the last block of the basic plane; in code points they come after it.
    auto weight = [](char16_t c) { return c < 0xD800 ? c : c >= 0xE000 ? char16_t(c - 0x800) : char16_t(c + 0x2000); };
    const qsizetype size = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t x = a.at(i).unicode();
        const char16_t y = b.at(i).unicode();
        if (x != y)
            return weight(x) < weight(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// How many kept rows may wait for an answer to be awaited before they are written anyway.
constexpr std::size_t mostRowsWaiting = 4096;
// How many rows a wait writes before it looks whether the answer has come: about a voucher's, so that an answer
// that came meanwhile waits a few dozen microseconds at the most.
constexpr std::size_t rowsPerShare = 8;
// While the server answers quickly, kept rows are written in turns: a transaction holds the file for this long,
// then leaves it to any other Pelko waiting for it for as long, the rows meanwhile waiting in memory. A commit
// costs a dozen writes to the disk whether it carries one voucher or hundreds.
constexpr qint64 turnMs = 50;
// An answer this slow makes every voucher's rows written and committed before its answer is awaited.
constexpr qint64 slowAnswerMs = 20;

} // namespace

// A statement prepared once on the store's connection and run again and again.
class StagingStore::Statement final
{
public:
    Statement(sqlite3 *connection, const QString &sql) : m_connection(connection)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v3(connection, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &m_statement,
                               nullptr) != SQLITE_OK)
            raiseDatabaseError(connection);
        m_texts.resize(std::size_t(sqlite3_bind_parameter_count(m_statement)));
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Q_DISABLE_COPY_MOVE(Statement)

    // A text for the placeholder at that position, counted from 0. A null text (a record field never set) is
    // stored as empty text, as an empty one is, never as Null. The text goes in as the file stores it, in UTF-8,
    // through a buffer the placeholder keeps from run to run.
    void bind(int position, const QString &text)
    {
        checkPosition(position);
        std::string &utf8 = m_texts[std::size_t(position)];
        utf8.clear();
        appendUtf8(utf8, text);
        bind(position, std::string_view(utf8));
    }

    // The same for a text in UTF-8 already, which must stay as it is until the statement has run.
    void bind(int position, std::string_view utf8)
    {
        checkPosition(position);
        // A view of an empty string may point nowhere, which would bind Null.
        const char *bytes = utf8.empty() ? "" : utf8.data();
        if (sqlite3_bind_text(m_statement, position + 1, bytes, int(utf8.size()), SQLITE_STATIC) != SQLITE_OK)
            raiseDatabaseError(m_connection);
    }

    // Runs the statement to its next row: false when it has no more. A failure ends the run and raises.
    bool next()
    {
        const int stepped = sqlite3_step(m_statement);
        if (stepped == SQLITE_ROW)
            return true;
        if (stepped == SQLITE_DONE)
            return false;
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_connection));
        finish();
        raiseDatabaseError(message);
    }

    // Runs the statement to its end.
    void run()
    {
        while (next()) {
        }
        finish();
    }

    // The same, with a failure left unsaid.
    void runQuietly()
    {
        while (sqlite3_step(m_statement) == SQLITE_ROW) {
        }
        finish();
    }

    // Makes the statement ready for its next run and lets go of the texts bound to it.
    void finish()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

    int columnCount() const { return sqlite3_column_count(m_statement); }
    QString columnName(int column) const { return QString::fromUtf8(sqlite3_column_name(m_statement, column)); }

    // A column of the row in hand as text; Null as a null text.
    QString text(int column) const
    {
        if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
            return QString();
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        const int size = sqlite3_column_bytes(m_statement, column);
        if (!bytes)
            raiseDatabaseError(m_connection);
        return size == 0 ? QString(QLatin1String("")) : QString::fromUtf8(bytes, size);
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }

private:
    void checkPosition(int position) const
    {
        if (position < 0 || std::size_t(position) >= m_texts.size())
            raiseDatabaseError(QStringLiteral("A value was bound to a placeholder the statement does not have."));
    }

    sqlite3 *m_connection;
    sqlite3_stmt *m_statement = nullptr;
    std::vector<std::string> m_texts; // one per placeholder
};

// Column names are ASCII; they are matched without regard to case through a table of their hashes.
class StagedRows::Columns final
{
public:
    explicit Columns(const QStringList &names) : m_width(names.size())
    {
        std::size_t slotCount = 16;
        while (slotCount < std::size_t(names.size()) * 2)
            slotCount *= 2;
        m_slots.assign(slotCount, -1);
        for (qsizetype at = 0; at < names.size(); ++at) {
            m_names.push_back(names.at(at).toLatin1());
            // The first of two names that differ only in case is the one found, as in a look along the row.
            std::size_t slot = foldedHash(m_names.back().constData()) & (slotCount - 1);
            while (m_slots[slot] >= 0 && !sameFolded(m_names[std::size_t(m_slots[slot])], m_names.back().constData()))
                slot = (slot + 1) & (slotCount - 1);
            if (m_slots[slot] < 0)
                m_slots[slot] = int(at);
        }
    }

    qsizetype width() const { return m_width; }

    // The position of a column, matched without regard to case; -1 when there is none. A builder asks for the
    // same few dozen names voucher after voucher, so the answer is remembered by where the name is stored, and
    // taken again once the text there is the column's very name.
    int find(const char *name) const
    {
        Memo &memo = m_memo[memoSlot(name)];
        if (memo.name == name && memo.at >= 0 && std::strcmp(m_names[std::size_t(memo.at)].constData(), name) == 0)
            return memo.at;
        const int at = lookUp(name);
        memo = Memo{name, at};
        return at;
    }

private:
    // The columns are shared by every read of one store, which its own thread makes: the memo needs no lock.
    struct Memo
    {
        const char *name = nullptr;
        int at = -1;
    };
    static constexpr std::size_t memoSlots = 128;

    static std::size_t memoSlot(const char *name)
    {
        return std::size_t((reinterpret_cast<quintptr>(name) * 0x9E3779B97F4A7C15ull) >> 57);
    }

    int lookUp(const char *name) const
    {
        for (std::size_t slot = foldedHash(name) & (m_slots.size() - 1);; slot = (slot + 1) & (m_slots.size() - 1)) {
            const int at = m_slots[slot];
            if (at < 0 || sameFolded(m_names[std::size_t(at)], name))
                return at;
        }
    }

    static char folded(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

    static std::size_t foldedHash(const char *name)
    {
        std::size_t hash = 14695981039346656037ull;
        for (; *name; ++name)
            hash = (hash ^ static_cast<unsigned char>(folded(*name))) * 1099511628211ull;
        return hash;
    }

    static bool sameFolded(const QByteArray &known, const char *name)
    {
        const char *at = known.constData();
        for (; *at && *name; ++at, ++name) {
            if (folded(*at) != folded(*name))
                return false;
        }
        return *at == *name;
    }

public:
    // The positions a constant list's columns were found at in this layout.
    struct ListColumns
    {
        const void *list;
        std::size_t count;
        std::vector<int> positions;
    };
    // Taken from the same thread as find(); a deque, so that the positions handed out stay where they are.
    mutable std::deque<ListColumns> lists;

private:
    std::vector<QByteArray> m_names; // in the order of the row
    std::vector<int> m_slots;        // positions in m_names by hash, -1 for none
    qsizetype m_width;
    mutable std::array<Memo, memoSlots> m_memo;
};

// A prepared statement of one table, and the columns its rows come with.
struct StagingStore::TableStatement
{
    const StagingTable *table;
    std::unique_ptr<Statement> query;
    std::shared_ptr<const StagedRows::Columns> columns;
};

// The columns of a list of fields, in its order, made once for the list.
template <const auto &fields> struct FieldColumns
{
    static constexpr auto names = [] {
        std::array<const char *, std::size(fields)> columns{};
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i] = fields[i].column;
        return columns;
    }();
};

// The columns a writer sets and their values, in the order the writer sets them.
struct StagingStore::RowValues
{
    std::span<const char *const> columns;
    QStringList values;

    template <const auto &fields, typename Rec> static RowValues of(const Rec &record)
    {
        RowValues row{FieldColumns<fields>::names, {}};
        row.values.reserve(qsizetype(std::size(fields)));
        for (const auto &field : fields)
            row.values.append(record.*(field.field));
        return row;
    }
    // A table that holds one text.
    static RowValues of(const StagingTable &table, const QString &value)
    {
        return RowValues{table.valueColumns.first(1), {value}};
    }
};

struct StagingStore::WaitingRow
{
    const char *location; // of the writer
    const StagingTable *table;
    std::span<const char *const> columns; // the writer's value columns
    QString company;
    QString vchId;
    std::size_t firstText; // of its keys and values among the waiting texts
    std::size_t textCount;
};

void StagingStore::Utf8Texts::append(const QString &text)
{
    const std::size_t start = m_bytes.size();
    appendUtf8(m_bytes, text);
    m_spans.emplace_back(start, m_bytes.size() - start);
}

// One voucher's rows as the file holds them, table by table: every column of a row in the order of the table,
// the keys first, a column no writer set as Null.
struct StagingStore::KeptVoucher
{
    struct Row
    {
        QString parent; // the entry the row belongs to, in tables that have one
        QString own;    // the row's own id, in tables that have one
        std::vector<QString> values;
    };

    explicit KeptVoucher(std::pair<QString, QString> voucher) : key(std::move(voucher)) {}

    // Keeps a row written with these keys; the positions of the writer's values among the table's value columns.
    void keep(const StagingTable &table, const QStringList &keys, const RowValues &row,
              const std::vector<int> &positions)
    {
        Row kept;
        kept.values.resize(std::size_t(keys.size()) + table.valueColumns.size());
        for (qsizetype i = 0; i < keys.size(); ++i)
            kept.values[std::size_t(i)] = storedText(keys.at(i));
        for (std::size_t i = 0; i < positions.size(); ++i)
            kept.values[std::size_t(keys.size()) + std::size_t(positions[i])] = storedText(row.values.at(qsizetype(i)));
        if (table.parentKey)
            kept.parent = kept.values[2];
        if (table.ownKey)
            kept.own = kept.values[std::size_t(keys.size()) - 1];
        // A row with the same key is replaced whole, as the file replaces it.
        std::vector<Row> &rows = tables[tableIndex(table)];
        const auto same = std::find_if(rows.begin(), rows.end(), [&](const Row &other) {
            return other.parent == kept.parent && other.own == kept.own;
        });
        if (same != rows.end())
            *same = std::move(kept);
        else
            rows.push_back(std::move(kept));
    }

    std::pair<QString, QString> key;
    std::array<std::vector<Row>, stagingTableCount> tables;
};

StagedRows::StagedRows(std::shared_ptr<const Columns> columns, std::vector<QString> values)
    : m_columns(std::move(columns)), m_values(std::move(values)), m_width(m_columns ? m_columns->width() : 0),
      m_rows(m_width == 0 ? 0 : qsizetype(m_values.size()) / m_width)
{}

int StagedRows::column(const char *name) const
{
    if (m_rows == 0)
        return -1;
    const int at = m_columns->find(name);
    if (at >= 0)
        return at;
    errors::raise(errors::ErrNo::ItemNotFound,
                  QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                                 "ordinal: ") +
                      QLatin1String(name));
}

std::span<const int> StagedRows::columns(const void *list, std::size_t count,
                                         const char *(*nameAt)(const void *list, std::size_t at)) const
{
    if (m_rows == 0) {
        // No columns were read: every one is -1.
        static const std::vector<int> none(64, -1);
        if (count > none.size())
            raiseDatabaseError(QStringLiteral("A list of more columns than a table has was asked for."));
        return std::span(none).first(count);
    }
    for (const Columns::ListColumns &known : m_columns->lists) {
        if (known.list == list && known.count == count)
            return known.positions;
    }
    std::vector<int> positions;
    positions.reserve(count);
    for (std::size_t at = 0; at < count; ++at)
        positions.push_back(column(nameAt(list, at)));
    return m_columns->lists.emplace_back(Columns::ListColumns{list, count, std::move(positions)}).positions;
}

const QString &StagedRows::text(qsizetype row, int column) const
{
    return m_values[std::size_t(row * m_width + column)];
}

bool StagedRows::isNull(qsizetype row, int column) const
{
    return m_values[std::size_t(row * m_width + column)].isNull();
}

StagingStore::StagingStore()
    : m_connectionName(QStringLiteral("pelko-staging-") + QString::number(++connectionCount)),
      m_lastLateWriter(locationExecStagingSql)
{}

StagingStore::~StagingStore()
{
    // Should a write or the commit fail here, the rows are of vouchers already sent, or of none; the next
    // clean-up of the company would have removed them anyway.
    try {
        writeWaitingRowsLate(waitingCount());
    } catch (...) {
    }
    if (m_database.isOpen()) {
        try {
            commitWrites();
        } catch (...) {
        }
    }
    forgetStatements();
    m_database.close();
    m_connection = nullptr;
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void StagingStore::open()
{
    if (m_database.isOpen())
        return;
    forgetKeptVouchers();
    const QString path = platform::programFile(QLatin1String(stagingFileName));
    if (!m_database.isValid())
        m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_database.setDatabaseName(path);
    // A file marked read-only is left unchanged even by a user who could write it.
    const QFileInfo file(path);
    const bool readOnly = file.exists() && !file.permissions().testFlag(QFileDevice::WriteOwner);
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(busyTimeoutMs) +
                                 (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!m_database.open())
        raiseDatabaseError(m_database.lastError());
    try {
        m_connection = connectionOf(m_database);
        // A write-ahead log keeps the file whole through a crash or a power cut without waiting for the disk at
        // every commit, which would make staging a hundred times slower. What a power cut can lose is the rows
        // of the vouchers staged last: rows that were only on their way to the server.
        exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        // The log is copied back into the file, and only then waited for, every few thousand vouchers rather
        // than every few hundred; it grows to some 40 MB at the most and is emptied when the store closes.
        exec(QStringLiteral("PRAGMA wal_autocheckpoint = 10000"));
        m_fileIdentity = fileIdentity(path); // a new file exists once the log is chosen
        createMissingTables();
    } catch (...) {
        forgetStatements();
        m_database.close();
        m_connection = nullptr;
        throw;
    }
}

void StagingStore::createMissingTables()
{
    // Table and index names in lower case, and whether each table keeps its rows in the order of its key.
    QHash<QString, bool> present;
    {
        Statement &query =
            statement(QStringLiteral("SELECT lower(name), sql LIKE '%WITHOUT ROWID%' FROM sqlite_master"));
        while (query.next())
            present.insert(query.text(0), query.integer(1) != 0);
        query.finish();
    }
    QStringList missing;
    for (const StagingTable *table : stagingTables()) {
        const QString name = QLatin1String(table->name);
        const QString keys = identifiers(table->keyColumns());
        const auto found = present.constFind(name.toLower());
        if (found == present.constEnd()) {
            missing.append(createTableSql(*table));
        } else if (!*found && !present.contains(name.toLower() + QStringLiteral("_key"))) {
            missing.append(QStringLiteral("CREATE UNIQUE INDEX \"") + name + QStringLiteral("_Key\" ON \"") + name +
                           QStringLiteral("\" (") + keys + QLatin1Char(')'));
        }
    }
    if (missing.isEmpty())
        return;
    beginWriting();
    for (const QString &sql : std::as_const(missing))
        exec(sql);
    commitWrites();
}

StagingStore::Statement &StagingStore::statement(const QString &sql)
{
    if (!m_connection)
        raiseDatabaseError(QStringLiteral("The staging file is not open."));
    auto found = m_statements.find(sql);
    if (found == m_statements.end())
        found = m_statements.emplace(sql, std::make_unique<Statement>(m_connection, sql)).first;
    return *found->second;
}

void StagingStore::exec(const QString &sql, const QStringList &values)
{
    exec(statement(sql), values);
}

void StagingStore::exec(Statement &query, const QStringList &values)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bind(int(i), values.at(i));
    query.run();
}

StagingStore::TableStatement *StagingStore::findStatement(std::vector<TableStatement> &statements,
                                                          const StagingTable &table)
{
    for (TableStatement &statement : statements) {
        if (statement.table == &table)
            return &statement;
    }
    return nullptr;
}

StagingStore::TableStatement &StagingStore::addStatement(std::vector<TableStatement> &statements,
                                                         const StagingTable &table, const QString &sql)
{
    return statements.emplace_back(TableStatement{&table, std::make_unique<Statement>(m_connection, sql), {}});
}

void StagingStore::forgetStatements()
{
    m_reads.clear();
    m_writes.clear();
    m_statements.clear();
}

// A file deleted or replaced under an open connection would take the writes and lose them with it, and answer
// reads from rows that are gone for everyone else. The connection is let go with what it had not committed, so
// that the next call opens the file anew.
void StagingStore::requireSameFile()
{
    if (fileIdentity(m_database.databaseName()) == m_fileIdentity)
        return;
    m_writing = false;
    forgetKeptVouchers();
    forgetStatements();
    m_database.close();
    m_connection = nullptr;
    raiseDatabaseError(QStringLiteral("The staging file was deleted or moved while Pelko had it open."));
}

void StagingStore::beginWriting()
{
    if (m_writing)
        return;
    requireSameFile();
    exec(QStringLiteral("BEGIN IMMEDIATE"));
    m_writing = true;
    m_transactionAge.start();
    m_lastLateWriter = locationExecStagingSql;
    // Nobody changes the tables while the transaction holds the file; before, somebody may have.
    if (!m_keptCompanies.isEmpty() && !tablesAreOurs())
        forgetKeptVouchers();
}

// Whether the file's tables are exactly the ones the store makes, with nothing that acts on a write: only then
// does a kept voucher read as the file would give it.
bool StagingStore::tablesAreOurs()
{
    Statement &version = statement(QStringLiteral("PRAGMA schema_version"));
    const int current = version.next() ? int(version.integer(0)) : -2;
    version.finish();
    if (current == m_schemaVersion)
        return true;
    m_schemaVersion = -1;
    Statement &query = statement(QStringLiteral("SELECT type, name, sql FROM sqlite_master"));
    QSet<QString> found;
    bool ours = true;
    while (query.next()) {
        const QString name = query.text(1);
        const auto table = std::find_if(stagingTables().begin(), stagingTables().end(),
                                        [&](const StagingTable *known) { return name == QLatin1String(known->name); });
        ours = ours && query.text(0) == QLatin1String("table") && table != stagingTables().end() &&
               query.text(2) == createTableSql(**table);
        found.insert(name);
    }
    query.finish();
    if (!ours || found.size() != qsizetype(stagingTableCount))
        return false;
    m_schemaVersion = current;
    return true;
}

// Keeps the row with its voucher in memory; false when the voucher is not one the store keeps (its company was
// not cleared by this store, or the voucher was read or left before), whose rows go to the file at once.
bool StagingStore::keepRow(const StagingTable &table, const QStringList &keys, const RowValues &row)
{
    std::pair<QString, QString> voucher{keys.at(0), keys.at(1)};
    if (!m_keptCompanies.contains(voucher.first))
        return false;
    if (m_kept && m_kept->key != voucher)
        m_spentVouchers.insert(std::exchange(m_kept, nullptr)->key);
    if (!m_kept) {
        if (m_spentVouchers.contains(voucher))
            return false;
        m_kept = std::make_unique<KeptVoucher>(std::move(voucher));
    }
    std::vector<int> &positions = m_valuePositions[tableIndex(table)];
    if (positions.size() != row.columns.size()) {
        positions.clear();
        for (const char *column : row.columns) {
            const auto found = std::find_if(table.valueColumns.begin(), table.valueColumns.end(),
                                            [&](const char *name) { return qstrcmp(name, column) == 0; });
            positions.push_back(int(found - table.valueColumns.begin()));
        }
    }
    m_kept->keep(table, keys, row, positions);
    return true;
}

void StagingStore::forgetKeptVouchers()
{
    m_keptCompanies.clear();
    m_kept.reset();
    m_spentVouchers.clear();
    m_schemaVersion = -1;
}

void StagingStore::commitWrites()
{
    if (!m_writing)
        return;
    m_writing = false;
    m_sinceCommit.start();
    try {
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        rollbackQuietly(QStringLiteral("ROLLBACK"));
        throw;
    }
}

// Undoes what a failed step began; a failure here changes nothing the caller can mend, and the step's own
// error is the one reported.
void StagingStore::rollbackQuietly(const QString &sql)
{
    statement(sql).runQuietly();
}

// A row of a kept voucher waits to be written while the voucher's answer is awaited; any other row is written
// at once, after those that wait.
bool StagingStore::writeRow(const char *location, const StagingTable &table, const QStringList &keys,
                            const RowValues &row)
{
    reportLateFailures();
    if (keepRow(table, keys, row)) {
        // The row waits as the file will store it: a few bytes in one buffer rather than a list of texts.
        const std::size_t first = m_waitingTexts.size();
        appendRowTexts(m_waitingTexts, keys, row);
        m_waitingRows.push_back(
            WaitingRow{location, &table, row.columns, keys.at(0), keys.at(1), first, m_waitingTexts.size() - first});
        if (waitingCount() >= mostRowsWaiting)
            writeWaitingRows();
        return true;
    }
    writeWaitingRows();
    bool written = false;
    errors::trap(QLatin1String(location), [&] {
        Utf8Texts texts;
        appendRowTexts(texts, keys, row);
        insertRow(table, row.columns, texts, 0, texts.size());
        written = true;
    });
    if (!written)
        writeFailed(keys.at(0), keys.at(1));
    return written;
}

void StagingStore::appendRowTexts(Utf8Texts &texts, const QStringList &keys, const RowValues &row)
{
    for (const QString &key : keys)
        texts.append(key);
    for (const QString &value : row.values)
        texts.append(value);
}

void StagingStore::writeFailed(const QString &company, const QString &vchId)
{
    m_failedVouchers.insert({company, vchId});
    // Some failures take the whole transaction back with them, and the rows written before it.
    if (m_writing && m_connection && sqlite3_get_autocommit(m_connection)) {
        m_writing = false;
        forgetKeptVouchers();
    }
}

void StagingStore::insertRow(const StagingTable &table, std::span<const char *const> columns, const Utf8Texts &texts,
                             std::size_t first, std::size_t count)
{
    open();
    TableStatement *write = findStatement(m_writes, table);
    if (!write) {
        QStringList names = table.keyColumns();
        for (const char *column : columns)
            names.append(QLatin1String(column));
        write = &addStatement(m_writes, table,
                              QStringLiteral("INSERT OR REPLACE INTO ") + identifier(table.name) +
                                  QStringLiteral(" (") + identifiers(names) + QStringLiteral(") VALUES (") +
                                  placeholders(names.size()) + QLatin1Char(')'));
    }
    beginWriting();
    Statement &query = *write->query;
    for (std::size_t at = 0; at < count; ++at)
        query.bind(int(at), texts.at(first + at));
    query.run();
}

std::size_t StagingStore::waitingCount() const
{
    return m_waitingRows.size() - m_nextWaiting;
}

// Writes that many of the rows that wait, the oldest first. A failure is kept, with the writer it belongs to, for
// the next call to report: the voucher of the row was built from what the store kept and may be on its way already.
void StagingStore::writeWaitingRowsLate(std::size_t most)
{
    for (std::size_t written = 0; written < most && m_nextWaiting < m_waitingRows.size(); ++written) {
        const WaitingRow &row = m_waitingRows[m_nextWaiting];
        try {
            insertRow(*row.table, row.columns, m_waitingTexts, row.firstText, row.textCount);
        } catch (...) {
            // One report is enough; the rows after it are not written either, their vouchers failed with it.
            m_lateFailures.push_back({row.location, std::current_exception()});
            std::vector<WaitingRow> failed;
            failed.swap(m_waitingRows);
            for (auto unwritten = failed.begin() + qsizetype(m_nextWaiting); unwritten != failed.end(); ++unwritten)
                writeFailed(unwritten->company, unwritten->vchId);
            m_nextWaiting = 0;
            m_waitingTexts.clear();
            return;
        }
        m_lastLateWriter = row.location;
        ++m_nextWaiting;
    }
    // The queue keeps its room for the rows to come, rather than growing anew after every turn.
    if (m_nextWaiting == m_waitingRows.size()) {
        m_waitingRows.clear();
        m_waitingTexts.clear();
        m_nextWaiting = 0;
    }
}

// Commits what the late writes left in the transaction; a failure is reported with the writer of the last row it
// held.
void StagingStore::commitLate()
{
    const char *writer = m_lastLateWriter;
    try {
        commitWrites();
    } catch (...) {
        m_lateFailures.push_back({writer, std::current_exception()});
    }
}

void StagingStore::writeWaitingRows()
{
    writeWaitingRowsLate(waitingCount());
    reportLateFailures();
}

void StagingStore::reportLateFailures()
{
    for (const LateFailure &failure : std::exchange(m_lateFailures, {}))
        errors::trap(QLatin1String(failure.location), [&] { std::rethrow_exception(failure.error); });
}

bool StagingStore::writeWhileAwaitingAnswer(bool waitBegins) noexcept
{
    if (waitBegins) {
        // The time since the last request was written is mostly the time its answer took.
        m_slowAnswer = m_sinceRequest.isValid() && m_sinceRequest.elapsed() >= slowAnswerMs;
        m_sinceRequest.start();
    }
    const bool resting = !m_writing && m_sinceCommit.isValid() && m_sinceCommit.elapsed() < turnMs;
    if (resting && !m_slowAnswer && waitingCount() < mostRowsWaiting)
        return false;
    try {
        if (m_slowAnswer) {
            writeWaitingRowsLate(waitingCount());
            commitLate();
            return false;
        }
        // A share at a time: what the server's answer leaves no time for waits for the next answer.
        writeWaitingRowsLate(rowsPerShare);
        if (m_writing && m_transactionAge.elapsed() >= turnMs) {
            commitLate();
            return false;
        }
        return waitingCount() > 0;
    } catch (...) {
        // Nothing above lets a failure through; should anything, the rows stay unwritten and the voucher was
        // built from what the store kept.
        return false;
    }
}

bool StagingStore::ClearCompanyStaging(const QString &company)
{
    writeWaitingRows();
    bool cleared = false;
    errors::trap(QLatin1String(locationExecStagingSql), [&] {
        open();
        requireSameFile();
        commitWrites();
        beginWriting();
        try {
            for (const StagingTable *table : stagingTables())
                exec(QStringLiteral("DELETE FROM ") + identifier(table->name) + QStringLiteral(" WHERE ") +
                         identifier(companyColumn) + QStringLiteral(" = ?"),
                     {company});
        } catch (...) {
            m_writing = false;
            rollbackQuietly(QStringLiteral("ROLLBACK"));
            throw;
        }
        commitWrites();
        cleared = true;
    });
    if (cleared) {
        m_failedVouchers.removeIf([&](const std::pair<QString, QString> &key) { return key.first == company; });
        m_spentVouchers.removeIf([&](const std::pair<QString, QString> &key) { return key.first == company; });
        if (m_kept && m_kept->key.first == company)
            m_kept.reset();
        // From here on the file holds for the company just what this store writes. Tables that cannot be looked
        // at are read from the file, which reports what is wrong with them.
        try {
            if (tablesAreOurs())
                m_keptCompanies.insert(company);
        } catch (const errors::RuntimeError &) {
        }
    }
    return cleared;
}

QString StagingStore::GetMaxVchID(const QString &company)
{
    writeWaitingRows();
    return errors::trapResult(QLatin1String(locationGetMaxVchID), QString(), [&](QString &result) {
        open();
        requireSameFile();
        Statement &query = statement(QStringLiteral("SELECT MAX(") + identifier(voucherTable.voucherKey) +
                                     QStringLiteral(") FROM ") + identifier(voucherTable.name) +
                                     QStringLiteral(" WHERE ") + identifier(companyColumn) + QStringLiteral(" = ?"));
        query.bind(0, company);
        const QString highest = query.next() ? query.text(0) : QString();
        query.finish();
        result = highest.isNull() ? QLatin1String(firstVchID) : highest;
    });
}

std::vector<StagedRows> StagingStore::readVoucher(std::span<const StagingTable *const> tables, const QString &company,
                                                  const QString &vchId)
{
    reportLateFailures();
    open();
    // A kept voucher is read without a look at the file: its rows are what the run staged, which the file is
    // given while the answer is awaited. A file deleted or changed meanwhile is found by the next transaction.
    const std::pair<QString, QString> voucher{company, vchId};
    if (m_keptCompanies.contains(company) && !m_spentVouchers.contains(voucher)) {
        std::unique_ptr<KeptVoucher> kept = m_kept && m_kept->key == voucher ? std::move(m_kept) : nullptr;
        m_spentVouchers.insert(voucher);
        return keptRows(tables, kept.get());
    }
    writeWaitingRows();
    requireSameFile();
    // Rows staged in the pending transaction are read inside it and committed with it; otherwise the reads make
    // a transaction of their own, so that they see one state of the file.
    const bool writing = m_writing;
    if (!writing)
        exec(QStringLiteral("BEGIN"));
    std::vector<StagedRows> read;
    try {
        // Most tables hold nothing for a voucher: one statement finds those that do.
        std::vector<bool> holdsRows;
        QStringList counts;
        for (const StagingTable *table : tables)
            counts.append(QStringLiteral("(SELECT count(*) FROM ") + identifier(table->name) +
                          QStringLiteral(" WHERE ") + identifier(companyColumn) + QStringLiteral(" = k.company AND ") +
                          identifier(table->voucherKey) + QStringLiteral(" = k.voucher)"));
        if (!counts.isEmpty()) {
            Statement &present = statement(QStringLiteral("SELECT ") + counts.join(QStringLiteral(", ")) +
                                           QStringLiteral(" FROM (SELECT ? AS company, ? AS voucher) AS k"));
            present.bind(0, company);
            present.bind(1, vchId);
            if (!present.next())
                raiseDatabaseError(QStringLiteral("The staging file did not count the voucher's rows."));
            for (int i = 0; i < int(tables.size()); ++i)
                holdsRows.push_back(present.integer(i) > 0);
            present.finish();
        }

        read.reserve(tables.size());
        for (std::size_t i = 0; i < tables.size(); ++i)
            read.push_back(holdsRows[i] ? readRows(*tables[i], company, vchId) : StagedRows());
    } catch (...) {
        // What was staged stays staged; the read's failure is the one to report.
        if (writing) {
            try {
                commitWrites();
            } catch (...) {
            }
        } else {
            rollbackQuietly(QStringLiteral("ROLLBACK"));
        }
        throw;
    }
    if (writing)
        commitWrites();
    else
        exec(QStringLiteral("COMMIT"));
    return read;
}

// A kept voucher's rows of the tables asked for, ordered as the file's query orders them; none for a voucher
// nothing was written for.
std::vector<StagedRows> StagingStore::keptRows(std::span<const StagingTable *const> tables, const KeptVoucher *voucher)
{
    std::vector<StagedRows> read;
    read.reserve(tables.size());
    for (const StagingTable *table : tables) {
        const std::size_t index = tableIndex(*table);
        if (!voucher || voucher->tables[index].empty()) {
            read.emplace_back();
            continue;
        }
        const std::vector<KeptVoucher::Row> &rows = voucher->tables[index];
        struct Order
        {
            double number;
            const KeptVoucher::Row *row;
        };
        std::vector<Order> order;
        order.reserve(rows.size());
        for (const KeptVoucher::Row &row : rows)
            order.push_back({leadingNumber(row.own), &row});
        std::sort(order.begin(), order.end(), [](const Order &a, const Order &b) {
            if (a.number != b.number)
                return a.number < b.number;
            const int own = compareStored(a.row->own, b.row->own);
            return own != 0 ? own < 0 : compareStored(a.row->parent, b.row->parent) < 0;
        });
        std::shared_ptr<const StagedRows::Columns> &columns = m_keptColumns[index];
        if (!columns) {
            QStringList names = table->keyColumns();
            for (const char *column : table->valueColumns)
                names.append(QLatin1String(column));
            columns = std::make_shared<const StagedRows::Columns>(names);
        }
        std::vector<QString> values;
        values.reserve(rows.size() * rows.front().values.size());
        for (const Order &entry : order)
            values.insert(values.end(), entry.row->values.begin(), entry.row->values.end());
        read.emplace_back(columns, std::move(values));
    }
    return read;
}

StagedRows StagingStore::readRows(const StagingTable &table, const QString &company, const QString &vchId)
{
    TableStatement *select = findStatement(m_reads, table);
    if (!select)
        select =
            &addStatement(m_reads, table,
                          QStringLiteral("SELECT * FROM ") + identifier(table.name) + QStringLiteral(" WHERE ") +
                              identifier(companyColumn) + QStringLiteral(" = ? AND ") + identifier(table.voucherKey) +
                              QStringLiteral(" = ? ORDER BY CAST(") + identifier(table.orderKey()) +
                              QStringLiteral(" AS REAL), ") + identifier(table.orderKey()));
    Statement &query = *select->query;
    if (!select->columns) {
        QStringList names;
        for (int i = 0; i < query.columnCount(); ++i)
            names.append(query.columnName(i));
        select->columns = std::make_shared<const StagedRows::Columns>(names);
    }
    query.bind(0, company);
    query.bind(1, vchId);
    const int width = int(select->columns->width());
    std::vector<QString> values;
    while (query.next()) {
        for (int i = 0; i < width; ++i)
            values.push_back(query.text(i));
    }
    query.finish();
    return StagedRows(select->columns, std::move(values));
}

bool StagingStore::stagingFailed(const QString &company, const QString &vchId) const
{
    return m_failedVouchers.contains({company, vchId});
}

bool StagingStore::SaveVoucher(const QString &company, const VoucherRec &voucher, const QString &vchId)
{
    return writeRow(locationSaveVoucher, voucherTable, {company, vchId}, RowValues::of<voucherFields>(voucher));
}

bool StagingStore::SaveLedgerEntry(const QString &company, const LedgerEntryRec &entry, const QString &vchId,
                                   const QString &ldEId)
{
    return writeRow(locationSaveLedgerEntry, ledgerEntryTable, {company, vchId, ldEId},
                    RowValues::of<ledgerEntryFields>(entry));
}

bool StagingStore::SaveAllLedgerEntry(const QString &company, const AllLedgerEntryRec &entry, const QString &vchId,
                                      const QString &ldEId)
{
    return writeRow(locationSaveAllLedgerEntry, allLedgerEntryTable, {company, vchId, ldEId},
                    RowValues::of<ledgerEntryFields>(entry));
}

bool StagingStore::SaveBillAllocation(const QString &company, const BillAllocationRec &bill, const QString &vchId,
                                      const QString &ldEId, const QString &biAId)
{
    return writeRow(locationSaveBillAllocation, billAllocationTable, {company, vchId, ldEId, biAId},
                    RowValues::of<billAllocationFields>(bill));
}

bool StagingStore::SaveTaxBillAllocation(const QString &company, const TaxBillAllocationRec &bill, const QString &vchId,
                                         const QString &ldEId, const QString &tBiAId)
{
    return writeRow(locationSaveTaxBillAllocation, taxBillAllocationTable, {company, vchId, ldEId, tBiAId},
                    RowValues::of<taxBillAllocationFields>(bill));
}

bool StagingStore::SaveCategoryAllocations(const QString &company, const CategoryAllocationRec &allocation,
                                           const QString &vchId, const QString &ldEId, const QString &cAId)
{
    return writeRow(locationSaveCategoryAllocations, categoryAllocationsTable, {company, vchId, ldEId, cAId},
                    RowValues::of<categoryAllocationFields>(allocation));
}

bool StagingStore::SaveInventoryEntry(const QString &company, const InventoryEntryRec &entry, const QString &vchId,
                                      const QString &inEId)
{
    return writeRow(locationSaveInventoryEntry, inventoryEntryTable, {company, vchId, inEId},
                    RowValues::of<inventoryEntryFields>(entry));
}

bool StagingStore::SaveInventoryEntryIN(const QString &company, const InventoryEntryInOutRec &entry,
                                        const QString &vchId, const QString &inEId)
{
    return writeRow(locationSaveInventoryEntryIN, inventoryEntryINTable, {company, vchId, inEId},
                    RowValues::of<inventoryEntryFields>(entry));
}

bool StagingStore::SaveInventoryEntryOut(const QString &company, const InventoryEntryInOutRec &entry,
                                         const QString &vchId, const QString &inEId)
{
    return writeRow(locationSaveInventoryEntryOut, inventoryEntryOutTable, {company, vchId, inEId},
                    RowValues::of<inventoryEntryFields>(entry));
}

bool StagingStore::SaveAllInventoryEntry(const QString &company, const InventoryEntryRec &entry, const QString &vchId,
                                         const QString &inEId)
{
    return writeRow(locationSaveAllInventoryEntry, allInventoryEntryTable, {company, vchId, inEId},
                    RowValues::of<inventoryEntryFields>(entry));
}

bool StagingStore::SaveAccountingAllocation(const QString &company, const AccountingAllocationRec &allocation,
                                            const QString &vchId, const QString &inEId, const QString &acAId)
{
    return writeRow(locationSaveAccountingAllocation, accountingAllocationTable, {company, vchId, inEId, acAId},
                    RowValues::of<accountingAllocationFields>(allocation));
}

bool StagingStore::SaveBatchAllocation(const QString &company, const BatchAllocationRec &batch, const QString &vchId,
                                       const QString &inEId, const QString &baAId)
{
    return writeRow(locationSaveBatchAllocation, batchAllocationTable, {company, vchId, inEId, baAId},
                    RowValues::of<batchAllocationFields>(batch));
}

bool StagingStore::SaveInvoiceDelNotes(const QString &company, const InvoiceDelNoteRec &note, const QString &vchId,
                                       const QString &iDNId)
{
    return writeRow(locationSaveInvoiceDelNotes, invoiceDelNotesTable, {company, vchId, iDNId},
                    RowValues::of<invoiceDelNoteFields>(note));
}

bool StagingStore::SaveInvoiceOrderList(const QString &company, const InvoiceOrderRec &order, const QString &vchId,
                                        const QString &iOLId)
{
    return writeRow(locationSaveInvoiceOrderList, invoiceOrderListTable, {company, vchId, iOLId},
                    RowValues::of<invoiceOrderFields>(order));
}

bool StagingStore::SaveBasicOrderTerms(const QString &company, const QString &terms, const QString &vchId,
                                       const QString &bOTId)
{
    return writeRow(locationSaveBasicOrderTerms, basicOrderTermsTable, {company, vchId, bOTId},
                    RowValues::of(basicOrderTermsTable, terms));
}

bool StagingStore::SaveBasicBuyerAddress(const QString &company, const QString &line, const QString &vchId,
                                         const QString &bBAId)
{
    return writeRow(locationSaveBasicBuyerAddress, basicBuyerAddressTable, {company, vchId, bBAId},
                    RowValues::of(basicBuyerAddressTable, line));
}

bool StagingStore::SaveAddress(const QString &company, const QString &line, const QString &vchId, const QString &adId)
{
    return writeRow(locationSaveAddress, addressTable, {company, vchId, adId}, RowValues::of(addressTable, line));
}

} // namespace staging
