#pragma once

#include "sources/loadsteps.h"

namespace sources {

// RegisterMapTag: the tag a voucher register map record gives the work-grid column it names: the ColumnName
// upper-cased, the LedgerName, LedgerSign and Order, each followed by "|". With optionalFields, the optional map
// fields follow in their fixed order (VATClassification ... ExpenseColumn), each at its own position: a field
// the map lacks is an empty piece, and the tag ends after the last field the map has. Values enter in their
// grid text, null as "". A map without LedgerName, LedgerSign or Order raises a run-time error.
QString RegisterMapTag(const Table &map, qsizetype record, bool optionalFields);

namespace loading {

// The register branch of a load: the register table and its map ("Map" appended to the name) must both be
// listed; the register's column names must be valid; each map record tags the work-grid column it names, which
// keeps the record's row of the map sheet (the header being row 1) beside the tag.
// A load stopped by an invalid column name or a map record naming no column ends Stopped, after its message.
LoadEnd loadRegister(ImportWindow &window, SourceReader &source, const QString &importType,
                     const LoaderProfile &profile);

} // namespace loading

} // namespace sources
