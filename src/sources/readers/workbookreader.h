#pragma once

#include "sources/readers/sourcereader.h"

#include <memory>

namespace sources {

// Reads an Excel 97-2003 workbook (.xls) through libfreexl. The first row of each sheet holds the field names;
// a blank name cell gives the name "F" and the column's number, as the database engine names it. Every cell
// keeps its own type: numbers, dates (a cell formatted as a date), text; an empty cell and an empty text are
// null. Boolean cells read as the numbers 1 and 0, since the library does not tell them from numbers. Named
// ranges are not listed. Beware that libfreexl works out the text of every date cell day by day from 1900 when
// it opens the workbook, which takes it about 60 microseconds per date cell of this century.
class WorkbookReader final : public SourceReader
{
public:
    // Raises errors::RuntimeError for a missing file and for a file that is no readable .xls workbook.
    explicit WorkbookReader(const QString &path);
    ~WorkbookReader() override;
    Q_DISABLE_COPY_MOVE(WorkbookReader)

    QList<TableEntry> tables() override;
    Table readTable(const QString &name) override;

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    QString m_path;
    QStringList m_sheets;
};

} // namespace sources
