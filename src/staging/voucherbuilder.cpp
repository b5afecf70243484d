#include "staging/voucherbuilder.h"

#include "errors/errortrap.h"
#include "staging/amounttext.h"
#include "staging/stagingconstants.h"
#include "staging/stagingstore.h"
#include "staging/stagingtables.h"
#include "tally/envelope.h"
#include "tally/httpclient.h"
#include "tally/transport.h"
#include "tally/xmldocument.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// The voucher request: the VOUCHER element is filled by twelve sections, each from one staging table, in a fixed
// order; what each section writes is the tables of elements below.
namespace staging {

namespace {

// An element that carries a column's text, made only when the text is not empty.
struct ValueElement
{
    const char *element;
    const char *column;
};

// clang-format off
constexpr ValueElement headerDates[] = {
    {"EFFECTIVEDATE", "EffectiveDate_"},
    {"BASICDATETIMEOFINVOICE", "BasicDateTimeOfInvoice_"},
    {"BASICDATETIMEOFREMOVAL", "BasicDateTimeOfRemoval_"},
};

// Everything after the reference-date block. BASICSHIPPEDBY stands twice, as Tally's own export writes it.
constexpr ValueElement headerValues[] = {
    {"GUID", "GUID_"}, {"VOUCHERTYPENAME", "VoucherTypeName_"}, {"VOUCHERNUMBER", "VoucherNumber_"},
    {"REFERENCE", "Reference_"}, {"NARRATION", "Narration_"}, {"PARTYLEDGERNAME", "PartyLedgerName_"},
    {"PARTYNAME", "PartyName_"}, {"BASEPARTYNAME", "BasePartyName_"}, {"BASICSHIPPEDBY", "BasicShippedBy_"},
    {"BASICBUYERNAME", "BasicBuyerName_"}, {"BASICSHIPDOCUMENTNO", "BasicShipDocumentNo_"},
    {"BASICSHIPPEDBY", "BasicShippedBy_"}, {"BASICFINALDESTINATION", "BasicFinalDestination_"},
    {"BASICDUEDATEOFPYMT", "BasicDueDateOfPymt_"}, {"BASICORDERREF", "BasicOrderRef_"},
    {"BASICBUYERSSALESTAXNO", "BasicBuyersSalesTaxNo_"}, {"DIFFACTUALQTY", "DiffActualQty_"},
    {"AUDITED", "Audited_"}, {"FORJOBCOSTING", "ForJobCosting_"}, {"ISOPTIONAL", "IsOptional_"},
    {"USEFORINTEREST", "UseForInterest_"}, {"USEFORGAINLOSS", "UseForGainLoss_"},
    {"USEFORGODOWNTRANSFER", "UseForGodownTransfer_"}, {"USEFORCOMPOUND", "UseForCompound_"},
    {"ALTERID", "AlterID_"}, {"ISCANCELLED", "IsCancelled_"}, {"HASCASHFLOW", "HasCashFlow_"},
    {"ISPOSTDATED", "IsPostDated_"}, {"USETRACKINGNUMBER", "UseTrackingNumber_"}, {"ISINVOICE", "IsInvoice_"},
    {"MFGJOURNAL", "MFGJournal_"}, {"HASDISCOUNTS", "HasDiscounts_"}, {"ASPAYSLIP", "AsPayslip_"},
    {"ISDELETED", "IsDeleted_"}, {"ASORIGINAL", "AsOriginal_"},
};

constexpr ValueElement delNoteValues[] = {
    {"BASICSHIPPINGDATE", "BasicShippingDate_"}, {"BASICSHIPDELIVERYNOTE", "BasicShipDeliveryNote_"},
};
constexpr ValueElement orderValues[] = {
    {"BASICORDERDATE", "BasicOrderDate_"}, {"BASICPURCHASEORDERNO", "BasicPurchaseOrderNo_"},
};

// A ledger line up to its assessable value; ledger entries and accounting allocations share it.
constexpr ValueElement ledgerValues[] = {
    {"LEDGERNAME", "LedgerName_"}, {"NARRATION", "Narration_"}, {"GSTCLASS", "GSTClass_"},
    {"ISDEEMEDPOSITIVE", "IsDeemedPositive_"}, {"LEDGERFROMITEM", "LedgerFromItem_"},
    {"REMOVEZEROENTRIES", "RemoveZeroEntries_"}, {"ISPARTYLEDGER", "IsPartyLedger_"}, {"AMOUNT", "Amount_"},
    {"TAXCLASSIFICATIONNAME", "TaxClassificationName_"},
};
constexpr ValueElement tdsPartyValue[] = {{"TDSPARTYNAME", "TDSPartyName_"}};

constexpr ValueElement costCentreValues[] = {{"NAME", "Name_"}, {"AMOUNT", "Amount_"}};

constexpr ValueElement billValues[] = {
    {"NAME", "Name_"}, {"BILLCREDITPERIOD", "BillCreditPeriod_"}, {"BILLTYPE", "BillType_"}, {"AMOUNT", "Amount_"},
    {"TDSDEDUCTEESECTIONNUMBER", "TDSDeducteeSectionNumber_"}, {"TDSLEDGERNC", "TDSLedgerNC_"},
    {"TDSDEDUCTEEISSPECIALRATE", "TDSDeducteeIsSpecialRate_"}, {"TDSDEDUCTEESPECIALRATE", "TDSDeducteeSpecialRate_"},
    {"SERVICETAXLEDGER", "ServiceTaxLedger_"},
};

constexpr ValueElement taxBillValues[] = {
    {"NAME", "Name_"}, {"ABATEMENTNOTIFICATIONNO", "AbatementNotificationNo_"}, {"BILLTYPE", "BillType_"},
    {"ISINPUTAVAIL", "IsInputAvail_"}, {"ISPUREAGENTBILL", "IsPureAgentBill_"}, {"TDSTAXRATE", "TDSTaxRate_"},
    {"TDSSURCHARGE", "TDSSurcharge_"}, {"TDSADDLSURCHARGE", "TDSAddlSurcharge_"},
    {"STSECONDARYCESSRATE", "STSecondaryCessRate_"}, {"AMOUNT", "Amount_"}, {"SURCHARGEAMOUNT", "SurchargeAmount_"},
    {"ADDLSURCHARGEAMOUNT", "AddlSurchargeAmount_"}, {"STSECONDARYCESSAMOUNT", "STSecondaryCessAmount_"},
    {"ASSESSABLEAMOUNT", "AssessableAmount_"}, {"EXPENSEAMOUNT", "ExpenseAmount_"},
    {"ABATEMENTAMOUNT", "AbatementAmount_"},
};

constexpr ValueElement itemValues[] = {
    {"STOCKITEMNAME", "StockItemName_"}, {"ISDEEMEDPOSITIVE", "IsDeemedPositive_"}, {"ISAUTONEGATE", "IsAutoNigate_"},
    {"RATE", "Rate_"}, {"AMOUNT", "Amount_"}, {"ACTUALQTY", "ActualQty_"}, {"BILLEDQTY", "BilledQty_"},
};

// Batches of an invoice line name their destination after the quantities, those of a stock line after the batch.
constexpr ValueElement invoiceBatchValues[] = {
    {"MFDON", "MFDOn_"}, {"GODOWNNAME", "GodownName_"}, {"BATCHNAME", "BatchName_"}, {"INDENTNO", "IndentNo_"},
    {"ORDERNO", "OrderNo_"}, {"TRACKINGNUMBER", "TrackingNo_"}, {"AMOUNT", "Amount_"}, {"ACTUALQTY", "ActualQty_"},
    {"BILLEDQTY", "BilledQty_"}, {"DESTINATIONGODOWNNAME", "DestinationGodownName_"},
    {"ORDERDUEDATE", "OrderDueDate_"}, {"EXPIRYPERIOD", "ExpiryPeriod_"},
};
constexpr ValueElement stockBatchValues[] = {
    {"MFDON", "MFDOn_"}, {"GODOWNNAME", "GodownName_"}, {"BATCHNAME", "BatchName_"},
    {"DESTINATIONGODOWNNAME", "DestinationGodownName_"}, {"INDENTNO", "IndentNo_"}, {"ORDERNO", "OrderNo_"},
    {"TRACKINGNUMBER", "TrackingNo_"}, {"AMOUNT", "Amount_"}, {"ACTUALQTY", "ActualQty_"},
    {"BILLEDQTY", "BilledQty_"}, {"ORDERDUEDATE", "OrderDueDate_"}, {"EXPIRYPERIOD", "ExpiryPeriod_"},
};
// clang-format on

// Sections 1 to 3: all rows of the table in one list element, one child per row.
struct LineListSection
{
    const StagingTable *table;
    const char *list;
    const char *element;
};
constexpr LineListSection lineListSections[] = {
    {&addressTable, "ADDRESS.LIST", "ADDRESS"},
    {&basicBuyerAddressTable, "BASICBUYERADDRESS.LIST", "BASICBUYERADDRESS"},
    {&basicOrderTermsTable, "BASICORDERTERMS.LIST", "BASICORDERTERMS"},
};

// Sections 5 and 6: one list element per row.
struct RowListSection
{
    const StagingTable *table;
    const char *list;
    std::span<const ValueElement> values;
};
constexpr RowListSection rowListSections[] = {
    {&invoiceDelNotesTable, "INVOICEDELNOTES.LIST", delNoteValues},
    {&invoiceOrderListTable, "INVOICEORDERLIST.LIST", orderValues},
};

// How a ledger line treats its assessable value and its tax rate.
struct LedgerRules
{
    bool assessableOnlyWhenNonZero; // otherwise whenever set
    bool rateIgnoresPercent;        // "%4" is a rate of 4
};
constexpr LedgerRules ledgerEntryRules{true, true};
constexpr LedgerRules allLedgerEntryRules{false, true};
constexpr LedgerRules accountingAllocationRules{true, false};

// Sections 7 and 9.
struct LedgerSection
{
    const StagingTable *table;
    const char *entry;
    LedgerRules rules;
    bool billsOnlyWhenNonZero;
};
constexpr LedgerSection ledgerEntrySection{&ledgerEntryTable, "LEDGERENTRIES.LIST", ledgerEntryRules, true};
constexpr LedgerSection allLedgerEntrySection{&allLedgerEntryTable, "ALLLEDGERENTRIES.LIST", allLedgerEntryRules,
                                              false};

// Sections 10 to 12: stock lines with their batches.
struct StockSection
{
    const StagingTable *table;
    const char *entry;
};
constexpr StockSection stockSections[] = {
    {&inventoryEntryINTable, "INVENTORYENTRIESIN.LIST"},
    {&inventoryEntryOutTable, "INVENTORYENTRIESOUT.LIST"},
    {&allInventoryEntryTable, "ALLINVENTORYENTRIES.LIST"},
};

constexpr char referenceDateDescription[] = "`ReferenceDate`";

// One voucher's rows of every staging table, read in one look at the file.
class StagedVoucher final
{
public:
    StagedVoucher(StagingStore &store, const QString &company, const QString &vchId)
        : m_rows(store.readVoucher(stagingTables(), company, vchId))
    {}

