// Orders and delivery or receipt notes: item lines and ledger lines, with the delivery notes, order numbers, terms
// and addresses the rows add to their voucher. An item's batch row carries the order it belongs to and when it
// falls due; the ledger lines go to the voucher's ledger list with their bills and cost rows.

#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

#include <array>

namespace vouchers {

namespace {

using staging::VoucherRec;

// Everything either type keeps for a run; each reads and stages only its own columns.
struct OrderState : InvoiceColumns, OrderDetailColumns, DespatchColumns // the despatch details: orders only
{
    QString ORDERDUEON;
    // notes only
    QString ORDERNO;
    QString TRACKINGNO;
};
using OS = OrderState;

// The columns both types read, before their own.
constexpr Column<OS> orderLineColumns[] = {
    {"LEDGER", &OS::LEDGER},
    {"DEBIT", &OS::DEBIT, Required, WideAmount},
    {"CREDIT", &OS::CREDIT, Required, WideAmount},
    {"ADJMETHOD", &OS::ADJMETHOD, Optional},
    {"ADJNAME", &OS::ADJNAME, Optional},
    {"ADJDATE", &OS::ADJDATE, Optional},
    {"ADJAMOUNT", &OS::ADJAMOUNT, Optional, Amount},
    {"ITEMNAME", &OS::ITEMNAME},
    {"QUANTITY", &OS::QUANTITY, Required, WideAmountOfText},
    {"UNIT", &OS::UNIT},
    {"RATE", &OS::RATE, Required, WideAmountOfText},
    {"GODOWNNAME", &OS::GODOWNNAME},
    {"TAXCLASSIFICATION", &OS::TAXCLASSIFICATION, Optional},
    {"COSTCATEGORY", &OS::COSTCATEGORY, Optional},
    {"COSTCENTRE", &OS::COSTCENTRE, Optional},
    {"COSTAMOUNT", &OS::COSTAMOUNT, Optional, Amount},
    {"ORDERDUEON", &OS::ORDERDUEON, Optional},
};

// The header of both: no invoice, no cash flow, no original.
constexpr FixedValue<VoucherRec> orderFixedHeader[] = {
    {&VoucherRec::HasCashFlow, "No"},
    {&VoucherRec::AsOriginal, "No"},
    {&VoucherRec::IsInvoice, "No"},
};

constexpr char firstLedgerEntryId[] = "1";

// An item line; its batch row sits in the godown the row names (none when the cell is empty) and is bound for that
// godown or "Main Location".
void stageOrderItem(OS &state, VoucherRun &run, const QString &orderNo, const QString &trackingNo)
{
    state.batch.GodownName = state.GODOWNNAME;
    state.batch.BatchName = QString::fromLatin1(primaryBatch);
    state.batch.DestinationGodownName =
        state.GODOWNNAME.isEmpty() ? QString::fromLatin1(mainLocation) : state.GODOWNNAME;
    state.batch.OrderNo = orderNo;
    state.batch.TrackingNo = trackingNo;
    state.batch.OrderDueDate = state.ORDERDUEON;
    stageItemLine(run, state, plainLineValue(state));
}

// A ledger line with its bill and cost row. A row that names no ledger stages none of them: an entry without a
// ledger would have the server refuse the whole voucher, and its bill and cost row would belong to no entry. Such
// a row adds only its voucher's lines; one that gives an amount, a bill or a cost centre keeps the voucher from
// the server rather than lose them.
void stageOrderLedgerRow(OS &state, VoucherRun &run)
{
    if (sources::isBlank(state.LEDGER)) {
        constexpr char onlyVoucherLines[] = "delivery notes, orders, terms and addresses to its voucher";
        if (isNonZero(state.DEBIT) || isNonZero(state.CREDIT))
            refuseWithoutLedger(run, "an amount", onlyVoucherLines);
        else if (!state.ADJNAME.isEmpty())
            refuseWithoutLedger(run, "a bill", onlyVoucherLines);
        else if (!state.COSTCENTRE.isEmpty())
            refuseWithoutLedger(run, "a cost centre", onlyVoucherLines);
        return;
    }
    fillInvoiceLedgerEntry(state, plainLineValue(state), state.ldEId == QLatin1String(firstLedgerEntryId));
    run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
    if (!state.ADJNAME.isEmpty())
        stageInvoiceBill(run, state, state.ldEId, QStringLiteral("1"), signedBillAmount(state, state));
    stageCostRow(run, state, state.ldEId, state.COSTAMOUNT);
    state.ldEId = NextCounter(state.ldEId);
}

// ---- Orders ----

constexpr Column<OS> ordersOwnColumns[] = {
    {"DELNOTENOS", &OS::DELNOTENOS, Optional},
    {"DELNOTEDATES", &OS::DELNOTEDATES, Optional},
    {"DESPATCHDOCNO", &OS::DESPATCHDOCNO, Optional},
    {"DESPATCHEDTHROUGH", &OS::DESPATCHEDTHROUGH, Optional},
    {"DESTINATION", &OS::DESTINATION, Optional},
    {"ORDERNOS", &OS::ORDERNOS, Optional},
    {"ORDERDATES", &OS::ORDERDATES, Optional},
    {"PAYMENTTERMS", &OS::PAYMENTTERMS, Optional},
    {"OTHERREF", &OS::OTHERREF, Optional},
    {"TERMSOFDELIVERY", &OS::TERMSOFDELIVERY, Optional},
    {"CONSIGNEE", &OS::CONSIGNEE, Optional},
    {"CONSIGNEEADDRESS", &OS::CONSIGNEEADDRESS, Optional},
    {"BUYER", &OS::BUYER, Optional},
    {"BUYERADDRESS", &OS::BUYERADDRESS, Optional},
    {"BUYERTINNO", &OS::BUYERTINNO, Optional},
};
constexpr auto ordersColumns = joined(std::to_array(orderLineColumns), std::to_array(ordersOwnColumns));
constexpr std::array<HeaderField<OS>, 2> ordersPartyHeader{{
    {&VoucherRec::PartyLedgerName, &OS::LEDGER},
    {&VoucherRec::BasePartyName, &OS::LEDGER},
}};
constexpr auto ordersHeader = joined(ordersPartyHeader, despatchHeaderFields<OS>());
// Delivery notes, orders, terms and addresses count from 2: their ids advance before each line.
constexpr Counter<OS> ordersCounters[] = {
    {&OS::inEId, "1"}, {&OS::ldEId, "1"}, {&OS::cAId, "0"},  {&OS::iDNId, "1"},
    {&OS::iOLId, "1"}, {&OS::bOTId, "1"}, {&OS::bBAId, "1"}, {&OS::adId, "1"},
};

// The consignee and the buyer are the party ledger unless the voucher's first row names them.
void ordersParties(const OS &state, const VoucherRun &, VoucherRec &header)
{
    header.BasicBuyerName = state.CONSIGNEE.isEmpty() ? state.LEDGER : state.CONSIGNEE;
    header.PartyName = state.BUYER.isEmpty() ? state.LEDGER : state.BUYER;
}

void stageOrderRow(OS &state, VoucherRun &run)
{
    stageOrderDetails(run, state);
    if (isInventoryRow(state.ITEMNAME))
        stageOrderItem(state, run, run.common().VCHNO, QString()); // an order's items belong to the order itself
    else
        stageOrderLedgerRow(state, run);
}

// The location code under which error reports of this type show.
constexpr char locationPostOrders[] = "F01-0047";
constexpr TypeTable<OS> ordersType{locationPostOrders,  all(ordersColumns), all(ordersHeader), all(orderFixedHeader),
                                   all(ordersCounters), stageOrderRow,      ordersParties};

// ---- Delivery and receipt notes ----

constexpr Column<OS> notesOwnColumns[] = {
    {"ORDERNO", &OS::ORDERNO, Optional},
    {"TRACKINGNO", &OS::TRACKINGNO, Optional},
    {"ORDERNOS", &OS::ORDERNOS, Optional},
    {"ORDERDATES", &OS::ORDERDATES, Optional},
};
constexpr auto notesColumns = joined(std::to_array(orderLineColumns), std::to_array(notesOwnColumns));
constexpr HeaderField<OS> notesHeader[] = {
    {&VoucherRec::PartyLedgerName, &OS::LEDGER},
    {&VoucherRec::BasePartyName, &OS::LEDGER},
    {&VoucherRec::BasicBuyerName, &OS::LEDGER},
    {&VoucherRec::PartyName, &OS::LEDGER},
};
// The order-list lines are numbered over the whole run (NotesHandler), the rest within each voucher.
constexpr Counter<OS> notesCounters[] = {
    {&OS::inEId, "1"},
    {&OS::ldEId, "1"},
    {&OS::cAId, "0"},
};

void stageNoteRow(OS &state, VoucherRun &run)
{
    stageOrderLine(run, state);
    if (isInventoryRow(state.ITEMNAME))
        stageOrderItem(state, run, state.ORDERNO, state.TRACKINGNO);
    else
        stageOrderLedgerRow(state, run);
}

// The location code under which error reports of this type show.
constexpr char locationPostNotes[] = "F01-0048";
constexpr TypeTable<OS> notesType{locationPostNotes,     all(notesColumns),  all(notesHeader),
                                  all(orderFixedHeader), all(notesCounters), stageNoteRow};

// The order-list ids start once a run, from 0: the run's first line is 1 and the lines of each later voucher go on
// from the last one.
class NotesHandler final : public TableHandler<OS>
{
public:
    NotesHandler() : TableHandler<OS>(notesType) {}

    void startRun(VoucherRun &run) override
    {
        TableHandler<OS>::startRun(run);
        state().iOLId = QStringLiteral("0");
    }
};

} // namespace

void PostOrders(sources::ImportWindow &window)
{
    postWithTable(window, ordersType);
}

void PostNotes(sources::ImportWindow &window)
{
    NotesHandler handler;
    PostGridVouchers(window, handler);
}

} // namespace vouchers
