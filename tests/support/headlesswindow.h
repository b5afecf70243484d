#pragma once

#include "sources/importwindow.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace testsupport {

// The main window as the loaders and posting procedures see it, without widgets: real grids, settable list
// texts, source boxes and tab, an import-type list that loads what is chosen, and a record of everything written
// to the status line.
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
    // Sets the list's text as posting sees it, chosen or not: no load runs and no entry is selected.
    void setImportTypeText(const QString &text);
    QString &currentCompany() override { return m_currentCompany; }
    bool silent() const override { return m_silent; }
    void setSilent(bool silent) { m_silent = silent; }

    // Records the call; the panel then shows the text as the status line would. A key that names no panel is
    // a trapped error, as in the window, and leaves the panels as they were.
    void stat(const QString &msg, const QString &panel) override;
    const QList<StatCall> &statCalls() const { return m_statCalls; }
    void forgetStatCalls() { m_statCalls.clear(); }
    // Off, the panels still show each text but no record of the calls is kept: a long load writes one per
    // record, and a benchmark should not measure the record.
    void setRecordsStatCalls(bool records) { m_recordsStatCalls = records; }
    QString panelText(const QString &panel) const { return m_panels.value(panel); }

    // platform::prompter() unless another is set; nullptr goes back to it.
    platform::Prompter &prompter() override;
    void setPrompter(platform::Prompter *prompter) { m_prompter = prompter; }

    void yieldToEvents() override;
    int yieldCount() const { return m_yieldCount; }

    void selectFirstDataTab() override { ++m_selectFirstDataTabCount; }
    int selectFirstDataTabCount() const { return m_selectFirstDataTabCount; }

    QString sourceText(sources::SourceBox box) const override { return m_sourceTexts.value(box); }
    void setSourceText(sources::SourceBox box, const QString &text) override { m_sourceTexts.insert(box, text); }
    QString selectedSourceKey() const override { return m_sourceKey; }
    void setSelectedSourceKey(const QString &key) { m_sourceKey = key; }

    // The import-type list as a drop-down list: a choice runs sources::cmbTableName_Click, as in the window.
    QStringList importTypeEntries() const override;
    void clearImportTypes() override;
    void addImportType(const QString &entry, const QString &sourceFile = QString()) override;
    bool selectImportType(const QString &text) override;
    QString importTypeSourceFile() const override;
    // The entry the user picks by its place in the list (0-based), which tells equal entries apart.
    void chooseImportTypeAt(int index);
    int selectedImportTypeIndex() const { return m_selectedEntry; }
    // How many choices of an import type ran cmbTableName_Click.
    int importTypeChoiceCount() const { return m_choiceCount; }

private:
    sources::WorkGrid m_workGrid;
    sources::SourceGrid m_sourceGrid;
    QString m_companyListText;
    QString m_importTypeText;
    QString m_currentCompany;
    bool m_silent = false;
    QList<StatCall> m_statCalls;
    bool m_recordsStatCalls = true;
    QMap<QString, QString> m_panels;
    platform::Prompter *m_prompter = nullptr;
    int m_yieldCount = 0;
    int m_selectFirstDataTabCount = 0;
    QMap<sources::SourceBox, QString> m_sourceTexts;
    QString m_sourceKey;
    struct ListEntry
    {
        QString text;
        QString sourceFile;
    };
    QList<ListEntry> m_entries;
    int m_selectedEntry = -1;
    int m_choiceCount = 0;
};

} // namespace testsupport