    const StagedRows &rows(const StagingTable &table) const
    {
        const auto tables = stagingTables();
        return m_rows[std::size_t(std::find(tables.begin(), tables.end(), &table) - tables.begin())];
    }

private:
    std::vector<StagedRows> m_rows;
};

// The positions of a table's columns that one of the lists above reads, found once for all the table's rows.
std::vector<int> columnsOf(const StagedRows &rows, std::span<const ValueElement> values)
{
    std::vector<int> columns;
    columns.reserve(values.size());
    for (const ValueElement &value : values)
        columns.push_back(rows.column(value.column));
    return columns;
}

// Where a ledger line's values stand in its table, found once for all the table's rows.
struct LedgerColumns
{
    explicit LedgerColumns(const StagedRows &rows)
        : values(columnsOf(rows, ledgerValues)), tdsParty(columnsOf(rows, tdsPartyValue)),
          assessable(rows.column("VATAssessableValue_")), rate(rows.column("BasicRateOfInvoiceTax_"))
    {}

    std::vector<int> values;
    std::vector<int> tdsParty;
    int assessable;
    int rate;
};

// The request under construction, written as it is built. An element that cannot be made stops the build with a
// run-time error, so that a request is never sent with parts missing.
class VoucherMessage final
{
public:
    // False when the envelope could not be made (reported).
    bool start(const QString &company) { return m_writer.startMessage(company, "VOUCHER"); }

