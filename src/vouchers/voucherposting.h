#pragma once

#include "sources/importtypes.h"

// The posting procedures of the voucher import types: each is the voucher posting run with its type's row
// handler.
namespace vouchers {

// "TRANSACTIONS" and "H_TRANSACTIONS": one ledger line per row, with a bill reference.
void PostTransaction(sources::ImportWindow &window);
// "QUICKTRANSACTIONS": a debit and a credit line per row, with bills and cost centres.
void PostQuickTransaction(sources::ImportWindow &window);
// "TDSTRANSACTIONS": ledger lines whose bills carry TDS details.
void PostTDSTransaction(sources::ImportWindow &window);
// "SERVICETAXTRANSACTIONS": ledger lines with service-tax bills.
void PostServTaxTransaction(sources::ImportWindow &window);
// "ITEM TRANSACTIONS" and "I_TRANSACTIONS": item lines and ledger lines of invoices.
void PostItemizedTransaction(sources::ImportWindow &window);
// "VATTRANSACTIONS": invoices of item and ledger lines with VAT details, despatch and order details.
void PostVATTransaction(sources::ImportWindow &window);
// "VATTRANSACTIONSMC": VAT invoices whose amounts are in a foreign currency at an exchange rate.
void PostVATTransactionMC(sources::ImportWindow &window);
// "COST TRANSACTIONS" and "C_TRANSACTIONS": ledger lines with a bill and cost-centre rows.
void PostCostTransaction(sources::ImportWindow &window);
// "ORDERS": orders of item and ledger lines with delivery notes, order numbers, terms, consignee and buyer.
void PostOrders(sources::ImportWindow &window);
// "NOTES": delivery and receipt notes of item and ledger lines, their batches bound to orders.
void PostNotes(sources::ImportWindow &window);
// "SALE REGISTER", "SALEREGISTER", "V_TRANSACTIONS", "VOUCHERREGISTER" and "VOUCHER REGISTER": one voucher per row,
// its ledger lines in the columns the register's map names.
void PostVoucherRegister(sources::ImportWindow &window);
// "STTDSTRANSACTIONS": ledger lines with service-tax bills or TDS bills, and cost centres.
void PostSTTDSTransaction(sources::ImportWindow &window);
// "CRDRNOTES": credit and debit notes, a ledger line and its bill per row, the first line the party's.
void PostCrDrNotes(sources::ImportWindow &window);
// "STOCKJV": stock journals, items moved into stock and out of it, with their batch rows.
void PostStockJV(sources::ImportWindow &window);
// "PHYSICALSTOCK": counted quantities of stock items, with a batch row per godown counted.
void PostPhysicalStock(sources::ImportWindow &window);

// The posting procedure of each voucher type, under the type's first keyword in the import-type table; its other
// keywords post by the same procedure.
inline constexpr sources::PostingHandler voucherHandlers[] = {
    {QLatin1String("TRANSACTIONS"), &PostTransaction},
    {QLatin1String("QUICKTRANSACTIONS"), &PostQuickTransaction},
    {QLatin1String("TDSTRANSACTIONS"), &PostTDSTransaction},
    {QLatin1String("STTDSTRANSACTIONS"), &PostSTTDSTransaction},
    {QLatin1String("VATTRANSACTIONS"), &PostVATTransaction},
    {QLatin1String("VATTRANSACTIONSMC"), &PostVATTransactionMC},
    {QLatin1String("ORDERS"), &PostOrders},
    {QLatin1String("NOTES"), &PostNotes},
    {QLatin1String("PHYSICALSTOCK"), &PostPhysicalStock},
    {QLatin1String("STOCKJV"), &PostStockJV},
    {QLatin1String("CRDRNOTES"), &PostCrDrNotes},
    {QLatin1String("SERVICETAXTRANSACTIONS"), &PostServTaxTransaction},
    {QLatin1String("ITEM TRANSACTIONS"), &PostItemizedTransaction},
    {QLatin1String("COST TRANSACTIONS"), &PostCostTransaction},
    {QLatin1String("SALE REGISTER"), &PostVoucherRegister},
};

} // namespace vouchers
