#pragma once

#include "sources/importwindow.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"

#include <QList>
#include <QMap>
#include <QString>

namespace testsupport {

// The main window as the loaders and posting procedures see it, without widgets: real grids, settable list
// texts, and a record of everything written to the status line.
class HeadlessWindow final : public sources::ImportWindow
{
public:
    struct StatCall
    {
        QString msg;
        QString panel;
        bool operator==(const StatCall &other) const = default;
    };

    HeadlessWindow();
    ~HeadlessWindow() override;
    Q_DISABLE_COPY_MOVE(HeadlessWindow)

    sources::WorkGrid &workGrid() override { return m_workGrid; }
    sources::SourceGrid &sourceGrid() override { return m_sourceGrid; }

    QString companyListText() const override { return m_companyListText; }
    void setCompanyListText(const QString &text) { m_companyListText = text; }
    QString importTypeText() const override { return m_importTypeText; }
    void setImportTypeText(const QString &text) { m_importTypeText = text; }
    QString &currentCompany() override { return m_currentCompany; }
    bool silent() const override { return m_silent; }
    void setSilent(bool silent) { m_silent = silent; }

    // Records the call; the panel then shows the text as the status line would. A key that names no panel is
    // a trapped error, as in the window, and leaves the panels as they were.
    void stat(const QString &msg, const QString &panel) override;
    const QList<StatCall> &statCalls() const { return m_statCalls; }
    QString panelText(const QString &panel) const { return m_panels.value(panel); }

    // platform::prompter() unless another is set; nullptr goes back to it.
    platform::Prompter &prompter() override;
    void setPrompter(platform::Prompter *prompter) { m_prompter = prompter; }

    void yieldToEvents() override;
    int yieldCount() const { return m_yieldCount; }

    void selectFirstDataTab() override { ++m_selectFirstDataTabCount; }
    int selectFirstDataTabCount() const { return m_selectFirstDataTabCount; }

private:
    sources::WorkGrid m_workGrid;
    sources::SourceGrid m_sourceGrid;
    QString m_companyListText;
    QString m_importTypeText;
    QString m_currentCompany;
    bool m_silent = false;
    QList<StatCall> m_statCalls;
    QMap<QString, QString> m_panels;
    platform::Prompter *m_prompter = nullptr;
    int m_yieldCount = 0;
    int m_selectFirstDataTabCount = 0;
};

} // namespace testsupport
