#pragma once

#include "sources/readers/biffrecords.h"
#include "sources/readers/table.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringList>

#include <memory>
#include <vector>

namespace sources {

// The workbook stream of an Excel 5.0 to 2003 workbook, read record by record: its worksheets by name, and any
// of them as a table of typed cells. Raises WorkbookError for a stream it cannot read.
class BiffWorkbook
{
public:
    // Reads the workbook's global records. bookStream says that the stream was named "Book", the name Excel 5.0
    // and 95 gave it, which decides the version when the stream does not say it.
    // The holder keeps the stream's bytes where they lie, when they are not the stream's own.
    BiffWorkbook(QByteArray stream, bool bookStream, std::shared_ptr<const void> holder = {});

    BiffVersion version() const { return m_version; }
    // Worksheets only, in the order of the workbook; chart, macro, dialog and module sheets are left out.
    QStringList worksheetNames() const;

    // The sheet's used range from A1 as a table: its first row gives the field names, a blank one "F" and the
    // column's number; every other row is a record. Rows and columns after the last cell that holds a value are
    // not part of it, whatever the sheet's declared dimensions say.
    Table readWorksheet(qsizetype index);

private:
    struct Sheet
    {
        QString name;
        qsizetype offset;
    };

    void readGlobals(bool bookStream);
    void addSheet(const BiffRecord &record);
    bool isWorksheet(qsizetype offset) const;
    const std::vector<QString> &sharedStrings();
    template <typename Sink> void walkCells(qsizetype offset, Sink &&sink);

    Value numberValue(double number, quint16 style) const;

    std::shared_ptr<const void> m_holder;
    QByteArray m_stream;
    std::span<const uchar> m_bytes;
    BiffVersion m_version = BiffVersion::Biff8;
    QStringDecoder m_decoder;
    bool m_dates1904 = false;
    std::vector<bool> m_dateStyles; // by cell style (XF) number
    std::vector<Sheet> m_sheets;
    qsizetype m_sharedStringsOffset = -1;
    bool m_sharedStringsRead = false;
    std::vector<QString> m_sharedStrings;
};

} // namespace sources
