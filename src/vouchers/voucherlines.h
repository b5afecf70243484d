#pragma once

#include "staging/stagingrecords.h"
#include "vouchers/voucherrun.h"

#include <QString>

// The lines most voucher import types stage alike: ledger entries with their bill and cost-centre rows. A type's
// state takes these as bases, so that its column tables can name their members.
namespace vouchers {

// The header of a voucher made of ledger lines: it moves cash, and is no invoice whatever its type.
inline constexpr FixedValue<staging::VoucherRec> cashFlowHeader[] = {
    {&staging::VoucherRec::HasCashFlow, "Yes"},
    {&staging::VoucherRec::IsInvoice, "No"},
};

struct LedgerColumns
{
    QString LEDGER;
    QString DEBIT;
    QString CREDIT;
    QString ldEId;      // the ledger entry id of the voucher
    QString signPrefix; // of the ledger line staged last
    staging::LedgerEntryRec entry;
};

struct BillColumns
{
    QString ADJMETHOD;
    QString ADJNAME;
    QString ADJDATE;
    QString ADJAMOUNT;
    staging::BillAllocationRec bill;
};

struct CostColumns
{
    QString COSTCATEGORY;
    QString COSTCENTRE;
    QString COSTAMOUNT;
    QString cAId; // the cost-row id, counted over the whole voucher
    staging::CategoryAllocationRec cost;
};

// A service-tax bill's values: the assessable amount, the tax and its two cesses.
struct ServiceTaxColumns
{
    QString SERVICETAXLEDGER;
    QString ASSESSABLEAMT;
    QString SERVICETAX;
    QString CESS;
    QString SECCESS;
    staging::TaxBillAllocationRec taxBill;
};

// A bill's TDS deduction: the TDS ledger and a special rate of deduction.
struct TdsColumns
{
    QString TDSLEDGER;
    QString TDSRATE;
    QString ISSPECIALRATE;
};

// Whether a row of an item import type is an item line (InventoryRow) rather than a ledger line (LedgerRow): its
// ITEMNAME holds more than blanks.
bool isInventoryRow(const QString &itemName);

// Fills a ledger line of the row's LEDGER, DEBIT and CREDIT by DebitCreditRule; the voucher's first line (entry
// id 1) is its party line. Keeps the line's sign prefix.
void fillLedgerLine(LedgerColumns &line);

// The bill amount under the line's sign: ADJAMOUNT formatted once more, negated on a debit line.
QString signedBillAmount(const LedgerColumns &line, const BillColumns &bill);

// A service-tax bill of ADJNAME under the ledger entry with that id, at the tax rate given, each amount under the
// line's sign prefix.
void stageServiceTaxBill(VoucherRun &run, const BillColumns &bill, ServiceTaxColumns &tax, const QString &ldEId,
                         const QString &tBiAId, const QString &rate, const QString &signPrefix);

// The TDS fields of a bill: the row's TDS ledger, rate and special-rate flag; a special rate ("Yes", exactly)
// deducts under section 197.
void fillTdsDeduction(staging::BillAllocationRec &bill, const TdsColumns &tds);

// Keep the voucher from the server for a row whose part (an amount, a bill, a cost centre) has no ledger line to
// go under, so that it would be left out of the voucher: "row N gives a bill but no ledger line stands above it
// in its voucher" when the voucher has no line yet, "... but no LEDGER, and a row without one adds only ..." when
// the type continues the line above with other parts only, "... to a ledger line of no amount, which the voucher
// leaves out" when the line it belongs to is left out.
void refuseWithoutLineAbove(VoucherRun &run, const char *part);
void refuseWithoutLedger(VoucherRun &run, const char *part, const char *continuation);
void refuseUnderLineOfNoAmount(VoucherRun &run, const char *part);
// A row without a ledger of a type that adds only its cost centre to the line above: refuses the voucher, and says
// so, when the row gives a bill, or a cost centre while no line stands above it.
bool refusedCostContinuation(VoucherRun &run, const QString &billName, const QString &costCentre, bool lineAbove);

// A cost-centre row of the ledger entry with that id, when the row names a cost centre (compared exactly: a
// centre of blanks is one); the category defaults to "Primary Cost Category", and that default stands until the
// column is read again.
void stageCostRow(VoucherRun &run, CostColumns &cost, const QString &ldEId, const QString &amount);

} // namespace vouchers
