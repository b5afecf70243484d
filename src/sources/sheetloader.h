#pragma once

#include <QString>

namespace sources {

class ImportWindow;

// Loads the chosen import type from the workbook or text file of the Excel frame into the source grid and the
// work grid, ready to post; a text-file entry loads the file it was listed from. A complete load leaves two
// blank rows after the data. importType is the list's text without blanks. Errors are trapped and reported.
void LoadExcelData(ImportWindow &window, const QString &importType);

} // namespace sources
