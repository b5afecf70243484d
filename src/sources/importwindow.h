#pragma once

#include <QString>

namespace platform {
class Prompter;
}

namespace sources {

class WorkGrid;
class SourceGrid;

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
};

} // namespace sources
