#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace sources {
class WorkGrid;
}

namespace app {

// Fixed-width text: with enabled, a text longer than width is cut to its first width characters, a shorter one
// gets the pad text repeated once per missing character after it (side 0) or before it (side 1); any other
// side gives "". A character is a code point: a surrogate pair counts as one. Without enabled the text comes back
// unchanged. A negative width is an invalid call.
QString PadText(const QString &text, const QString &padText, qint16 side, qint16 width, bool enabled);

// The run report of a work grid: one line per row whose status cell is not empty, the row's key cell ("ID"
// when the grid has a column keyed so, else "NAME") padded or cut to 75 characters, then its last cell, then
// CR LF; UTF-8. A run-time error when a row with a status lacks the key column.
QByteArray ResultReport(const sources::WorkGrid &grid);

// Writes the run report to sPath, replacing the file. A failure is reported as a trapped error of the save and
// leaves any earlier file as it was; returns whether the report was written.
bool SaveReport(const sources::WorkGrid &grid, const QString &sPath);

// The name Main > Save Report saves under: "<company> <date> <time>.txt" in the program folder, the date and
// time in the locale's short date and long time forms with "/" made "-" and ":" made ".".
QString ReportFileName(const QString &programFolder, const QString &company, const QDateTime &now,
                       const QLocale &locale = QLocale());

} // namespace app
