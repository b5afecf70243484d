// Voucher registers: every row is a whole voucher, and the amounts of its ledger lines stand side by side in
// columns, each tied to a ledger by a row of the register's map, which the loader has left as the column's tag.

#include "errors/errortrap.h"
#include "sources/numbertext.h"
#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherposting.h"

#include <QStringList>

namespace vouchers {

namespace {

using staging::TaxBillAllocationRec;
using staging::VoucherRec;

// The places of a column tag's pieces: the map row's values, each followed by "|". A piece the tag does not reach
// is empty.
enum Piece
{
    ColumnName,
    LedgerName,
    LedgerSign,
    Order,
    VATClassification,
    VATRate,
    AssessableColumn,
    ServiceTaxOn,
    ServiceTaxRate,
    ServiceTaxColumn,
    CessRate,
    CessColumn,
    SecCessRate,
    SecCessColumn,
    ServiceTaxLedger,
    ExpenseColumn,
};

// The map field of a piece that names a column.
QLatin1String columnField(Piece piece)
{
    switch (piece) {
    case AssessableColumn:
        return QLatin1String("AssessableColumn");
    case ServiceTaxColumn:
        return QLatin1String("ServiceTaxColumn");
    case CessColumn:
        return QLatin1String("CessColumn");
    case SecCessColumn:
        return QLatin1String("SecCessColumn");
    case ExpenseColumn:
        return QLatin1String("ExpenseColumn");
    default:
        return QLatin1String("ColumnName");
    }
}

// A column's tag and the row of the map sheet that gave it.
class Tag
{
public:
    Tag(const QString &tag, int mapRow) : m_pieces(tag.split(QLatin1Char('|'))), m_mapRow(mapRow) {}
    QString operator[](Piece piece) const { return m_pieces.value(piece); }
    int mapRow() const { return m_mapRow; }

private:
    QStringList m_pieces;
    int m_mapRow;
};

// What a register row reads, and the records every line of the run reuses.
struct RegisterState : OrderDetailColumns
{
    QString ID;
    QString LEDGER;
    QString ADJMETHOD;
    QString ADJNAME;
    QString ADJDATE;
    QString ADJAMOUNT;
    QString DESPATCHDOCNO;
    QString DESPATCHEDTHROUGH;
    QString DESTINATION;
    QString PAYMENTTERMS;
    QString OTHERREF;
    QString BUYER;
    QString BUYERTINNO;
    staging::LedgerEntryRec entry;
    staging::BillAllocationRec bill;
    TaxBillAllocationRec taxBill;
};
using RS = RegisterState;

constexpr Column<RS> registerColumns[] = {
    {"ID", &RS::ID},
    {"LEDGER", &RS::LEDGER},
    {"ADJMETHOD", &RS::ADJMETHOD},
    {"ADJNAME", &RS::ADJNAME},
    {"ADJDATE", &RS::ADJDATE},
    {"ADJAMOUNT", &RS::ADJAMOUNT, Required, Amount},
    {"DELNOTENOS", &RS::DELNOTENOS, Optional},
    {"DELNOTEDATES", &RS::DELNOTEDATES, Optional},
    {"DESPATCHDOCNO", &RS::DESPATCHDOCNO, Optional},
    {"DESPATCHEDTHROUGH", &RS::DESPATCHEDTHROUGH, Optional},
    {"DESTINATION", &RS::DESTINATION, Optional},
    {"ORDERNOS", &RS::ORDERNOS, Optional},
    {"ORDERDATES", &RS::ORDERDATES, Optional},
    {"PAYMENTTERMS", &RS::PAYMENTTERMS, Optional},
    {"OTHERREF", &RS::OTHERREF, Optional},
    {"TERMSOFDELIVERY", &RS::TERMSOFDELIVERY, Optional},
    {"BUYER", &RS::BUYER, Optional},
    {"BUYERTINNO", &RS::BUYERTINNO, Optional},
};
constexpr HeaderField<RS> registerHeader[] = {
    {&VoucherRec::PartyLedgerName, &RS::LEDGER},
    {&VoucherRec::BasePartyName, &RS::LEDGER},
    {&VoucherRec::BasicBuyerName, &RS::LEDGER},
    {&VoucherRec::PartyName, &RS::BUYER},
    {&VoucherRec::BasicShipDocumentNo, &RS::DESPATCHDOCNO},
    {&VoucherRec::BasicShippedBy, &RS::DESPATCHEDTHROUGH},
    {&VoucherRec::BasicFinalDestination, &RS::DESTINATION},
    {&VoucherRec::BasicDueDateOfPymt, &RS::PAYMENTTERMS},
    {&VoucherRec::BasicOrderRef, &RS::OTHERREF},
    {&VoucherRec::BasicBuyersSalesTaxNo, &RS::BUYERTINNO},
};
constexpr FixedValue<VoucherRec> registerFixedHeader[] = {
    {&VoucherRec::HasCashFlow, "No"},
    {&VoucherRec::IsInvoice, "No"},
};
// Delivery notes, orders and terms: at most one of each per voucher, with id 2. The address lines never come.
constexpr Counter<RS> registerCounters[] = {
    {&RS::iDNId, "1"}, {&RS::iOLId, "1"}, {&RS::bOTId, "1"}, {&RS::bBAId, "1"}, {&RS::adId, "1"},
};

// The tax bill row: its rates from the tag, its amounts from the columns the tag names.
struct TaxBillPiece
{
    QString TaxBillAllocationRec::*field;
    Piece piece;
};
constexpr TaxBillPiece taxBillRates[] = {
    {&TaxBillAllocationRec::TDSTaxRate, ServiceTaxRate},
    {&TaxBillAllocationRec::TDSSurcharge, CessRate},
    {&TaxBillAllocationRec::STSecondaryCessRate, SecCessRate},
};
constexpr TaxBillPiece taxBillColumns[] = {
    {&TaxBillAllocationRec::SurchargeAmount, ServiceTaxColumn},
    {&TaxBillAllocationRec::AddlSurchargeAmount, CessColumn},
    {&TaxBillAllocationRec::STSecondaryCessAmount, SecCessColumn},
    {&TaxBillAllocationRec::AssessableAmount, AssessableColumn},
    {&TaxBillAllocationRec::ExpenseAmount, ExpenseColumn},
};
constexpr FixedValue<TaxBillAllocationRec> taxBillValues[] = {
    {&TaxBillAllocationRec::IsInputAvail, "No"},          {&TaxBillAllocationRec::IsPureAgentBill, "No"},
    {&TaxBillAllocationRec::TDSAddlSurcharge, ""},        {&TaxBillAllocationRec::AbatementAmount, ""},
    {&TaxBillAllocationRec::AbatementNotificationNo, ""},
};

constexpr char autoLedger[] = "Auto";

// The row's cell of a column the map names, whose number is read: one that is no number keeps the voucher back.
QString numberCell(VoucherRun &run, const QString &key)
{
    const QString cell = run.cellOfKey(key);
    if (!fitsForm(cell, Amount))
        run.refuseNumber(key, cell);
    return cell;
}

// The number in the row's cell of the column a tag piece names, in its shortest form. A piece that names no
// column of the register is a run-time error that names the map row, its ledger and the piece.
QString columnValue(VoucherRun &run, const Tag &tag, Piece piece)
{
    const QString key = tag[piece].toUpper();
    if (key.isEmpty() || !run.hasColumnOfKey(key)) {
        const QString what =
            QStringLiteral("The register map row %1 (%2) names ").arg(tag.mapRow()).arg(tag[LedgerName]) +
            (key.isEmpty() ? QStringLiteral("no %1").arg(columnField(piece))
                           : QStringLiteral("the %1 \"%2\", which the register has no column of")
                                 .arg(columnField(piece), tag[piece]));
        errors::raise(errors::ErrNo::SubscriptOutOfRange, what);
    }
    return sources::NumberText(sources::NumericValue(numberCell(run, key)));
}

// The side of a line by its map sign, "Dr" or "Cr" with blanks and letter case ignored; none for any other.
std::optional<DebitCredit> lineSide(const QString &sign, const QString &amount)
{
    const QString side = sign.trimmed();
    if (side.compare(QLatin1String("Dr"), Qt::CaseInsensitive) == 0)
        return DebitCreditRule(amount, QString());
    if (side.compare(QLatin1String("Cr"), Qt::CaseInsensitive) == 0)
        return DebitCreditRule(QString(), amount);
    return std::nullopt;
}

void stageTaxBill(RS &state, VoucherRun &run, const Tag &tag, const QString &ldEId)
{
    TaxBillAllocationRec &bill = state.taxBill;
    bill.Name = state.ADJNAME;
    bill.BillType = state.ADJMETHOD;
    bill.Amount = state.ADJAMOUNT;
    for (const TaxBillPiece &rate : taxBillRates)
        bill.*(rate.field) = tag[rate.piece];
    for (const TaxBillPiece &column : taxBillColumns)
        bill.*(column.field) = columnValue(run, tag, column.piece);
    assignFixedValues(bill, all(taxBillValues));
    run.store().SaveTaxBillAllocation(run.company(), bill, run.vchId(), ldEId, QStringLiteral("1"));
}

// The line of one mapped column, with its bill or tax bill row. False when its sign is neither Dr nor Cr: the
// voucher is refused, naming the column.
bool stageMappedColumn(RS &state, VoucherRun &run, const Tag &tag)
{
    const bool party = tag[LedgerName] == QLatin1String(autoLedger);
    const QString amount = cellInForm(numberCell(run, party ? QStringLiteral("TOTALAMOUNT") : tag[ColumnName]), Amount);
    if (!isNonZero(amount))
        return true;
    const std::optional<DebitCredit> side = lineSide(tag[LedgerSign], amount);
    if (!side) {
        run.refuseVoucher(QStringLiteral("ERROR: the sign \"") + tag[LedgerSign] + QStringLiteral("\" of column ") +
                          tag[ColumnName] + QStringLiteral(" is neither Dr nor Cr; the voucher was not sent"));
        return false;
    }

    const QString ldEId = tag[Order];
    staging::LedgerEntryRec &entry = state.entry;
    entry.LedgerName = party ? state.LEDGER : tag[LedgerName];
    entry.LedgerFromItem = QStringLiteral("No");
    entry.RemoveZeroEntries = QStringLiteral("No");
    entry.IsPartyLedger = party ? QStringLiteral("Yes") : QStringLiteral("No");
    entry.Amount = side->amount;
    entry.IsDeemedPositive = side->isDeemedPositive;
    entry.BasicRateOfInvoiceTax = tag[VATRate];
    const bool vatLine = !tag[VATClassification].isEmpty();
    entry.TaxClassificationName = vatLine ? tag[VATClassification] : QString();
    entry.VATAssessableValue = vatLine ? columnValue(run, tag, AssessableColumn) : QString();
    run.store().SaveLedgerEntry(run.company(), entry, run.vchId(), ldEId);

    if (!vatLine && !tag[ServiceTaxOn].isEmpty()) {
        stageTaxBill(state, run, tag, ldEId);
        return true;
    }
    staging::BillAllocationRec &bill = state.bill;
    bill.Name = state.ADJNAME;
    bill.BillCreditPeriod = state.ADJDATE;
    bill.BillType = state.ADJMETHOD;
    bill.Amount = party ? signedAmount(side->signPrefix, state.ADJAMOUNT) : entry.Amount;
    // A VAT line's bill names no service-tax ledger, whatever an earlier line's named.
    bill.ServiceTaxLedger = vatLine ? QString() : tag[ServiceTaxLedger];
    run.store().SaveBillAllocation(run.company(), bill, run.vchId(), ldEId, QStringLiteral("1"));
    return true;
}

void stageRegisterRow(RS &state, VoucherRun &run)
{
    stageOrderDetails(run, state);
    const int columns = run.columnCount();
    for (int column = 1; column <= columns; ++column) {
        const QString tag = run.columnTag(column);
        if (tag.contains(QLatin1Char('|')) && !stageMappedColumn(state, run, Tag(tag, run.columnTagRow(column))))
            return;
    }
}

// The location code under which error reports of this type show.
constexpr char locationPostVoucherRegister[] = "F01-0026";
constexpr TypeTable<RS> registerType{locationPostVoucherRegister, all(registerColumns),  all(registerHeader),
                                     all(registerFixedHeader),    all(registerCounters), stageRegisterRow};

// Every row with an ID and a ledger is a voucher of its own, posted at once and marked as a master is.
class RegisterHandler final : public TableHandler<RS>
{
public:
    RegisterHandler() : TableHandler<RS>(registerType) {}

    Grouping grouping() const override { return Grouping::EachRow; }
    bool holdsVoucher(VoucherRun &) override { return !state().ID.isEmpty() && !state().LEDGER.isEmpty(); }
};

} // namespace

void PostVoucherRegister(sources::ImportWindow &window)
{
    RegisterHandler handler;
    PostGridVouchers(window, handler);
}

} // namespace vouchers
