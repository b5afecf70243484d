#pragma once

#include <QString>
#include <QStringList>

namespace sources {

class SourceGrid;
class WorkGrid;

// Questions the loaders and posting procedures ask of the grids. Each one traps its own run-time errors:
// the error is reported with the routine's location code and the routine answers with what it held.

// The 0-based source-grid column of the first header cell matching the field name (spaces trimmed, case
// ignored), -1 when none matches.
qint32 ColPos(const SourceGrid &grid, const QString &sColName);
// Whether some source-grid header cell matches the field name as ColPos matches it.
bool ColExists(const SourceGrid &grid, const QString &sColName);
// True when every cell of the 1-based work-grid row is blank, its ID and status cells included.
bool IsEmptyRow(const WorkGrid &grid, qint32 lRowNo);
// True when every cell of the source-grid row is blank.
bool IsEmptyRowEx(const SourceGrid &grid, qint32 lRowNo);
// Whether a table with these field names has the named field; case ignored, nothing trimmed.
bool FieldExists(const QStringList &fieldNames, const QString &name);
// True when every character of the column name is a letter A-Z or a-z, a digit, "(", ")", "-", "." or the
// backspace control character.
bool ValidHeader(const QString &sHeaderName);
// Whether some work-grid column key equals the name, case ignored, nothing trimmed.
bool HeaderExists(const WorkGrid &grid, const QString &sHeaderName);

} // namespace sources
