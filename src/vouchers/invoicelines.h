#pragma once

#include "staging/stagingrecords.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherlines.h"
#include "vouchers/vouchernumbers.h"

#include <QString>

#include <array>

// The lines the invoice import types (VAT invoices, foreign-currency VAT invoices, orders, notes) stage alike: item
// lines with their allocation and batch row, ledger lines with their bill and cost rows, and the voucher's
// delivery notes, order numbers, terms and addresses. A type's state takes InvoiceColumns and, where it has them,
// OrderDetailColumns as bases; it sets its own fields of a record before handing it to a helper here, which sets
// the fields the types share and writes the row.
namespace vouchers {

struct InvoiceColumns : LedgerColumns, BillColumns, CostColumns
{
    QString ITEMNAME;
    QString QUANTITY;
    QString UNIT;
    QString RATE;
    QString GODOWNNAME;
    QString TAXCLASSIFICATION;
    QString inEId; // the inventory entry id of the voucher
    staging::InventoryEntryRec item;
    staging::AccountingAllocationRec allocation;
    staging::BatchAllocationRec batch;
};

// The value of an item line or a ledger line as a type states it: the amount text, the item's rate text, and the
// line's side.
struct LineValue
{
    QString amount;
    QString rate;             // item lines only
    QString isDeemedPositive; // "Yes" for a debit, "No" for a credit
    QString signPrefix;       // "-" for a debit, "" for a credit
};

// The row's value by DebitCreditRule, with the item's rate as RATE per UNIT.
LineValue plainLineValue(const InvoiceColumns &row);

// QUANTITY and UNIT, as the quantities of an item line and of its batch row read.
QString quantityText(const InvoiceColumns &row);

// An item line: the inventory entry, the accounting allocation that books its value to LEDGER and the batch row
// that places its quantity, all under the current inventory entry id, which then advances. The type's own
// fields of the allocation (its tax values) and of the batch row (godown, batch, order and tracking numbers) are
// set beforehand.
void stageItemLine(VoucherRun &run, InvoiceColumns &row, const LineValue &value);

// Fills the ledger entry of the row's LEDGER with its value, side and tax classification and keeps the line's
// sign prefix for the rows under it. The party line is the voucher's first ledger entry.
void fillInvoiceLedgerEntry(InvoiceColumns &row, const LineValue &value, bool partyLine);

// A bill row of ADJNAME under the ledger entry with that id, of ADJMETHOD and the credit period ADJDATE; the
// type's own fields of the bill are set beforehand.
void stageInvoiceBill(VoucherRun &run, BillColumns &row, const QString &ldEId, const QString &biAId,
                      const QString &amount);

// A cost-centre row under the ledger entry with that id, when COSTCENTRE holds more than blanks; the category
// defaults as stageCostRow says.
void stageNamedCostRow(VoucherRun &run, CostColumns &row, const QString &ldEId, const QString &amount);

// The lines any row of an invoice may add to its voucher, each numbered within its kind by an id advanced before
// the line is written.
struct OrderDetailColumns
{
    QString DELNOTENOS;
    QString DELNOTEDATES;
    QString ORDERNOS;
    QString ORDERDATES;
    QString TERMSOFDELIVERY;
    QString CONSIGNEEADDRESS;
    QString BUYERADDRESS;
    QString iDNId; // delivery-note lines
    QString iOLId; // order-list lines
    QString bOTId; // order-terms lines
    QString bBAId; // consignee address lines
    QString adId;  // buyer (party) address lines
    staging::InvoiceDelNoteRec delNote;
    staging::InvoiceOrderRec order;
};

// An order-list line, when the row gives both ORDERNOS and ORDERDATES.
void stageOrderLine(VoucherRun &run, OrderDetailColumns &row);

// In this order, each when the row gives it: a delivery-note line (DELNOTENOS and DELNOTEDATES), an order-list
// line, an order-terms line, a consignee address line and a buyer address line. A text of blanks counts as given.
void stageOrderDetails(VoucherRun &run, OrderDetailColumns &row);

// The despatch, payment and buyer details of the header of an invoice or an order, as its first row gives them.
struct DespatchColumns
{
    QString DESPATCHDOCNO;
    QString DESPATCHEDTHROUGH;
    QString DESTINATION;
    QString PAYMENTTERMS;
    QString OTHERREF;
    QString CONSIGNEE;
    QString BUYER;
    QString BUYERTINNO;
};

// The header fields that take the despatch, payment and tax-number details as they stand.
template <typename State> constexpr std::array<HeaderField<State>, 6> despatchHeaderFields()
{
    return {{{&staging::VoucherRec::BasicShipDocumentNo, &State::DESPATCHDOCNO},
             {&staging::VoucherRec::BasicShippedBy, &State::DESPATCHEDTHROUGH},
             {&staging::VoucherRec::BasicFinalDestination, &State::DESTINATION},
             {&staging::VoucherRec::BasicDueDateOfPymt, &State::PAYMENTTERMS},
             {&staging::VoucherRec::BasicOrderRef, &State::OTHERREF},
             {&staging::VoucherRec::BasicBuyersSalesTaxNo, &State::BUYERTINNO}}};
}

// An invoice in a foreign currency states each amount in the voucher currency, at the exchange rate, and in the
// base currency. The three values are as the row reads them: the currency texts as they stand, the rate in
// AmountFormat.
struct Currencies
{
    QString voucher; // VCHCURRENCY
    QString base;    // BASECURRENCY
    QString rate;    // EXCHANGERATE
};

// The number an amount text stands for in the base currency: its leading number times the rate's, with at most
// 15 significant digits, no trailing zeros and never an exponent (10 at 2.500 gives 25). A product beyond what a
// double holds is a run-time error.
QString baseAmount(const Currencies &currencies, const QString &amount);

// An amount with its side: "USD10.000 @ INR2.500/USD = INR 25", or on a debit (sign prefix "-")
// "-USD10.000 @ INR2.500/USD = -INR 25". The sign negates the amount's number as signedAmount does, so a
// negative debit amount is written without any sign. Empty currencies leave nothing in their place.
QString ForexAmountText(const Currencies &currencies, const QString &amount, const QString &signPrefix);

// An item's rate per unit: "USD4.000 = INR 10/Nos". It carries no sign.
QString ForexRateText(const Currencies &currencies, const QString &rate, const QString &unit);

} // namespace vouchers
