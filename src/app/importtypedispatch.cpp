#include "app/importtypedispatch.h"

#include "masters/masterposting.h"

namespace app {

namespace {

QStringList keywords(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << QLatin1String(text);
    return list;
}

QList<PostingRoute> makeRoutes()
{
    // The voucher procedures join this table as they are written; until then their keywords post nothing,
    // like the purchase registers that the listing offers and no row names.
    return {
        {keywords({"LEDGERS"}), QStringLiteral("PostLedgers"), &masters::PostLedgers},
        {keywords({"TRANSACTIONS", "H_TRANSACTIONS"}), QStringLiteral("PostTransaction"), nullptr},
        {keywords({"QUICKTRANSACTIONS"}), QStringLiteral("PostQuickTransaction"), nullptr},
        {keywords({"TDSTRANSACTIONS"}), QStringLiteral("PostTDSTransaction"), nullptr},
        {keywords({"STTDSTRANSACTIONS"}), QStringLiteral("PostSTTDSTransaction"), nullptr},
        {keywords({"VATTRANSACTIONS"}), QStringLiteral("PostVATTransaction"), nullptr},
        {keywords({"VATTRANSACTIONSMC"}), QStringLiteral("PostVATTransactionMC"), nullptr},
        {keywords({"ORDERS"}), QStringLiteral("PostOrders"), nullptr},
        {keywords({"NOTES"}), QStringLiteral("PostNotes"), nullptr},
        {keywords({"PHYSICALSTOCK"}), QStringLiteral("PostPhysicalStock"), nullptr},
        {keywords({"STOCKJV"}), QStringLiteral("PostStockJV"), nullptr},
        {keywords({"CRDRNOTES"}), QStringLiteral("PostCrDrNotes"), nullptr},
        {keywords({"SERVICETAXTRANSACTIONS"}), QStringLiteral("PostServTaxTransaction"), nullptr},
        {keywords({"ITEM TRANSACTIONS", "I_TRANSACTIONS"}), QStringLiteral("PostItemizedTransaction"), nullptr},
        {keywords({"COST TRANSACTIONS", "C_TRANSACTIONS"}), QStringLiteral("PostCostTransaction"), nullptr},
        {keywords({"LEDGER GROUPS"}), QStringLiteral("PostLedgerGroups"), &masters::PostLedgerGroups},
        {keywords({"UNITS"}), QStringLiteral("PostUnits"), &masters::PostUnits},
        {keywords({"GODOWNS"}), QStringLiteral("PostGodowns"), &masters::PostGodowns},
        {keywords({"STOCK GROUPS"}), QStringLiteral("PostStockGroups"), &masters::PostStockGroups},
        {keywords({"STOCK CATEGORIES"}), QStringLiteral("PostStockCategories"), &masters::PostStockCategories},
        {keywords({"STOCK ITEMS"}), QStringLiteral("PostStockItems"), &masters::PostStockItems},
        {keywords({"COST CATEGORIES"}), QStringLiteral("PostCostCategories"), &masters::PostCostCategories},
        {keywords({"COST CENTRES"}), QStringLiteral("PostCostCentres"), &masters::PostCostCentres},
        {keywords({"SALE REGISTER", "SALEREGISTER", "V_TRANSACTIONS", "VOUCHERREGISTER", "VOUCHER REGISTER"}),
         QStringLiteral("PostVoucherRegister"), nullptr},
    };
}

} // namespace

const QList<PostingRoute> &postingRoutes()
{
    static const QList<PostingRoute> routes = makeRoutes();
    return routes;
}

const PostingRoute *findPostingRoute(const QString &importType)
{
    for (const PostingRoute &route : postingRoutes()) {
        if (route.keywords.contains(importType))
            return &route;
    }
    return nullptr;
}

bool ImportTypeDispatch(const QString &importType, sources::ImportWindow &window)
{
    const PostingRoute *route = findPostingRoute(importType);
    if (!route || !route->procedure)
        return false;
    route->procedure(window);
    return true;
}

} // namespace app
