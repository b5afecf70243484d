#pragma once

namespace sources {
class ImportWindow;
}

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

} // namespace masters