    // A list element, which has children only; close() ends it.
    void open(const char *name) { m_writer.open(name); }
    void close() { m_writer.close(); }

    void value(const char *name, const QString &text)
    {
        if (!m_writer.elementIfValue(name, text))
            tally::raiseObjectNotSet();
    }

    void values(const StagedRows &rows, qsizetype row, std::span<const ValueElement> elements,
                std::span<const int> columns)
    {
        for (std::size_t i = 0; i < elements.size(); ++i)
            value(elements[i].element, rows.text(row, columns[i]));
    }

    // Sets an attribute of the innermost open element.
    void attribute(const char *name, const QString &text) { m_writer.attribute(name, text); }

    // The text of the element just opened.
    void text(const QString &text)
    {
        if (!m_writer.text(text))
            tally::raiseObjectNotSet();
    }

    tally::TallyReply send() { return tally::SendTallyBytes(m_writer.finish()); }

private:
    tally::ImportRequestWriter m_writer;
};

// The rows of a child table that belong to the entry with that id: those whose parent column holds the same
// text, in the order of their own ids.
std::vector<qsizetype> childRows(const StagedRows &children, const StagingTable &table, const QString &entryId)
{
    const int parent = children.column(table.parentKey);
    std::vector<qsizetype> rows;
    for (qsizetype row = 0; row < children.size(); ++row) {
        if (!children.isNull(row, parent) && children.text(row, parent) == entryId)
            rows.push_back(row);
    }
    return rows;
}

QString entryIdOf(const StagedRows &entries, const StagingTable &table, qsizetype row)
{
    const int id = entries.column(table.ownKey);
    if (entries.isNull(row, id))
        errors::raise(errInvalidUseOfNull, QStringLiteral("Invalid use of Null"));
    return entries.text(row, id);
}

class VoucherBuilder final
{
public:
    VoucherBuilder(VoucherMessage &message, const StagedVoucher &staged) : m_message(message), m_staged(staged) {}

