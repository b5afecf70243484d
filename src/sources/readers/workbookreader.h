#pragma once

#include "sources/readers/sourcereader.h"

#include <memory>

namespace sources {

class BiffWorkbook;

// Reads an Excel 5.0 to 2003 workbook (.xls): each worksheet is a table, listed as its name followed by "$".
// Cells read as Excel shows them: numbers, texts, dates (a number in a date or time format, in the workbook's
// date system, with its time of day), Yes/No for Boolean cells, and for a formula the result Excel saved with
// it; error values, empty cells and empty texts are null. The first row of a sheet holds the field names; a
// blank name cell gives "F" and the column's number, as the database engine names it.
class WorkbookReader final : public SourceReader
{
public:
    // Raises errors::RuntimeError for a missing file, a file that is no readable workbook and an encrypted one.
    explicit WorkbookReader(const QString &path);
    ~WorkbookReader() override;
    Q_DISABLE_COPY_MOVE(WorkbookReader)

    QList<TableEntry> tables() override;
    // Raises errors::RuntimeError for a damaged sheet: nothing of it is returned.
    Table readTable(const QString &name) override;

private:
    QString m_path;
    std::unique_ptr<BiffWorkbook> m_workbook;
    QStringList m_sheets;
};

} // namespace sources
