#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace sources {

// The workbook stream of a compound document (the OLE2 container of .xls files), read through libgsf.
struct WorkbookStream
{
    // The bytes of a file's stream are not copied again: they lie in the file's bytes read into memory, or where
    // libgsf put the pieces of the stream together, and stay valid as long as the holder is kept.
    QByteArray bytes;
    bool bookStream = false; // named "Book", as Excel 5.0 and 95 name it, instead of "Workbook"
    std::shared_ptr<const void> holder;
};

// Raise WorkbookError when the file cannot be read, is no compound document or holds no workbook stream.
WorkbookStream readWorkbookFile(const QString &path);
// The stream of a document in memory, copied.
WorkbookStream readWorkbookBytes(QByteArrayView file);

} // namespace sources
