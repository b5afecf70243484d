#pragma once

#include <QString>
#include <QStringList>

namespace platform {
class Prompter;
}

namespace sources {

class WorkGrid;
class SourceGrid;

// The text boxes of the three source frames, named as the window names them.
enum class SourceBox
{
    txtFilePath, // workbook or text-file path (Excel frame)
    txtMdbPath,  // Access database path
    txtMDBUser,  // its user name, passed on but never used
    txtMDBPass,  // its database password
    txtODBCPath, // data source name
    txtODBCUser,
    txtPass, // the data source's password
};

// What the loaders and posting procedures need of the main window. frmExcel implements it with widgets;
// tests implement it headless.
class ImportWindow
{
public:
    virtual ~ImportWindow() = default;

    virtual WorkGrid &workGrid() = 0;     // Gr1
    virtual SourceGrid &sourceGrid() = 0; // lstLedgerTree

    virtual QString companyListText() const = 0; // cmbCurrentCompanyList's text
    virtual QString importTypeText() const = 0;  // cmbTableName's text
    virtual QString &currentCompany() = 0;       // CurrentCompany
    virtual bool silent() const = 0;             // Silent

    // The status line: a non-empty text shows followed by nine dots in the panel keyed "msg", "stat",
    // "Date" or "Time"; an empty text clears the panel (statusLineText in sources/statusline.h).
    virtual void stat(const QString &msg, const QString &panel) = 0;

    virtual platform::Prompter &prompter() = 0;

    // Lets the event loop run between rows or masters of a long run (painting, the status line).
    virtual void yieldToEvents() = 0;

    // Selects the first tab of the data tabs (TabData).
    virtual void selectFirstDataTab() = 0;

    // What the listings and loaders need besides. A window without source frames (one that only posts) keeps
    // the defaults: empty texts, no source tab and an import-type list that stays empty.

    virtual QString sourceText(SourceBox box) const;
    virtual void setSourceText(SourceBox box, const QString &text);
    // The key of the selected source tab (TabSource): "Excel", "Access", "ODBC", or "" when none is selected.
    virtual QString selectedSourceKey() const;

    // The import-type list (cmbTableName), a drop-down list. Adding and removing entries selects nothing by
    // itself; with no entry selected importTypeText() is "".
    virtual QStringList importTypeEntries() const;
    virtual void clearImportTypes();
    // sourceFile names the text file or workbook a keyword was listed from; an entry from a database has none.
    virtual void addImportType(const QString &entry, const QString &sourceFile = QString());
    // Setting the list's text: a text equal to an entry, letter case ignored, selects the first such entry and
    // counts as the user's choice of it (cmbTableName_Click runs); any other text leaves the selection as it was.
    // Returns whether an entry was selected.
    virtual bool selectImportType(const QString &text);
    // The text file or workbook the selected entry was listed from, "" for none.
    virtual QString importTypeSourceFile() const;
    // A run stopped before its last row: why, as the status line says it, and whether anything had been sent to
    // the server before. A window without a completion box keeps the default, which does nothing.
    virtual void runStopped(const QString &why, bool anythingSent);
};

} // namespace sources
