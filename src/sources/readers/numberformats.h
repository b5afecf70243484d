#pragma once

#include <QStringView>

namespace sources {

// Whether a number format shows its number as a date or a time of day, so that the cell reads as a date: the
// built-in formats of those kinds, and format codes with day, month, year, hour or second parts outside quoted
// text, escaped characters and bracketed colours, conditions and locales ("[h]" and the like, elapsed time,
// count as time).
bool isBuiltInDateFormat(int index);
bool isDateFormatCode(QStringView code);

} // namespace sources
