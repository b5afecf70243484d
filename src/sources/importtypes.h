#pragma once

#include <QLatin1String>
#include <QString>

#include <array>
#include <optional>
#include <span>

namespace sources {

class ImportWindow;

// The import-type list's first entry, which chooses nothing.
inline constexpr QLatin1String SelectImportTypeText{">>Select Import Type<<"};

// Keys of the source tabs; the selected one names the kind of source every listing and load reads.
inline constexpr QLatin1String ExcelSourceKey{"Excel"};
inline constexpr QLatin1String AccessSourceKey{"Access"};
inline constexpr QLatin1String OdbcSourceKey{"ODBC"};

// What a load does for the import-type list's text, upper-cased with its blanks kept.
enum class LoadRoute
{
    Placeholder, // the list's own first entry: the work grid is emptied
    General,     // a master or voucher sheet or table
    Register,    // a voucher register read with its map
    Unknown,     // no sheet or table of that type can be loaded: the not-found message
};

// How a load reads the sheet or table of a keyword.
enum class Reading
{
    AsStored,
    // Sorted by voucher type, date, number and serial number.
    VoucherOrder,
    // Blank voucher header cells first take the value of the row above, then sorted as VoucherOrder.
    FilledVoucherOrder,
};

struct ImportKeyword
{
    QLatin1String text;
    Reading reading = Reading::AsStored;
};

// What the list and the loaders know of one import type: the keywords the list, the loaders and the Post dispatch
// know it by and how its sheet or table is loaded. The procedure that posts it is in the masters' or the vouchers'
// table of posting procedures, under the type's first keyword.
struct ImportType
{
    // The list's entry for the type comes first; a slot with an empty text is unused.
    std::array<ImportKeyword, 5> keywords;
    LoadRoute route = LoadRoute::Unknown;
    // A sheet or table found under one of the keywords adds that keyword itself to the list rather than the
    // first one, so that a register keeps the form under which it was found.
    bool listedUnderOwnName = false;
};

// A posting procedure: it reads the company list and the work grid of the window it is given, posts, writes each
// result into the grid and traps its own errors.
using PostingProcedure = void (*)(ImportWindow &window);

// A row of the masters' or the vouchers' table of posting procedures: the procedure that posts the import type
// whose first keyword (the list's entry) is the keyword. Every type that loads has one row in one of them; a type
// that does not load, as the purchase registers the listing offers, has none and posts nothing.
struct PostingHandler
{
    QLatin1String keyword;
    PostingProcedure post = nullptr;
};

// ImportTypeTable: one row per import type, in the order the Post dispatch tests them.
std::span<const ImportType> importTypes();

// The row one of whose keywords equals the text exactly, if any.
const ImportType *findImportType(const QString &keyword);

// The import-type entry a source name adds to the list, if any. The name is upper-cased by the caller (and, for
// a table listing, stripped of every "$"); it is then compared exactly with every keyword, as it stands and
// without its blanks.
std::optional<QString> importTypeEntry(const QString &normalisedName);

LoadRoute loadRoute(const QString &listTextUpper);

// Whether the sheet or table is sorted in voucher order; tested on the list's text upper-cased with its blanks
// kept.
bool readsInVoucherOrder(const QString &listTextUpper);

// Whether blank voucher header cells take the value of the row above; tested on the import type as the loader
// receives it, without blanks.
bool receivesVoucherFillDown(const QString &importType);

// The text with every blank (the space character) removed.
QString removeBlanks(const QString &text);

} // namespace sources
