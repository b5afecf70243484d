#pragma once

#include "sources/readers/sourcereader.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace sources {

class ImportWindow;
class SourceGrid;
class WorkGrid;

// The steps the sheet, Access and ODBC loaders share. Each loader routes the import type, connects, finds the
// table and hands it to these steps; where the loaders differ, a LoaderProfile says how.
namespace loading {

// How a load ended, which decides the work grid's last rows.
enum class LoadEnd
{
    Complete, // the grid is built: one blank row follows
    Empty,    // nothing to load: an empty grid with one blank row
    Stopped,  // a register the user must correct: an empty grid
};

struct LoaderProfile
{
    // The database loaders give a blank record a row of blank cells; the sheet loader leaves it out.
    bool keepsBlankRecords = false;
    // Blank rows the build itself appends before the end's one.
    int blankRowsAfterBuild = 0;
    // Sheet names end in "$", and so do the names a register and its map are looked for under.
    bool registerNamesEndInDollar = false;
    // Whether the optional fields of a register map reach the column tags.
    bool readsOptionalMapFields = false;
    // A database hands a voucher table over already in voucher order, as the loader asks it to, so its records
    // are filled down in that order; a sheet's are filled down in the order the user wrote them.
    bool sourceSortsRecords = false;
};

inline constexpr LoaderProfile sheetProfile{false, 1, true, true, false};
inline constexpr LoaderProfile databaseProfile{true, 0, false, false, true};

// Runs a loader under its error trap. A load that fails or finds nothing never leaves the previous load's rows
// in the work grid: after an error or a stop the grid is empty, and every other end appends the blank row.
void runLoad(ImportWindow &window, const QString &location, const std::function<LoadEnd()> &body);

// The message for an import type no loader reads; the text speaks of an Excel file for every source.
LoadEnd reportUnknownType(ImportWindow &window, const QString &importType);

// The skeleton every loader shares: routes the import type by the list's text (the placeholder loads nothing,
// an unknown type gets its message) before anything is opened, connects to the source, and loads either the
// register with its map or the first table matching the name wanted.
LoadEnd loadSource(ImportWindow &window, const QString &importType, const SourceSpec &spec, const QString &nameWanted,
                   const LoaderProfile &profile);

// The first listed table whose name, upper-cased and without blanks, equals the name wanted likewise; a view
// counts only when no table matches.
std::optional<QString> findTable(const QList<TableEntry> &tables, const QString &nameWanted);

// Reads the table into the source grid and builds the work grid from it: voucher tables filled down and sorted
// in voucher order (VoucherFillDown), one keyed column per field, the synthesized ID column where a
// voucher source lacks one, the status column, one row per record.
LoadEnd loadTable(ImportWindow &window, SourceReader &source, const QString &tableName, const QString &importType,
                  const QString &listTextUpper, const LoaderProfile &profile);

// Fills the source grid with the table: the field names in row 0 and a row per record, number columns aligned
// right. A table without records leaves two empty rows.
void fillSourceGrid(SourceGrid &grid, Table &&table);

// Shows source-grid records in work-grid rows, each cell aligned as its source column. The work grid reads the
// source grid's cells as they are when the copier is made.
class RowCopier
{
public:
    RowCopier(const SourceGrid &source, WorkGrid &target, int fields);
    // Appends a work-grid row with the record's texts in its first cells; returns the row's number.
    int appendRow(int sourceRow) const;

private:
    WorkGrid &m_target;
};

// SynthesizedID: the voucher key a voucher source without an ID field gets from its VchType, VchNo, VchDate and
// RefNo cells, joined by "-"; each field the source lacks is left out, an empty cell still gives its "-".
class SynthesizedID
{
public:
    explicit SynthesizedID(const SourceGrid &grid);
    // The rows of a voucher, asked for one after another, share one text.
    QString operator()(int row);

private:
    const SourceGrid &m_grid;
    std::array<int, 4> m_columns;
    // The last row's cells, kept so that their texts stay where they are while they are compared with.
    std::array<QString, 4> m_lastCells;
    QString m_last;
};

// "Reading Records => i/R"
QString readingRecordsText(qsizetype record, qsizetype records);

// Adds a column per field: the name upper-cased as key, the name as caption.
void addFieldColumns(WorkGrid &grid, const QStringList &fields);
void fitFieldColumns(WorkGrid &grid, const QStringList &fields);

} // namespace loading

} // namespace sources
