#pragma once

#include <QByteArray>
#include <QString>

namespace sources {

// The workbook stream of a compound document (the OLE2 container of .xls files), read through libgsf.
struct WorkbookStream
{
    QByteArray bytes;
    bool bookStream = false; // named "Book", as Excel 5.0 and 95 name it, instead of "Workbook"
};

// Raise WorkbookError when the file cannot be read, is no compound document or holds no workbook stream.
WorkbookStream readWorkbookFile(const QString &path);
WorkbookStream readWorkbookBytes(QByteArrayView file);

} // namespace sources
