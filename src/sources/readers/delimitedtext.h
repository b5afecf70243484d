#pragma once

#include "sources/readers/table.h"

#include <QByteArrayView>

namespace sources {

// Reads the bytes of a comma-separated text file. They are UTF-8 when they are valid UTF-8 (a byte-order mark
// at the start is dropped), otherwise Windows-1252, the code page such files are written in on the machines
// they come from. The first line holds the field names; each further line is a record. A field in double
// quotes may hold commas, line breaks and doubled quotes (""), which stand for one quote. Lines end in CR LF,
// LF or CR; a line break after the last line adds no record, while an empty line elsewhere is a record of
// nulls. Every field is text, and an empty field is null: the reader does not guess column types, so what a
// cell holds reaches the grid unchanged. A blank field name, and a field beyond the header, is named "F" and
// its column's number.
Table parseDelimitedText(QByteArrayView bytes);

} // namespace sources
