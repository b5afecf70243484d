#pragma once

#include <QString>

namespace sources {

class ImportWindow;

// Load the chosen import type from the Access database of the Access frame, or from an ODBC data source, into
// the source grid and the work grid. Unlike a sheet, a blank record becomes a row of blank cells, a register
// map gives its four required fields only, and one blank row follows the data. importType is the list's text
// without blanks. Errors are trapped and reported.
void LoadAccessData(ImportWindow &window, const QString &importType, const QString &userName, const QString &password);
void LoadODBCData(ImportWindow &window, const QString &importType, const QString &dataSourceName,
                  const QString &userName, const QString &password);

} // namespace sources
