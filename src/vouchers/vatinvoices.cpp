// VAT invoices, in the company's currency or in a foreign one: item lines and ledger lines that carry their tax
// classification, tax rate and assessable value.

#include "sources/gridtext.h"
#include "sources/numbertext.h"
#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherposting.h"

#include <array>

namespace vouchers {

namespace {

using staging::TaxBillAllocationRec;
using staging::VoucherRec;

// What both kinds of VAT invoice read beyond an invoice's lines.
struct VatColumns : InvoiceColumns
{
    QString TRACKINGNO;
    QString ORDERNO;
    QString ASSESSABLEAMT;
    QString TAXRATE;
    QString BATCHNAME;
    QString MFDDATE;
    QString EXPIRYPERIOD;
};

// The columns both kinds read, before their own.
template <typename State> constexpr std::array<Column<State>, 22> vatLineColumns()
{
    return {{
        {"LEDGER", &State::LEDGER},
        {"DEBIT", &State::DEBIT, Required, WideAmount},
        {"CREDIT", &State::CREDIT, Required, WideAmount},
        {"ADJMETHOD", &State::ADJMETHOD},
        {"ADJNAME", &State::ADJNAME},
        {"ADJDATE", &State::ADJDATE},
        {"ADJAMOUNT", &State::ADJAMOUNT, Required, Amount},
        {"ITEMNAME", &State::ITEMNAME, Optional},
        {"QUANTITY", &State::QUANTITY, Optional, WideAmountOfText},
        {"UNIT", &State::UNIT, Optional},
        {"RATE", &State::RATE, Optional, WideAmountOfText},
        {"GODOWNNAME", &State::GODOWNNAME, Optional},
        {"TRACKINGNO", &State::TRACKINGNO, Optional},
        {"ORDERNO", &State::ORDERNO, Optional},
        {"TAXCLASSIFICATION", &State::TAXCLASSIFICATION, Optional},
        {"COSTCATEGORY", &State::COSTCATEGORY, Optional},
        {"COSTCENTRE", &State::COSTCENTRE, Optional},
        {"COSTAMOUNT", &State::COSTAMOUNT, Optional, Amount},
        {"ASSESSABLEAMT", &State::ASSESSABLEAMT, Optional, Amount},
        {"BATCHNAME", &State::BATCHNAME, Optional},
        {"MFDDATE", &State::MFDDATE, Optional},
        {"EXPIRYPERIOD", &State::EXPIRYPERIOD, Optional},
    }};
}

// An item line's tax values and batch row; an empty godown or batch (a blank one is a name) takes the default.
void fillVatItem(VatColumns &row, const QString &assessable)
{
    row.allocation.TaxClassificationName = row.TAXCLASSIFICATION;
    row.allocation.BasicRateOfInvoiceTax = row.TAXRATE;
    row.allocation.VATAssessableValue = assessable;
    row.batch.GodownName = row.GODOWNNAME.isEmpty() ? QString::fromLatin1(mainLocation) : row.GODOWNNAME;
    row.batch.BatchName = row.BATCHNAME.isEmpty() ? QString::fromLatin1(primaryBatch) : row.BATCHNAME;
    row.batch.OrderNo = row.ORDERNO;
    row.batch.TrackingNo = row.TRACKINGNO;
    row.batch.MFDOn = row.MFDDATE;
    row.batch.ExpiryPeriod = row.EXPIRYPERIOD;
}

// ---- VAT invoices in the company's currency ----

// A ledger line's entry goes to the voucher's full ledger list. A line whose assessable value is above 0 and that
// names the party the service tax is on gets a service-tax bill; any other line a plain bill when it names one.
// A row without a ledger adds its bill and cost row to the entry staged last; one that comes before the voucher's
// first entry keeps the voucher from the server, for they would go under no line.
struct VatState : VatColumns, OrderDetailColumns, DespatchColumns
{
    QString SERVICETAXON;
    QString SERVICETAXLEDGER;
    QString SERVICETAX;
    QString CESS;
    QString SECCESS;
    QString biAId;
    TaxBillAllocationRec taxBill;
};
using VS = VatState;

constexpr Column<VS> vatOwnColumns[] = {
    {"TAXRATE", &VS::TAXRATE, Optional}, // its "%" signs go before it is read as a number
    {"SERVICETAXON", &VS::SERVICETAXON, Optional},
    {"SERVICETAXLEDGER", &VS::SERVICETAXLEDGER, Optional},
    {"SERVICETAX", &VS::SERVICETAX, Optional},
    {"CESS", &VS::CESS, Optional},
    {"SECCESS", &VS::SECCESS, Optional},
    {"DELNOTENOS", &VS::DELNOTENOS, Optional},
    {"DELNOTEDATES", &VS::DELNOTEDATES, Optional},
    {"DESPATCHDOCNO", &VS::DESPATCHDOCNO, Optional},
    {"DESPATCHEDTHROUGH", &VS::DESPATCHEDTHROUGH, Optional},
    {"DESTINATION", &VS::DESTINATION, Optional},
    {"ORDERNOS", &VS::ORDERNOS, Optional},
    {"ORDERDATES", &VS::ORDERDATES, Optional},
    {"PAYMENTTERMS", &VS::PAYMENTTERMS, Optional},
    {"OTHERREF", &VS::OTHERREF, Optional},
    {"TERMSOFDELIVERY", &VS::TERMSOFDELIVERY, Optional},
    {"CONSIGNEE", &VS::CONSIGNEE, Optional},
    {"CONSIGNEEADDRESS", &VS::CONSIGNEEADDRESS, Optional},
    {"BUYER", &VS::BUYER, Optional},
    {"BUYERADDRESS", &VS::BUYERADDRESS, Optional},
    {"BUYERTINNO", &VS::BUYERTINNO, Optional},
};
constexpr auto vatColumns = joined(vatLineColumns<VS>(), std::to_array(vatOwnColumns));
constexpr HeaderField<VS> vatPartyHeader[] = {
    {&VoucherRec::PartyLedgerName, &VS::LEDGER},
    {&VoucherRec::BasePartyName, &VS::LEDGER},
    {&VoucherRec::PartyName, &VS::BUYER},
    {&VoucherRec::BasicBuyerName, &VS::CONSIGNEE},
};
constexpr auto vatHeader = joined(std::to_array(vatPartyHeader), despatchHeaderFields<VS>());
constexpr FixedValue<VoucherRec> vatFixedHeader[] = {
    {&VoucherRec::AsOriginal, "Yes"},
    {&VoucherRec::IsInvoice, "No"},
    {&VoucherRec::HasCashFlow, "No"},
};
// Ledger entries, delivery notes, orders, terms and addresses count from 2: their ids advance before each line.
constexpr Counter<VS> vatCounters[] = {
    {&VS::inEId, "1"}, {&VS::ldEId, "1"}, {&VS::biAId, "1"}, {&VS::cAId, "0"}, {&VS::iDNId, "1"},
    {&VS::iOLId, "1"}, {&VS::bOTId, "1"}, {&VS::bBAId, "1"}, {&VS::adId, "1"},
};
constexpr FixedValue<TaxBillAllocationRec> vatTaxBillValues[] = {
    {&TaxBillAllocationRec::IsInputAvail, "No"},          {&TaxBillAllocationRec::IsPureAgentBill, "No"},
    {&TaxBillAllocationRec::TDSSurcharge, "2"},           {&TaxBillAllocationRec::TDSAddlSurcharge, ""},
    {&TaxBillAllocationRec::STSecondaryCessRate, "1"},    {&TaxBillAllocationRec::AssessableAmount, ""},
    {&TaxBillAllocationRec::ExpenseAmount, ""},           {&TaxBillAllocationRec::AbatementAmount, ""},
    {&TaxBillAllocationRec::AbatementNotificationNo, ""},
};
constexpr char firstLedgerEntryId[] = "2";
constexpr char noLedgerEntryId[] = "1"; // the entry id of a voucher before its first ledger line

void stageVatLedgerRow(VS &state, VoucherRun &run)
{
    // A source without ASSESSABLEAMT, or a cell without a number, is no service-tax line.
    const bool serviceTax = isAboveZero(state.ASSESSABLEAMT) && !state.SERVICETAXON.isEmpty();
    if (!state.LEDGER.isEmpty()) {
        state.ldEId = NextCounter(state.ldEId);
        fillInvoiceLedgerEntry(state, plainLineValue(state), state.ldEId == QLatin1String(firstLedgerEntryId));
        state.entry.BasicRateOfInvoiceTax = state.TAXRATE;
        state.entry.VATAssessableValue = state.ASSESSABLEAMT;
        state.entry.TDSPartyName = serviceTax ? state.SERVICETAXON : QString();
        run.store().SaveAllLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
    } else if (state.ldEId == QLatin1String(noLedgerEntryId)) {
        if (serviceTax)
            refuseWithoutLineAbove(run, "a service-tax bill");
        else if (!sources::isBlank(state.ADJNAME))
            refuseWithoutLineAbove(run, "a bill");
        else if (!sources::isBlank(state.COSTCENTRE))
            refuseWithoutLineAbove(run, "a cost centre");
        return;
    }

    if (serviceTax) {
        TaxBillAllocationRec &bill = state.taxBill;
        bill.Name = state.ADJNAME;
        bill.BillType = state.ADJMETHOD;
        bill.TDSTaxRate = state.TAXRATE;
        bill.Amount = state.ADJAMOUNT;
        bill.SurchargeAmount = state.SERVICETAX;
        bill.AddlSurchargeAmount = state.CESS;
        bill.STSecondaryCessAmount = state.SECCESS;
        assignFixedValues(bill, all(vatTaxBillValues));
        run.store().SaveTaxBillAllocation(run.company(), bill, run.vchId(), state.ldEId, QStringLiteral("1"));
    } else if (!sources::isBlank(state.ADJNAME)) {
        // The bill's side is its own row's, also under the entry of an earlier row.
        const sources::Decimal amount = sources::NumericValue(state.ADJAMOUNT);
        state.bill.ServiceTaxLedger = state.SERVICETAXLEDGER;
        stageInvoiceBill(run, state, state.ldEId, state.biAId,
                         isNonZero(state.DEBIT) ? sources::NumberText(amount.negated()) : state.ADJAMOUNT);
        state.biAId = NextCounter(state.biAId);
    }

    stageNamedCostRow(run, state, state.ldEId, signedAmount(state.signPrefix, state.COSTAMOUNT));
}

void stageVatTransaction(VS &state, VoucherRun &run)
{
    stageOrderDetails(run, state);
    if (isInventoryRow(state.ITEMNAME)) {
        fillVatItem(state, state.ASSESSABLEAMT);
        stageItemLine(run, state, plainLineValue(state));
    } else {
        stageVatLedgerRow(state, run);
    }
}

// The location code under which error reports of this type show.
constexpr char locationPostVATTransaction[] = "F01-0024A";
constexpr TypeTable<VS> vatType{locationPostVATTransaction, all(vatColumns),  all(vatHeader),
                                all(vatFixedHeader),        all(vatCounters), stageVatTransaction};

// A tax rate cell may carry "%" anywhere ("12.5%", "%12.5").
class VatHandler final : public TableHandler<VS>
{
public:
    VatHandler() : TableHandler<VS>(vatType) {}

