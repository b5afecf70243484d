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
//
// What no text file of records looks like is refused with errors::RuntimeError (SourceErr::OpenFailed) naming
// the file: no header row (an empty file, or a blank first line), bytes that are not text (a NUL, or a UTF-16
// byte-order mark), and a quoted field whose closing quote never comes, which would take the rest of the file
// into one cell; the message names the line where that quote opened.
Table parseDelimitedText(QByteArrayView bytes, const QString &fileName = QString());

} // namespace sources
