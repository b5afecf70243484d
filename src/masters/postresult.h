#pragma once

#include <QString>

namespace sources {
class WorkGrid;
}

namespace masters {

// The class of a posting result, read from its response summary.
enum class Outcome
{
    Error,
    Created,
    Altered,
    Unrecognised,
};

// "ERROR" before "CREATED" before "ALTERED" or "COMBINED", case ignored: a summary naming ERRORS is an error
// even when it also names CREATED. Anything else, an empty summary included, is unrecognised.
Outcome PostOutcome(const QString &result);

// Images of the window's icon list that a row's first cell shows.
inline constexpr int imagePosted = 0;
inline constexpr int imageRejected = 1;
inline constexpr int imageUnrecognised = 3;

// Marks a work-grid row with a posting result: the result in its status cell, an image in its first cell,
// every cell in the outcome's colour and the status cell in bold. An unrecognised result (nothing reached the
// server, or it answered something else) gets an image of its own and black text, so that it never looks like
// a success, whatever the rows above it or an earlier run showed.
void ReportPostResult(sources::WorkGrid &grid, int row, const QString &result);

} // namespace masters