    void addLineLists() const
    {
        for (const LineListSection &section : lineListSections) {
            const StagedRows &rows = m_staged.rows(*section.table);
            if (rows.size() == 0)
                continue;
            m_message.open(section.list);
            const int column = rows.column(section.table->valueColumns.front());
            for (qsizetype row = 0; row < rows.size(); ++row)
                m_message.value(section.element, rows.text(row, column));
            m_message.close();
        }
    }

    // Only the first row counts; a voucher without one goes out with no attributes and no header.
    void addHeader(const QString &action) const
    {
        const StagedRows &rows = m_staged.rows(voucherTable);
        if (rows.size() == 0)
            return;
        const QString date = rows.text(0, rows.column("Date_"));
        m_message.values(rows, 0, headerDates, columnsOf(rows, headerDates));
        m_message.attribute("REMOTEID", rows.text(0, rows.column("GUID_")));
        m_message.attribute("VCHTYPE", rows.text(0, rows.column("VoucherTypeName_")));
        m_message.attribute("ACTION", action);
        m_message.value("DATE", date);
        if (!date.isEmpty()) {
            m_message.open("UDF:REFERENCEDATE.LIST");
            m_message.attribute("DESC", QLatin1String(referenceDateDescription));
            m_message.attribute("ISLIST", QStringLiteral("YES"));
            m_message.attribute("TYPE", QStringLiteral("Date"));
            m_message.open("UDF:REFERENCEDATE");
            m_message.text(date);
            m_message.attribute("DESC", QLatin1String(referenceDateDescription));
            m_message.close();
            m_message.close();
        }
        m_message.values(rows, 0, headerValues, columnsOf(rows, headerValues));
    }

