#pragma once

#include "sources/readers/sourcereader.h"

#include <QList>
#include <QString>

namespace sources {

class ImportWindow;

// Turning a named source into the entries of the import-type list: the browse and connect handlers of the three
// source frames, the list builders and the name mappers. Each traps its own run-time errors under its location
// code; a caller goes on with its next step.

// Appends the entry of every listed table that the ImportTypeTable knows (names upper-cased, "$" removed), in
// listing order, then selects the placeholder. sourceFile names the workbook the tables were listed from, so that
// its entries keep loading from it when a text file's keyword joins them; a database listing gives none.
void LoadList(ImportWindow &window, const QList<TableEntry> &ors, const QString &sourceFile = QString());
// Appends the entry of a text file's name (upper-cased, without its ending) to the entries already there,
// remembering the file it came from, then selects the placeholder.
void LoadListTXT(ImportWindow &window, const QString &ors, const QString &sourceFile);

// Lists a workbook's sheets, or adds a text or CSV file's keyword, and chooses the previous import type again
// when the list has it. Other endings (.xlsx included) list nothing.
void LoadExcelSheets(ImportWindow &window, const QString &sFilePath);
// Lists an Access database's tables and chooses the previous import type again for every entry equal to it.
void LoadAccessTables(ImportWindow &window, const QString &sFilePath, const QString &sUsername,
                      const QString &sPassword);
// Lists an ODBC data source's tables; the placeholder stays selected.
void LoadODBCTables(ImportWindow &window, const QString &dataSourceName, const QString &userName,
                    const QString &password);

// Removes every entry, appends the placeholder and selects it.
void resetImportTypeList(ImportWindow &window);

// The handlers of the source frames.
void cmdFilePath_Click(ImportWindow &window);
void cmdMdbPath_Click(ImportWindow &window);
void cmdODBCPath_Click(ImportWindow &window);
void txtFilePath_Validate(ImportWindow &window);
void txtMdbPath_Validate(ImportWindow &window);

} // namespace sources
