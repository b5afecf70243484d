#include "app/importtypedispatch.h"

#include "masters/masterposting.h"
#include "sources/importtypes.h"
#include "vouchers/voucherposting.h"

namespace app {

namespace {

struct PostingFunction
{
    QLatin1String name;
    PostingProcedure procedure;
};

// The functions of the procedures the import-type table names. A type the table gives no procedure posts
// nothing, as the purchase registers that the listing offers.
constexpr PostingFunction postingFunctions[] = {
    {QLatin1String("PostLedgers"), &masters::PostLedgers},
    {QLatin1String("PostLedgerGroups"), &masters::PostLedgerGroups},
    {QLatin1String("PostUnits"), &masters::PostUnits},
    {QLatin1String("PostGodowns"), &masters::PostGodowns},
    {QLatin1String("PostStockGroups"), &masters::PostStockGroups},
    {QLatin1String("PostStockCategories"), &masters::PostStockCategories},
    {QLatin1String("PostStockItems"), &masters::PostStockItems},
    {QLatin1String("PostCostCategories"), &masters::PostCostCategories},
    {QLatin1String("PostCostCentres"), &masters::PostCostCentres},
    {QLatin1String("PostTransaction"), &vouchers::PostTransaction},
    {QLatin1String("PostQuickTransaction"), &vouchers::PostQuickTransaction},
    {QLatin1String("PostTDSTransaction"), &vouchers::PostTDSTransaction},
    {QLatin1String("PostServTaxTransaction"), &vouchers::PostServTaxTransaction},
    {QLatin1String("PostItemizedTransaction"), &vouchers::PostItemizedTransaction},
    {QLatin1String("PostVATTransaction"), &vouchers::PostVATTransaction},
    {QLatin1String("PostVATTransactionMC"), &vouchers::PostVATTransactionMC},
    {QLatin1String("PostCostTransaction"), &vouchers::PostCostTransaction},
    {QLatin1String("PostOrders"), &vouchers::PostOrders},
    {QLatin1String("PostNotes"), &vouchers::PostNotes},
    {QLatin1String("PostVoucherRegister"), &vouchers::PostVoucherRegister},
    {QLatin1String("PostSTTDSTransaction"), &vouchers::PostSTTDSTransaction},
    {QLatin1String("PostCrDrNotes"), &vouchers::PostCrDrNotes},
    {QLatin1String("PostStockJV"), &vouchers::PostStockJV},
    {QLatin1String("PostPhysicalStock"), &vouchers::PostPhysicalStock},
};

PostingProcedure functionOf(QLatin1String procedureName)
{
    for (const PostingFunction &function : postingFunctions) {
        if (function.name == procedureName)
            return function.procedure;
    }
    return nullptr;
}

} // namespace

std::optional<PostingRoute> findPostingRoute(const QString &importType)
{
    const sources::ImportType *type = sources::findImportType(importType);
    if (!type || type->postingProcedure.isEmpty())
        return std::nullopt;
    return PostingRoute{QString(type->postingProcedure), functionOf(type->postingProcedure)};
}

bool ImportTypeDispatch(const QString &importType, sources::ImportWindow &window)
{
    const std::optional<PostingRoute> route = findPostingRoute(importType);
    if (!route || !route->procedure)
        return false;
    route->procedure(window);
    return true;
}

} // namespace app
