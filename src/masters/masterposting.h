#pragma once

#include "sources/importtypes.h"

// The posting loops of the nine master types: each walks the window's work grid, sends one request per master
// and marks the master's last row with the result. A run-time error ends the run with an error report under
// the loop's location code; rows posted before keep their results.
namespace masters {

void PostLedgerGroups(sources::ImportWindow &window);
void PostUnits(sources::ImportWindow &window);
void PostGodowns(sources::ImportWindow &window);
void PostStockGroups(sources::ImportWindow &window);
void PostStockCategories(sources::ImportWindow &window);
void PostCostCategories(sources::ImportWindow &window);
void PostCostCentres(sources::ImportWindow &window);
void PostLedgers(sources::ImportWindow &window);
void PostStockItems(sources::ImportWindow &window);

// The posting procedure of each master type, under the type's first keyword in the import-type table.
inline constexpr sources::PostingHandler masterHandlers[] = {
    {QLatin1String("LEDGERS"), &PostLedgers},
    {QLatin1String("LEDGER GROUPS"), &PostLedgerGroups},
    {QLatin1String("UNITS"), &PostUnits},
    {QLatin1String("GODOWNS"), &PostGodowns},
    {QLatin1String("STOCK GROUPS"), &PostStockGroups},
    {QLatin1String("STOCK CATEGORIES"), &PostStockCategories},
    {QLatin1String("STOCK ITEMS"), &PostStockItems},
    {QLatin1String("COST CATEGORIES"), &PostCostCategories},
    {QLatin1String("COST CENTRES"), &PostCostCentres},
};

} // namespace masters
