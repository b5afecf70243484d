#pragma once

#include <QString>

namespace sources {

// Error numbers of the readers. They are the numbers the data-access components of the classic program give
// for the same failures, so an error box reads as users know it.
namespace SourceErr {
// A source that cannot be opened: missing file, no workbook, no Access database, unknown data source, login
// refused, and a source that fails while it is read.
inline constexpr qint32 OpenFailed = qint32(0x80004005U); // -2147467259
// A statement naming a field the table does not have.
inline constexpr qint32 NoValueGiven = qint32(0x80040E10U); // -2147217904
// A table or query name the source does not hold.
inline constexpr qint32 ObjectNotFound = qint32(0x80040E37U); // -2147217865
} // namespace SourceErr

// Raises errors::RuntimeError with the number, the message and the reader that failed as its source.
[[noreturn]] void raiseSourceError(qint32 number, const QString &description, const QString &reader);

QString noValueGivenMessage();
QString fileNotFoundMessage(const QString &path);
QString tableNotFoundMessage(const QString &name);

} // namespace sources
