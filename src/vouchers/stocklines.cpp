#include "vouchers/stocklines.h"

#include "staging/stagingstore.h"
#include "vouchers/vouchernumbers.h"

namespace vouchers {

QString batchQuantity(const StockBatchColumns &row)
{
    return row.BATCHQUANTITY + QLatin1Char(' ') + row.BATCHUNIT;
}

void stageStockBatch(VoucherRun &run, StockBatchColumns &row, const char *noItemId)
{
    if (row.GODOWNNAME.isEmpty())
        return;
    if (row.inEId == QLatin1String(noItemId)) {
        run.refuseRow(QStringLiteral("names the godown \"%1\" before any item of the voucher").arg(row.GODOWNNAME));
        return;
    }
    row.baAId = NextCounter(row.baAId);
    row.batch.GodownName = row.GODOWNNAME;
    row.batch.BatchName = row.BATCHNAME;
    row.batch.MFDOn = row.MFDDATE;
    row.batch.ExpiryPeriod = row.EXPIRYPERIOD;
    row.batch.ActualQty = batchQuantity(row);
    run.store().SaveBatchAllocation(run.company(), row.batch, run.vchId(), row.inEId, row.baAId);
}

} // namespace vouchers
