#include "sources/importtypes.h"

#include <algorithm>
#include <iterator>

namespace sources {

namespace {

using L = QLatin1String;

struct ImportTypeName
{
    QLatin1String accepted;
    // Empty: the entry is the name itself.
    QLatin1String entry;
};

// The table's rows in their order, one line per accepted name; no name is accepted by two rows.
constexpr ImportTypeName ImportTypeTable[] = {
    {L("TRANSACTIONS"), L("TRANSACTIONS")},
    {L("H_TRANSACTIONS"), L("TRANSACTIONS")},
    {L("QUICKTRANSACTIONS"), L("QUICKTRANSACTIONS")},
    {L("SERVICETAXTRANSACTIONS"), L("SERVICETAXTRANSACTIONS")},
    {L("TDSTRANSACTIONS"), L("TDSTRANSACTIONS")},
    {L("STTDSTRANSACTIONS"), L("STTDSTRANSACTIONS")},
    {L("VATTRANSACTIONS"), L("VATTRANSACTIONS")},
    {L("VATTRANSACTIONSMC"), L("VATTRANSACTIONSMC")},
    {L("ORDERS"), L("ORDERS")},
    {L("NOTES"), L("NOTES")},
    {L("PHYSICALSTOCK"), L("PHYSICALSTOCK")},
    {L("STOCKJV"), L("STOCKJV")},
    {L("CRDRNOTES"), L("CRDRNOTES")},
    {L("ITEMTRANSACTIONS"), L("ITEM TRANSACTIONS")},
    {L("I_TRANSACTIONS"), L("ITEM TRANSACTIONS")},
    {L("ITEM TRANSACTIONS"), L("ITEM TRANSACTIONS")},
    {L("COSTTRANSACTIONS"), L("COST TRANSACTIONS")},
    {L("C_TRANSACTIONS"), L("COST TRANSACTIONS")},
    {L("COST TRANSACTIONS"), L("COST TRANSACTIONS")},
    {L("LEDGER GROUPS"), L("LEDGER GROUPS")},
    {L("LEDGERGROUPS"), L("LEDGER GROUPS")},
    {L("LEDGERS"), L("LEDGERS")},
    {L("UNITS"), L("UNITS")},
    {L("GODOWNS"), L("GODOWNS")},
    {L("STOCK GROUPS"), L("STOCK GROUPS")},
    {L("STOCKGROUPS"), L("STOCK GROUPS")},
    {L("STOCK CATEGORIES"), L("STOCK CATEGORIES")},
    {L("STOCKCATEGORIES"), L("STOCK CATEGORIES")},
    {L("STOCK ITEMS"), L("STOCK ITEMS")},
    {L("STOCKITEMS"), L("STOCK ITEMS")},
    {L("COST CATEGORIES"), L("COST CATEGORIES")},
    {L("COSTCATEGORIES"), L("COST CATEGORIES")},
    {L("COST CENTRES"), L("COST CENTRES")},
    {L("COSTCENTRES"), L("COST CENTRES")},
    {L("SALE REGISTER"), L()},
    {L("SALEREGISTER"), L()},
    {L("PURCHASE REGISTER"), L()},
    {L("PURCHASEREGISTER"), L()},
    {L("V_TRANSACTIONS"), L()},
    {L("VOUCHERREGISTER"), L()},
    {L("VOUCHER REGISTER"), L()},
};

constexpr QLatin1String generalVoucherTypes[] = {
    L("PHYSICALSTOCK"),
    L("CRDRNOTES"),
    L("STOCKJV"),
    L("NOTES"),
    L("ORDERS"),
    L("TRANSACTIONS"),
    L("QUICKTRANSACTIONS"),
    L("STTDSTRANSACTIONS"),
    L("TDSTRANSACTIONS"),
    L("SERVICETAXTRANSACTIONS"),
    L("VATTRANSACTIONS"),
    L("VATTRANSACTIONSMC"),
    L("H_TRANSACTIONS"),
    L("ITEM TRANSACTIONS"),
    L("I_TRANSACTIONS"),
    L("COST TRANSACTIONS"),
    L("C_TRANSACTIONS"),
};

constexpr QLatin1String masterTypes[] = {
    L("LEDGER GROUPS"),    L("LEDGERS"),     L("UNITS"),        L("GODOWNS"),         L("STOCK GROUPS"),
    L("STOCK CATEGORIES"), L("STOCK ITEMS"), L("COST CENTRES"), L("COST CATEGORIES"),
};

constexpr QLatin1String registerTypes[] = {
    L("SALE REGISTER"), L("SALEREGISTER"), L("V_TRANSACTIONS"), L("VOUCHERREGISTER"), L("VOUCHER REGISTER"),
};


constexpr QLatin1String fillDownTypes[] = {
    L("ITEMTRANSACTIONS"),
    L("COSTTRANSACTIONS"),
    L("TRANSACTIONS"),
    L("QUICKTRANSACTIONS"),
    L("TDSTRANSACTIONS"),
    L("STTDSTRANSACTIONS"),
    L("SERVICETAXTRANSACTIONS"),
    L("VATTRANSACTIONS"),
    L("VATTRANSACTIONSMC"),
    L("ORDERS"),
    L("NOTES"),
    L("STOCKJV"),
    L("CRDRNOTES"),
    L("PHYSICALSTOCK"),
};

template <std::size_t N> bool contains(const QLatin1String (&names)[N], const QString &text)
{
    return std::any_of(std::begin(names), std::end(names), [&](QLatin1String name) { return text == name; });
}

} // namespace

std::optional<QString> importTypeEntry(const QString &normalisedName)
{
    for (const ImportTypeName &row : ImportTypeTable) {
        if (normalisedName == row.accepted)
            return row.entry.isEmpty() ? normalisedName : QString(row.entry);
    }
    return std::nullopt;
}

LoadRoute loadRoute(const QString &listTextUpper)
{
    if (listTextUpper == QString(SelectImportTypeText).toUpper())
        return LoadRoute::Placeholder;
    if (contains(generalVoucherTypes, listTextUpper) || contains(masterTypes, listTextUpper))
        return LoadRoute::General;
    if (contains(registerTypes, listTextUpper))
        return LoadRoute::Register;
    return LoadRoute::Unknown;
}

bool readsInVoucherOrder(const QString &listTextUpper)
{
    // Every general voucher type is read in voucher order but C_TRANSACTIONS.
    return listTextUpper != QLatin1String("C_TRANSACTIONS") && contains(generalVoucherTypes, listTextUpper);
}

bool receivesVoucherFillDown(const QString &importType)
{
    return contains(fillDownTypes, importType);
}

QString removeBlanks(const QString &text)
{
    return QString(text).remove(QLatin1Char(' '));
}

} // namespace sources
