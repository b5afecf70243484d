#pragma once

#include "app/formlayout.h"
#include "sources/importwindow.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QTableView;
class QTimer;

namespace controls {
class ButtonWindow;
}

namespace app {

struct CommandLine;
struct StartupResult;

// The program's one window: the company band, the source band, the data band with the work grid and the
// command band, the menus and the status line. Widgets carry the control names as object names.
class frmExcel final : public QMainWindow, public sources::ImportWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmExcel)

public:
    explicit frmExcel(QWidget *parent = nullptr);
    ~frmExcel() override;

    // What loaders and posting procedures reach the window through.
    sources::WorkGrid &workGrid() override { return m_workGrid; }
    sources::SourceGrid &sourceGrid() override { return m_sourceGrid; }
    QString companyListText() const override;
    QString importTypeText() const override;
    QString &currentCompany() override { return m_CurrentCompany; }
    bool silent() const override { return m_Silent; }
    void stat(const QString &Msg, const QString &sPanelName) override;
    platform::Prompter &prompter() override;
    void yieldToEvents() override;
    void selectFirstDataTab() override;
    QString sourceText(sources::SourceBox box) const override;
    void setSourceText(sources::SourceBox box, const QString &text) override;
    QStringList importTypeEntries() const override;
    void clearImportTypes() override;
    void addImportType(const QString &entry, const QString &sourceFile = QString()) override;
    QString importTypeSourceFile() const override;
    void runStopped(const QString &why, bool anythingSent) override;

    void setSilent(bool silent) { m_Silent = silent; }

    // The text a status-line panel shows ("msg", "stat", "Date", "Time").
    QString panelText(const QString &key) const;

    // Opens the window as the command line asks, as far as no source is read and no server is asked: the
    // caption with the version, the source tabs of the first argument with the path it names, the data tab,
    // the source frame and the import-type prompt. The listing, the import-type choice, the server settings
    // and the refresh of a full start follow it.
    void prepareWindow(const CommandLine &commandLine);
    // The same, with the listing of the source the first argument names run after its tabs and path are set
    // and before the import-type prompt is added.
    void prepareWindow(const CommandLine &commandLine, const std::function<void()> &listSource);

    // Start-up: prepares the window as the command line asks, lists and loads its source, stores its server,
    // refreshes the companies and, when it asks for one, runs the unattended Post and saves the report. The
    // window is shown afterwards only when no unattended run took place.
    StartupResult Form_Load(const CommandLine &commandLine);

    // Adds a source tab at the end of the strip; key and caption are the same.
    void addSourceTab(const QString &key);
    // The key of the selected source tab, "" when there is none.
    QString selectedSourceKey() const override;

    // The drop-down list rule: a text equal to an entry, letter case ignored, selects that entry; any other
    // text leaves the selection as it is. Returns whether an entry was selected.
    static bool selectListEntry(QComboBox *list, const QString &text);
    // Selects an import type by that rule; selecting one counts as the user's choice of it.
    bool selectImportType(const QString &text) override;

    // While a run or a load is going: Post, Refresh, the source controls, both lists and the menus are
    // disabled, and closing the window waits until the last scope has ended. Scopes nest. A control that lost
    // the focus only because it was disabled gets it back at the end.
    class BusyScope final
    {
    public:
        explicit BusyScope(frmExcel &window);
        ~BusyScope();
        Q_DISABLE_COPY_MOVE(BusyScope)

    private:
        frmExcel &m_window;
    };
    bool isBusy() const { return m_busyDepth > 0; }

    // The layout in twips as it was last applied; for a minimized window the places are left as they were.
    const LayoutPlaces &lastLayout() const { return m_lastLayout; }
    // The window's outer size in twips as the layout counts it.
    QSizeF outerSizeTwips() const;
    // Resizes the window to an outer size in twips.
    void resizeToOuterTwips(const QSizeF &outer);
    int twipsToPixelsX(double twips) const;
    int twipsToPixelsY(double twips) const;

    // Handlers of the window's commands.
    void cmdRefresh_Click();
    void ShowServerDialog();
    void mnuOptions_Click();
    void mnuAbout_Click();
    void mnuExit_Click();
    void cmdClose_Click();
    void TabData_Click();
    void ShowSourceFrame();
    void TabSource_Click();
    void Form_Resize();
    void lstItemTree_DblClick();
    void lstLedgerTree_DblClick();
    void lstTransactions_DblClick();

    // Commands of the import workflow. The buttons, the list and the menu item are connected to them already;
    // the workflow fills them in.
    void cmdPost_Click();
    // How the last Post ended; an unattended run's exit status depends on it.
    enum class PostEnd
    {
        NotRun, // no Post yet, or one ended by an error of its own before it dispatched
        NoCompany,
        NoImportType,
        Declined,
        NothingPosted,        // the import type has no posting procedure
        StagingFailed,        // the staging file failed before any voucher was sent
        StoppedBeforePosting, // told to stop before anything was sent
        Posted,
    };
    PostEnd lastPostEnd() const { return m_lastPostEnd; }
    void cmbTableName_Click();
    void cmdFilePath_Click();
    void cmdMdbPath_Click();
    void cmdODBCPath_Click();
    // Validate events of the two path boxes: run when a path was typed and the box is left (or Return pressed).
    void txtFilePath_Validate();
    void txtMdbPath_Validate();
    void mnuSaveR_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createCompanyBand(QWidget *canvas);
    void createSourceBand(QWidget *canvas);
    void createDataBand(QWidget *canvas);
    void createCommandBand(QWidget *canvas);
    void createStatusBar();
    // One of the window's buttons as its saved design describes it.
    controls::ButtonWindow *createButton(const QString &name, QWidget *parent);
    void arrangeStacking();
    void arrangeFocusOrder();
    void updateClock();
    void setCommandsEnabled(bool enabled);
    // Empties the status cell and takes the image, colour and bold mark from every row of the work grid.
    void clearRunResults();
    void flexGridDblClick(QTableView *view, const sources::SourceGrid &grid);
    QGroupBox *sourceFrame(int index) const { return m_frSource.at(std::size_t(index)); }
    QLineEdit *sourceBox(sources::SourceBox box) const;
    QRect toPixels(const QRectF &twips) const;
    QSizeF toTwips(const QSize &pixels) const;
    void placeSourceFrameContents();

    sources::WorkGrid m_workGrid;
    sources::SourceGrid m_sourceGrid;
    sources::SourceGrid m_itemTreeGrid;
    sources::SourceGrid m_transactionsGrid;

    QString m_CurrentCompany;
    bool m_Silent = false;
    PostEnd m_lastPostEnd = PostEnd::NotRun;
    // Why the last run stopped before its last row, "" when it did not; and whether it had sent anything by then.
    QString m_runStopped;
    bool m_sentBeforeStop = false;
    // Why the last refresh found no company to post to, "" when it listed the server's companies.
    QString m_refreshProblem;

    // Sizes the layout sets and reads again next time, in twips.
    QSizeF m_refreshSize = DesignSize::cmdRefresh;
    QSizeF m_postSize = DesignSize::cmdPost;
    QSizeF m_closeSize = DesignSize::cmdClose;
    double m_tabSourceHeight = DesignSize::frSourceHeights.front() + 500;
    LayoutPlaces m_lastLayout;

    int m_busyDepth = 0;
    // The focus when the outermost busy scope began, and where disabling the commands left it.
    QPointer<QWidget> m_focusBeforeBusy;
    QPointer<QWidget> m_focusWhileBusy;
    bool m_closePending = false;
    // Installed on the application while busy.
    QObject *m_keysDuringRun = nullptr;
    bool m_centred = false;

    QMenu *m_mnuMain = nullptr;
    QMenu *m_mnuHelp = nullptr;
    QAction *m_mnuSaveR = nullptr;
    QAction *m_mnuOptions = nullptr;
    QAction *m_mnuExit = nullptr;
    QAction *m_mnuAbout = nullptr;

    QLabel *m_Label17 = nullptr;
    QComboBox *m_cmbCurrentCompanyList = nullptr;
    controls::ButtonWindow *m_cmdRefresh = nullptr;

    QTabWidget *m_TabSource = nullptr;
    std::array<QGroupBox *, 3> m_frSource{};
    QLineEdit *m_txtFilePath = nullptr;
    controls::ButtonWindow *m_cmdFilePath = nullptr;
    QLineEdit *m_txtMdbPath = nullptr;
    controls::ButtonWindow *m_cmdMdbPath = nullptr;
    QLineEdit *m_txtMDBUser = nullptr;
    QLineEdit *m_txtMDBPass = nullptr;
    QLineEdit *m_txtODBCPath = nullptr;
    controls::ButtonWindow *m_cmdODBCPath = nullptr;
    QLineEdit *m_txtODBCUser = nullptr;
    QLineEdit *m_txtPass = nullptr;
    // Each source frame's controls with their places in the frame, in twips.
    QList<QPair<QWidget *, QRectF>> m_frameContents;

    QTabWidget *m_TabData = nullptr;
    QTableView *m_Gr1 = nullptr;
    QTableView *m_lstLedgerTree = nullptr;
    QTableView *m_lstItemTree = nullptr;
    QTableView *m_lstTransactions = nullptr;

    controls::ButtonWindow *m_cmdPost = nullptr;
    QComboBox *m_cmbTableName = nullptr;
    controls::ButtonWindow *m_cmdClose = nullptr;

    QHash<QString, QLabel *> m_panels;
    QTimer *m_clock = nullptr;
};

} // namespace app
