#pragma once

#include <QString>

namespace sources {

// Text rules the grids and their lookups share. Only the space character counts here: a tab or a line break is
// text.

// The text without its leading and trailing spaces.
QString trimSpaces(const QString &text);

// True when nothing is left of the text once its leading and trailing spaces are removed.
bool isBlank(const QString &text);

// The form in which field names are compared: spaces trimmed, upper-cased.
QString fieldKey(const QString &name);

} // namespace sources
