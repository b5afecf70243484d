#pragma once

#include "staging/stagingrecords.h"
#include "vouchers/tablehandler.h"

#include <QString>

// The batch rows the stock import types (stock journals, physical stock) stage under their items: where an item
// lies or was counted, in which batch, and how much of it. A type's state takes StockBatchColumns as a base.
namespace vouchers {

struct StockBatchColumns
{
    QString ITEMNAME;
    QString GODOWNNAME;
    QString BATCHNAME;
    QString MFDDATE;
    QString EXPIRYPERIOD;
    QString BATCHQUANTITY;
    QString BATCHUNIT;
    QString inEId; // the inventory entry id of the voucher's item staged last
    QString baAId; // the batch rows of that item
    staging::BatchAllocationRec batch;
};

// The columns of the batch rows, all but ITEMNAME optional.
inline constexpr Column<StockBatchColumns> stockBatchColumns[] = {
    {"ITEMNAME", &StockBatchColumns::ITEMNAME},
    {"GODOWNNAME", &StockBatchColumns::GODOWNNAME, Optional},
    {"BATCHNAME", &StockBatchColumns::BATCHNAME, Optional},
    {"MFDDATE", &StockBatchColumns::MFDDATE, Optional},
    {"EXPIRYPERIOD", &StockBatchColumns::EXPIRYPERIOD, Optional},
    {"BATCHQUANTITY", &StockBatchColumns::BATCHQUANTITY, Optional, Amount},
    {"BATCHUNIT", &StockBatchColumns::BATCHUNIT, Optional},
};

// The quantity of a batch row: BATCHQUANTITY, a blank and BATCHUNIT.
QString batchQuantity(const StockBatchColumns &row);

// When the row names a godown (a text of blanks is a name), a batch row under the item staged last, numbered on
// within it: the godown, batch, dates and quantity the row gives; the fields a type sets alone are set beforehand.
// A godown named before the voucher's first item, whose inventory entry id still holds noItemId, belongs to no
// item: the voucher is refused rather than posted without it.
void stageStockBatch(VoucherRun &run, StockBatchColumns &row, const char *noItemId);

} // namespace vouchers
