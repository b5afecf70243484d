#pragma once

#include <QLatin1String>
#include <QString>

#include <optional>

namespace sources {

// The import-type list's first entry, which chooses nothing.
inline constexpr QLatin1String SelectImportTypeText{">>Select Import Type<<"};

// Keys of the source tabs; the selected one names the kind of source every listing and load reads.
inline constexpr QLatin1String ExcelSourceKey{"Excel"};
inline constexpr QLatin1String AccessSourceKey{"Access"};
inline constexpr QLatin1String OdbcSourceKey{"ODBC"};

// ImportTypeTable: the import-type entry a source name adds to the list, if any. The name is upper-cased by the
// caller (and, for a table listing, stripped of every "$"); it is then compared exactly with each row's accepted
// names. Register names give themselves, so they keep the form under which they were found.
std::optional<QString> importTypeEntry(const QString &normalisedName);

// What a load does for the import-type list's text, upper-cased with its blanks kept.
enum class LoadRoute
{
    Placeholder, // the list's own first entry: the work grid is emptied
    General,     // a master or voucher sheet or table
    Register,    // a voucher register read with its map
    Unknown,     // no sheet or table of that type can be loaded: the not-found message
};
LoadRoute loadRoute(const QString &listTextUpper);

// Voucher types are read ordered by voucher type, date, number and serial number; tested on the list's text
// upper-cased with its blanks kept.
bool readsInVoucherOrder(const QString &listTextUpper);

// Voucher types whose blank header cells take the value of the row above; tested on the import type as the
// loader receives it, without blanks.
bool receivesVoucherFillDown(const QString &importType);

// The text with every blank (the space character) removed.
QString removeBlanks(const QString &text);

} // namespace sources
