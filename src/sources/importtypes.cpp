#include "sources/importtypes.h"

namespace sources {

namespace {

using L = QLatin1String;
constexpr Reading Stored = Reading::AsStored;
constexpr Reading Ordered = Reading::VoucherOrder;
constexpr Reading Filled = Reading::FilledVoucherOrder;
constexpr LoadRoute General = LoadRoute::General;

// The spaced and the unspaced form of a keyword name the same sheet; only the entry the list shows, and the
// dispatch, go by the spaced one. The masters' and the vouchers' tables of posting procedures name each type
// that loads by its first keyword. The second keywords of the plain, itemized and cost transactions are older
// sheet names: they are sorted (but for C_TRANSACTIONS) and never filled down.
constexpr ImportType ImportTypeTable[] = {
    {{{{L("LEDGERS")}}}, General, false},
    {{{{L("TRANSACTIONS"), Filled}, {L("H_TRANSACTIONS"), Ordered}}}, General, false},
    {{{{L("QUICKTRANSACTIONS"), Filled}}}, General, false},
    {{{{L("TDSTRANSACTIONS"), Filled}}}, General, false},
    {{{{L("STTDSTRANSACTIONS"), Filled}}}, General, false},
    {{{{L("VATTRANSACTIONS"), Filled}}}, General, false},
    {{{{L("VATTRANSACTIONSMC"), Filled}}}, General, false},
    {{{{L("ORDERS"), Filled}}}, General, false},
    {{{{L("NOTES"), Filled}}}, General, false},
    {{{{L("PHYSICALSTOCK"), Filled}}}, General, false},
    {{{{L("STOCKJV"), Filled}}}, General, false},
    {{{{L("CRDRNOTES"), Filled}}}, General, false},
    {{{{L("SERVICETAXTRANSACTIONS"), Filled}}}, General, false},
    {{{{L("ITEM TRANSACTIONS"), Filled}, {L("I_TRANSACTIONS"), Ordered}}}, General, false},
    {{{{L("COST TRANSACTIONS"), Filled}, {L("C_TRANSACTIONS"), Stored}}}, General, false},
    {{{{L("LEDGER GROUPS")}}}, General, false},
    {{{{L("UNITS")}}}, General, false},
    {{{{L("GODOWNS")}}}, General, false},
    {{{{L("STOCK GROUPS")}}}, General, false},
    {{{{L("STOCK CATEGORIES")}}}, General, false},
    {{{{L("STOCK ITEMS")}}}, General, false},
    {{{{L("COST CATEGORIES")}}}, General, false},
    {{{{L("COST CENTRES")}}}, General, false},
    {{{{L("SALE REGISTER")},
       {L("SALEREGISTER")},
       {L("V_TRANSACTIONS")},
       {L("VOUCHERREGISTER")},
       {L("VOUCHER REGISTER")}}},
     LoadRoute::Register,
     true},
    // Listed, but neither loaded nor posted: no procedure posts the purchase registers.
    {{{{L("PURCHASE REGISTER")}, {L("PURCHASEREGISTER")}}}, LoadRoute::Unknown, true},
};

// The keyword that equals the text exactly, with the row it belongs to.
struct Found
{
    const ImportType *type = nullptr;
    const ImportKeyword *keyword = nullptr;
};

template <typename Matches> Found findKeyword(Matches &&matches)
{
    for (const ImportType &type : ImportTypeTable) {
        for (const ImportKeyword &keyword : type.keywords) {
            if (!keyword.text.isEmpty() && matches(keyword.text))
                return {&type, &keyword};
        }
    }
    return {};
}

Found exactKeyword(const QString &text)
{
    return findKeyword([&](QLatin1String keyword) { return text == keyword; });
}

} // namespace

std::span<const ImportType> importTypes()
{
    return ImportTypeTable;
}

const ImportType *findImportType(const QString &keyword)
{
    return exactKeyword(keyword).type;
}

std::optional<QString> importTypeEntry(const QString &normalisedName)
{
    const Found found = findKeyword(
        [&](QLatin1String keyword) { return normalisedName == keyword || normalisedName == removeBlanks(keyword); });
    if (!found.type)
        return std::nullopt;
    return found.type->listedUnderOwnName ? normalisedName : QString(found.type->keywords.front().text);
}

LoadRoute loadRoute(const QString &listTextUpper)
{
    if (listTextUpper == QString(SelectImportTypeText).toUpper())
        return LoadRoute::Placeholder;
    const ImportType *type = findImportType(listTextUpper);
    return type ? type->route : LoadRoute::Unknown;
}

bool readsInVoucherOrder(const QString &listTextUpper)
{
    const Found found = exactKeyword(listTextUpper);
    return found.keyword && found.keyword->reading != Reading::AsStored;
}

bool receivesVoucherFillDown(const QString &importType)
{
    const Found found = findKeyword([&](QLatin1String keyword) { return importType == removeBlanks(keyword); });
    return found.keyword && found.keyword->reading == Reading::FilledVoucherOrder;
}

QString removeBlanks(const QString &text)
{
    return QString(text).remove(QLatin1Char(' '));
}

} // namespace sources
