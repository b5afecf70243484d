#pragma once

// Fixed texts of the master import: location codes as error reports show them, and the progress texts.

namespace masters {

// The posting loops, procedures of the main window.
inline constexpr char locationPostLedgerGroups[] = "F01-0016";
inline constexpr char locationPostLedgers[] = "F01-0017";
inline constexpr char locationPostUnits[] = "F01-0018";
inline constexpr char locationPostGodowns[] = "F01-0019";
inline constexpr char locationPostStockGroups[] = "F01-0020";
inline constexpr char locationPostStockCategories[] = "F01-0021";
inline constexpr char locationPostStockItems[] = "F01-0022";
inline constexpr char locationPostCostCategories[] = "F01-0052";
inline constexpr char locationPostCostCentres[] = "F01-0053";

// The builders of the master module.
inline constexpr char locationImportGodown[] = "C03--0001";
inline constexpr char locationImportUnit[] = "C03--0002";
inline constexpr char locationImportLedgerGroup[] = "C03--0003";
inline constexpr char locationImportLedger[] = "C03--0004";
inline constexpr char locationImportStockGroup[] = "C03--0005";
inline constexpr char locationImportStockItem[] = "C03--0006";
inline constexpr char locationImportStockCategory[] = "C03--0007";
inline constexpr char locationImportCostCategory[] = "C03--0008";
inline constexpr char locationImportCostCentre[] = "C03--0009";

inline constexpr char progressLedgerGroups[] = "Processed Ledger Groups: ";
inline constexpr char progressLedgers[] = "Processed Ledgers: ";
inline constexpr char progressUnits[] = "Processed Units: ";
inline constexpr char progressGodowns[] = "Processed Godowns: ";
inline constexpr char progressStockGroups[] = "Processed Stock Groups: ";
inline constexpr char progressStockCategories[] = "Processed Stock Categories: ";
inline constexpr char progressStockItems[] = "Processed Stock Items: ";
inline constexpr char progressCostCategories[] = "Processed Cost Categories: ";
inline constexpr char progressCostCentres[] = "Processed Cost Centres: ";

// The action every posting loop asks of the server, and the one that renames a master.
inline constexpr char actionCreate[] = "Create";
inline constexpr char actionAlter[] = "Alter";

} // namespace masters