    void addRowLists() const
    {
        for (const RowListSection &section : rowListSections) {
            const StagedRows &rows = m_staged.rows(*section.table);
            const std::vector<int> columns = columnsOf(rows, section.values);
            for (qsizetype row = 0; row < rows.size(); ++row)
                listOf(section.list, rows, row, section.values, columns);
        }
    }

    void addLedgerEntries(const LedgerSection &section) const
    {
        const StagedRows &entries = m_staged.rows(*section.table);
        const LedgerColumns columns(entries);
        for (qsizetype row = 0; row < entries.size(); ++row) {
            m_message.open(section.entry);
            addLedgerLine(entries, row, columns, section.rules);
            const QString id = entryIdOf(entries, *section.table, row);
            addCostCentres(id);
            addBills(id, section.billsOnlyWhenNonZero);
            addChildLists(taxBillAllocationTable, id, "TAXBILLALLOCATIONS.LIST", taxBillValues);
            m_message.close();
        }
    }

    // Section 8: invoice lines with their ledger allocations and batches.
    void addInventoryEntries() const
    {
        const StagedRows &entries = m_staged.rows(inventoryEntryTable);
        const std::vector<int> columns = columnsOf(entries, itemValues);
        const StagedRows &allocations = m_staged.rows(accountingAllocationTable);
        std::optional<LedgerColumns> allocationColumns; // found at the first allocation
        for (qsizetype row = 0; row < entries.size(); ++row) {
            m_message.open("ALLINVENTORYENTRIES.LIST");
            m_message.values(entries, row, itemValues, columns);
            const QString id = entryIdOf(entries, inventoryEntryTable, row);
            for (const qsizetype allocation : childRows(allocations, accountingAllocationTable, id)) {
                if (!allocationColumns)
                    allocationColumns.emplace(allocations);
                m_message.open("ACCOUNTINGALLOCATIONS.LIST");
                addLedgerLine(allocations, allocation, *allocationColumns, accountingAllocationRules);
                m_message.close();
            }
            addChildLists(batchAllocationTable, id, "BATCHALLOCATIONS.LIST", invoiceBatchValues);
            m_message.close();
        }
    }

    void addStockEntries() const
    {
        for (const StockSection &section : stockSections) {
            const StagedRows &entries = m_staged.rows(*section.table);
            const std::vector<int> columns = columnsOf(entries, itemValues);
            for (qsizetype row = 0; row < entries.size(); ++row) {
                m_message.open(section.entry);
                m_message.values(entries, row, itemValues, columns);
                addChildLists(batchAllocationTable, entryIdOf(entries, *section.table, row), "BATCHALLOCATIONS.LIST",
                              stockBatchValues);
                m_message.close();
            }
        }
    }

private:
    // A list element holding one row's values.
    void listOf(const char *list, const StagedRows &rows, qsizetype row, std::span<const ValueElement> values,
                std::span<const int> columns) const
    {
        m_message.open(list);
        m_message.values(rows, row, values, columns);
        m_message.close();
    }