    void readRow(VoucherRun &run) override
    {
        TableHandler<VS>::readRow(run);
        if (run.sourceHas("TAXRATE")) {
            if (!fitsForm(state().TAXRATE, CellForm::RateAsText))
                run.refuseNumber("TAXRATE", state().TAXRATE);
            state().TAXRATE = cellInForm(state().TAXRATE.remove(QLatin1Char('%')), CellForm::Amount);
        }
    }
};

// ---- VAT invoices in a foreign currency ----

// Every amount, assessable value and item rate is stated in the voucher currency, at the exchange rate and in the
// base currency. Its ledger entries go to the voucher's ledger list; a row without a ledger adds only its cost row,
// to the entry staged last, under the side of the last ledger line of the run. Such a row that gives a bill, or a
// cost row before the voucher's first entry, keeps the voucher from the server rather than lose them.
struct ForexState : VatColumns
{
    QString VCHCURRENCY;
    QString BASECURRENCY;
    QString EXCHANGERATE;
};
using FS = ForexState;

constexpr Column<FS> forexOwnColumns[] = {
    {"TAXRATE", &FS::TAXRATE, Optional, Amount},
    {"VCHCURRENCY", &FS::VCHCURRENCY, Optional},
    {"BASECURRENCY", &FS::BASECURRENCY, Optional},
    {"EXCHANGERATE", &FS::EXCHANGERATE, Optional, Amount},
};
constexpr auto forexColumns = joined(vatLineColumns<FS>(), std::to_array(forexOwnColumns));
constexpr auto forexHeader = partyFields<FS>(&FS::LEDGER);
constexpr FixedValue<VoucherRec> forexFixedHeader[] = {
    {&VoucherRec::AsOriginal, "Yes"},
    {&VoucherRec::IsInvoice, "Yes"},
    {&VoucherRec::HasCashFlow, "No"},
};
constexpr Counter<FS> forexCounters[] = {
    {&FS::inEId, "1"},
    {&FS::ldEId, "1"},
    {&FS::cAId, "0"},
};

Currencies currenciesOf(const FS &state)
{
    return {state.VCHCURRENCY, state.BASECURRENCY, state.EXCHANGERATE};
}

// The row's value in both currencies; a debit states its DEBIT, a credit its CREDIT. Only an item line states
// its rate.
LineValue forexLineValue(const FS &state, bool itemLine)
{
    const Currencies currencies = currenciesOf(state);
    const DebitCredit sign = DebitCreditRule(state.DEBIT, state.CREDIT);
    const QString &amount = sign.signPrefix.isEmpty() ? state.CREDIT : state.DEBIT;
    return {ForexAmountText(currencies, amount, sign.signPrefix),
            itemLine ? ForexRateText(currencies, state.RATE, state.UNIT) : QString(), sign.isDeemedPositive,
            sign.signPrefix};
}

// The assessable value, never signed. One of 0 (or a source without the column) states nothing: the server is
// told of no assessable value rather than of a zero one in two currencies.
QString forexAssessable(const FS &state)
{
    return isNonZero(state.ASSESSABLEAMT) ? ForexAmountText(currenciesOf(state), state.ASSESSABLEAMT, QString())
                                          : QString();
}

void stageForexTransaction(FS &state, VoucherRun &run)
{
    const QString assessable = forexAssessable(state);
    if (isInventoryRow(state.ITEMNAME)) {
        fillVatItem(state, assessable);
        stageItemLine(run, state, forexLineValue(state, true));
        return;
    }
    if (!state.LEDGER.isEmpty()) {
        state.ldEId = NextCounter(state.ldEId);
        fillInvoiceLedgerEntry(state, forexLineValue(state, false), state.ldEId == QLatin1String(firstLedgerEntryId));
        state.entry.BasicRateOfInvoiceTax = state.TAXRATE;
        state.entry.VATAssessableValue = assessable;
        run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
        if (!state.ADJNAME.isEmpty())
            stageInvoiceBill(run, state, state.ldEId, QStringLiteral("1"),
                             ForexAmountText(currenciesOf(state), state.ADJAMOUNT, state.signPrefix));
    } else if (refusedCostContinuation(run, state.ADJNAME, state.COSTCENTRE,
                                       state.ldEId != QLatin1String(noLedgerEntryId))) {
        return;
    }
    stageNamedCostRow(run, state, state.ldEId, signedAmount(state.signPrefix, state.COSTAMOUNT));
}

// The location code under which error reports of this type show.
constexpr char locationPostVATTransactionMC[] = "F01-0024MC";
constexpr TypeTable<FS> forexType{locationPostVATTransactionMC, all(forexColumns),  all(forexHeader),
                                  all(forexFixedHeader),        all(forexCounters), stageForexTransaction};

} // namespace

void PostVATTransaction(sources::ImportWindow &window)
{
    VatHandler handler;
    PostGridVouchers(window, handler);
}

void PostVATTransactionMC(sources::ImportWindow &window)
{
    postWithTable(window, forexType);
}

} // namespace vouchers