    // The values of a ledger entry or of an accounting allocation, then its rate list when the rate is above 0.
    void addLedgerLine(const StagedRows &rows, qsizetype row, const LedgerColumns &columns, LedgerRules rules) const
    {
        m_message.values(rows, row, ledgerValues, columns.values);
        const QString assessable = rows.text(row, columns.assessable);
        if (!rules.assessableOnlyWhenNonZero || !isZeroAmount(assessable))
            m_message.value("VATASSESSABLEVALUE", assessable);
        m_message.values(rows, row, tdsPartyValue, columns.tdsParty);

        const int rateColumn = columns.rate;
        const QString rate = rows.text(row, rateColumn);
        const QString rateNumber = rules.rateIgnoresPercent ? QString(rate).remove(QLatin1Char('%')) : rate;
        if (!rows.isNull(row, rateColumn) && leadingNumberIsPositive(rateNumber)) {
            m_message.open("BASICRATEOFINVOICETAX.LIST");
            m_message.value("BASICRATEOFINVOICETAX", rate);
            m_message.close();
        }
    }

    // One category list for each run of rows with the same category; a Null category continues the list before
    // it, and a row that finds no list of its own entry opens one.
    void addCostCentres(const QString &entryId) const
    {
        const StagedRows &rows = m_staged.rows(categoryAllocationsTable);
        const int category = rows.column("Category_");
        const std::vector<int> columns = columnsOf(rows, costCentreValues);
        QString currentCategory;
        bool listOpen = false;
        for (const qsizetype row : childRows(rows, categoryAllocationsTable, entryId)) {
            const bool isNull = rows.isNull(row, category);
            const QString text = rows.text(row, category);
            if (!listOpen || (!isNull && text != currentCategory)) {
                if (!isNull)
                    currentCategory = text;
                if (std::exchange(listOpen, true))
                    m_message.close();
                m_message.open("CATEGORYALLOCATIONS.LIST");
                m_message.value("CATEGORY", currentCategory);
            }
            listOf("COSTCENTREALLOCATIONS.LIST", rows, row, costCentreValues, columns);
        }
        if (listOpen)
            m_message.close();
    }

    void addBills(const QString &entryId, bool onlyWhenNonZero) const
    {
        const StagedRows &rows = m_staged.rows(billAllocationTable);
        const int amount = rows.column("Amount_");
        const std::vector<int> columns = columnsOf(rows, billValues);
        for (const qsizetype row : childRows(rows, billAllocationTable, entryId)) {
            if (onlyWhenNonZero && isZeroAmount(rows.text(row, amount)))
                continue;
            listOf("BILLALLOCATIONS.LIST", rows, row, billValues, columns);
        }
    }

    void addChildLists(const StagingTable &table, const QString &entryId, const char *list,
                       std::span<const ValueElement> values) const
    {
        const StagedRows &rows = m_staged.rows(table);
        const std::vector<int> columns = columnsOf(rows, values);
        for (const qsizetype row : childRows(rows, table, entryId))
            listOf(list, rows, row, values, columns);
    }

    VoucherMessage &m_message;
    const StagedVoucher &m_staged;
};

// Reads the voucher back from the file, where it is committed before its request goes out, and sends it. A voucher
// whose envelope could not be made is not sent (the envelope reported why).
tally::TallyReply sendStagedVoucher(StagingStore &store, const QString &company, const QString &vchId,
                                    const QString &action)
{
    const StagedVoucher staged(store, company, vchId);
    VoucherMessage message;
    if (!message.start(company))
        return tally::TallyReply{};
    const VoucherBuilder builder(message, staged);
    builder.addLineLists();
    builder.addHeader(action);
    builder.addRowLists();
    builder.addLedgerEntries(ledgerEntrySection);
    builder.addInventoryEntries();
    builder.addLedgerEntries(allLedgerEntrySection);
    builder.addStockEntries();
    return message.send();
}

} // namespace

tally::TallyReply PostStagedVoucher(StagingStore &store, const QString &company, const QString &vchId,
                                    const QString &action)
{
    return errors::trapResult(
        QLatin1String(locationPostStagedVoucher), tally::TallyReply{},
        [&](tally::TallyReply &result) { result = sendStagedVoucher(store, company, vchId, action); });
}

} // namespace staging
