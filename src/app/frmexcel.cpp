#include "app/frmexcel.h"

#include "app/dlgipaddress.h"
#include "app/frmabout.h"
#include "app/icons.h"
#include "app/modcommandl.h"
#include "controls/buttonwindow.h"
#include "controls/propertybag.h"
#include "errors/errortrap.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "platform/system.h"
#include "platform/version.h"
#include "sources/importchoice.h"
#include "sources/importtypes.h"
#include "sources/sourcelisting.h"
#include "sources/statusline.h"
#include "tally/serverqueries.h"
#include "tally/tallyconstants.h"
#include "tally/transport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace app {

namespace {

using platform::MsgBoxStyle::Critical;

// The error a lookup of a status-line panel by an unknown key raises.
constexpr qint32 ElementNotFound = 35601;

// Twips a classic window puts around its client area: borders of 60 on each side, a title bar of 345 and a
// menu bar of 300. The layout's offsets (800 above the status bar, 175 from the right edge) were made for
// this frame, so the outer size counts it whatever the window manager draws; Qt's own geometry holds the
// menu bar, which is therefore left out of the client area below.
constexpr double frameWidthTwips = 120;
constexpr double frameHeightTwips = 765;

constexpr double twipsPerInch = 1440;

// The classic dialog face the window's texts were designed with; a metric twin where it is not installed.
QFont designFont(double pointSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// The colour of an enabled control's text; disabled, it shows the usual grey text, so that it does not look usable.
void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            palette.setColor(group, role, colour);
    }
    widget->setPalette(palette);
}

// The platform's style, with the menu bar reached by a lone Alt whatever that style says.
class MenuBarStyle final : public QProxyStyle
{
public:
    explicit MenuBarStyle(QObject *owner) { setParent(owner); }

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Drops the keys meant for one window while a run goes on in it: a key pressed to nothing visible would
// otherwise act on a command the moment the run enables it again.
class KeysDuringRun final : public QObject
{
public:
    explicit KeysDuringRun(QWidget *window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            break;
        default:
            return false;
        }
        // A box the run shows is a window of its own and takes its keys as ever.
        const auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->window() != m_window)
            return false;
        // An accepted override keeps the key from the window's shortcuts as well.
        event->accept();
        return true;
    }

private:
    QWidget *m_window;
};

QString couldNotFindCompanyText()
{
    const QStringList lines = {
        QStringLiteral("Tally is running."),
        QStringLiteral("But, could not find company."),
        QString(),
        QStringLiteral("Please Check the following settings."),
        QStringLiteral("1. Company is Selected in Tally."),
        QStringLiteral("2. Tally is showing some text as \"ODBC\" in the Calculator Window."),
        QStringLiteral("3. You have specified correct Server Address and Port Number in Harlo menu Main > Options. "),
    };
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

} // namespace

frmExcel::frmExcel(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmExcel"));
    setWindowTitle(QStringLiteral("Pelko 1.0"));
    setWindowIcon(icons::post());

    m_keysDuringRun = new KeysDuringRun(this);
    m_workGrid.setIconProvider([](int index) { return icons::statusImage(index); });

    auto *canvas = new QWidget(this);
    canvas->setObjectName(QStringLiteral("canvas"));
    setCentralWidget(canvas);

    createMenus();
    createCompanyBand(canvas);
    createSourceBand(canvas);
    createDataBand(canvas);
    createCommandBand(canvas);
    createStatusBar();
    arrangeStacking();
    arrangeFocusOrder();

    const int menuHeight = menuBar()->sizeHint().height();
    setMinimumSize(int(std::ceil((DesignSize::minimumWidth - frameWidthTwips) * logicalDpiX() / twipsPerInch)),
                   int(std::ceil((DesignSize::minimumHeight - frameHeightTwips) * logicalDpiY() / twipsPerInch)) +
                       menuHeight);
    resize(twipsToPixelsX(DesignSize::clientArea.width()),
           twipsToPixelsY(DesignSize::clientArea.height()) + menuHeight);
}

frmExcel::~frmExcel()
{
    // The views go before the grids they show.
    for (QTableView *view : {m_Gr1, m_lstLedgerTree, m_lstItemTree, m_lstTransactions})
        view->setModel(nullptr);
}

void frmExcel::createMenus()
{
    m_mnuMain = menuBar()->addMenu(QStringLiteral("Main"));
    m_mnuMain->setObjectName(QStringLiteral("mnuMain"));
    m_mnuMain->menuAction()->setObjectName(QStringLiteral("mnuMain"));
    m_mnuSaveR = m_mnuMain->addAction(QStringLiteral("Save Report"));
    m_mnuSaveR->setObjectName(QStringLiteral("mnuSaveR"));
    m_mnuSaveR->setVisible(false);
    m_mnuOptions = m_mnuMain->addAction(QStringLiteral("Options"));
    m_mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    m_mnuMain->addSeparator()->setObjectName(QStringLiteral("mnuMainSep1"));
    m_mnuExit = m_mnuMain->addAction(QStringLiteral("Exit"));
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));

    m_mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    m_mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    m_mnuHelp->menuAction()->setObjectName(QStringLiteral("mnuHelp"));
    // Content, Index, Search and Technical Support have no command behind them.
    m_mnuHelp->addAction(QStringLiteral("Content"))->setObjectName(QStringLiteral("mnuContent"));
    m_mnuHelp->addAction(QStringLiteral("Index"))->setObjectName(QStringLiteral("mnuIndex"));
    m_mnuHelp->addAction(QStringLiteral("Search"))->setObjectName(QStringLiteral("mnuSearch"));
    m_mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuHelpSep1"));
    m_mnuHelp->addAction(QStringLiteral("Technical Support"))->setObjectName(QStringLiteral("mnuSupport"));
    m_mnuAbout = m_mnuHelp->addAction(QStringLiteral("About Pelko 1.0"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    // The menus by keyboard: a lone Alt reaches the menu bar, and F10 opens its first menu; the arrow keys and
    // Enter go on from there.
    menuBar()->setStyle(new MenuBarStyle(menuBar()));
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setObjectName(QStringLiteral("F10"));
    connect(f10, &QShortcut::activated, this, [this] {
        if (m_mnuMain->menuAction()->isEnabled())
            menuBar()->setActiveAction(m_mnuMain->menuAction());
    });

    connect(m_mnuSaveR, &QAction::triggered, this, &frmExcel::mnuSaveR_Click);
    connect(m_mnuOptions, &QAction::triggered, this, &frmExcel::mnuOptions_Click);
    connect(m_mnuExit, &QAction::triggered, this, &frmExcel::mnuExit_Click);
    connect(m_mnuAbout, &QAction::triggered, this, &frmExcel::mnuAbout_Click);
}

void frmExcel::createCompanyBand(QWidget *canvas)
{
    m_Label17 = new QLabel(QStringLiteral("Open Companies List"), canvas);
    m_Label17->setObjectName(QStringLiteral("Label17"));
    m_Label17->setFont(designFont(8.25, true));

    m_cmbCurrentCompanyList = new QComboBox(canvas);
    m_cmbCurrentCompanyList->setObjectName(QStringLiteral("cmbCurrentCompanyList"));
    m_cmbCurrentCompanyList->setFont(designFont(9.75, true));
    setTextColour(m_cmbCurrentCompanyList, Qt::red);

    m_cmdRefresh = createButton(QStringLiteral("cmdRefresh"), canvas);
    connect(&m_cmdRefresh->control(), &controls::ctlButton::Click, this, &frmExcel::cmdRefresh_Click);
}

controls::ButtonWindow *frmExcel::createButton(const QString &name, QWidget *parent)
{
    icons::ensureResources();
    static const QList<controls::ControlDesign> design =
        controls::readFormDesign(QStringLiteral(":/pelko/frmexcel.design.json"));
    const auto it = std::find_if(design.cbegin(), design.cend(),
                                 [&](const controls::ControlDesign &control) { return control.name == name; });
    const controls::ControlDesign saved = it != design.cend() ? *it : controls::ControlDesign{};
    auto *button = new controls::ButtonWindow(saved.properties, parent);
    button->setObjectName(name);
    button->setToolTip(saved.extender.value(QLatin1String("tooltiptext")).toString());
    return button;
}

void frmExcel::createSourceBand(QWidget *canvas)
{
    m_TabSource = new QTabWidget(canvas);
    m_TabSource->setObjectName(QStringLiteral("TabSource"));
    connect(m_TabSource, &QTabWidget::currentChanged, this, &frmExcel::TabSource_Click);

    const QFont textFont = designFont(8.25, true);
    auto label = [&](QGroupBox *frame, const char *name, const QString &caption, const QRectF &place) {
        auto *widget = new QLabel(caption, frame);
        widget->setObjectName(QLatin1String(name));
        widget->setFont(textFont);
        m_frameContents.append({widget, place});
    };
    auto textBox = [&](QGroupBox *frame, const char *name, const QRectF &place) {
        auto *widget = new QLineEdit(frame);
        widget->setObjectName(QLatin1String(name));
        widget->setFont(textFont);
        m_frameContents.append({widget, place});
        return widget;
    };
    auto button = [&](QGroupBox *frame, const char *name, const QRectF &place) {
        auto *widget = createButton(QLatin1String(name), frame);
        m_frameContents.append({widget, place});
        return widget;
    };

    for (int i = 0; i < 3; ++i) {
        auto *frame = new QGroupBox(canvas);
        frame->setObjectName(QStringLiteral("frSource(%1)").arg(i));
        m_frSource.at(std::size_t(i)) = frame;
    }

    QGroupBox *excel = sourceFrame(0);
    label(excel, "Label1", QStringLiteral("Excel File Path"), {150, 345, 1290, 195});
    m_txtFilePath = textBox(excel, "txtFilePath", {1530, 270, 6735, 345});
    m_cmdFilePath = button(excel, "cmdFilePath", {8340, 255, 1065, 375});

    QGroupBox *access = sourceFrame(1);
    label(access, "Label4", QStringLiteral("Access File Path"), {120, 360, 1440, 195});
    m_txtMdbPath = textBox(access, "txtMdbPath", {1590, 285, 6645, 345});
    m_cmdMdbPath = button(access, "cmdMdbPath", {8310, 270, 1065, 375});
    label(access, "Label5", QStringLiteral("User Name"), {120, 825, 945, 195});
    m_txtMDBUser = textBox(access, "txtMDBUser", {1590, 750, 1545, 345});
    label(access, "Label6", QStringLiteral("Password"), {4020, 825, 825, 195});
    m_txtMDBPass = textBox(access, "txtMDBPass", {5040, 750, 1545, 345});

    QGroupBox *odbc = sourceFrame(2);
    label(odbc, "Label2", QStringLiteral("ODBC DSN Name"), {90, 360, 1515, 195});
    m_txtODBCPath = textBox(odbc, "txtODBCPath", {1740, 285, 6465, 345});
    m_cmdODBCPath = button(odbc, "cmdODBCPath", {8280, 270, 1065, 375});
    label(odbc, "Label7", QStringLiteral("User Name"), {90, 825, 945, 195});
    m_txtODBCUser = textBox(odbc, "txtODBCUser", {1740, 750, 1545, 345});
    label(odbc, "Label8", QStringLiteral("Password"), {3990, 825, 825, 195});
    m_txtPass = textBox(odbc, "txtPass", {5040, 750, 1545, 345});
    m_txtPass->setEchoMode(QLineEdit::Password);
    m_txtPass->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    connect(&m_cmdFilePath->control(), &controls::ctlButton::Click, this, &frmExcel::cmdFilePath_Click);
    connect(&m_cmdMdbPath->control(), &controls::ctlButton::Click, this, &frmExcel::cmdMdbPath_Click);
    connect(&m_cmdODBCPath->control(), &controls::ctlButton::Click, this, &frmExcel::cmdODBCPath_Click);
    connect(m_txtFilePath, &QLineEdit::editingFinished, this, &frmExcel::txtFilePath_Validate);
    connect(m_txtMdbPath, &QLineEdit::editingFinished, this, &frmExcel::txtMdbPath_Validate);

    placeSourceFrameContents();
}

void frmExcel::placeSourceFrameContents()
{
    for (const auto &[widget, place] : std::as_const(m_frameContents)) {
        // Labels are sized to their captions; where the caption is wider than its design place it keeps
        // its full width rather than being cut.
        QRect pixels = toPixels(place);
        if (auto *label = qobject_cast<QLabel *>(widget))
            pixels.setSize(pixels.size().expandedTo(label->sizeHint()));
        widget->setGeometry(pixels);
    }
}

void frmExcel::createDataBand(QWidget *canvas)
{
    m_TabData = new QTabWidget(canvas);
    m_TabData->setObjectName(QStringLiteral("TabData"));
    m_TabData->addTab(new QWidget(m_TabData), QStringLiteral("Imported Data"));
    connect(m_TabData, &QTabWidget::currentChanged, this, &frmExcel::TabData_Click);

    auto grid = [&](const char *name, QAbstractItemModel *model) {
        auto *view = new QTableView(canvas);
        view->setObjectName(QLatin1String(name));
        view->setModel(model);
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
        // Tab leaves the grid for the next control, as it does everywhere else in the window; the arrow keys
        // move between cells.
        view->setTabKeyNavigation(false);
        // Captions keep their weight whatever is selected: a bold caption would no longer fit its fitted column.
        view->horizontalHeader()->setHighlightSections(false);
        view->verticalHeader()->setHighlightSections(false);
        view->viewport()->installEventFilter(this);
        return view;
    };
    m_lstItemTree = grid("lstItemTree", &m_itemTreeGrid);
    m_lstTransactions = grid("lstTransactions", &m_transactionsGrid);
    m_lstLedgerTree = grid("lstLedgerTree", &m_sourceGrid);
    m_Gr1 = grid("Gr1", &m_workGrid);
    m_Gr1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_Gr1->setSelectionMode(QAbstractItemView::SingleSelection);
    // The size the grid counts for a status image when it fits the first column.
    m_Gr1->setIconSize(QSize(sources::ImageSize, sources::ImageSize));

    connect(&m_workGrid, &sources::WorkGrid::currentRowChanged, this, [this](int row) {
        if (row < 1 || row > m_workGrid.rows() || m_workGrid.columns() < 1)
            return;
        const QModelIndex index = m_workGrid.index(row - 1, 0);
        m_Gr1->setCurrentIndex(index);
        m_Gr1->scrollTo(index);
    });
    connect(&m_workGrid, &sources::WorkGrid::columnWidthChanged, this, [this](int column, int width) {
        if (column < 1)
            return;
        m_Gr1->setColumnWidth(column - 1, width >= 0 ? width : m_Gr1->horizontalHeader()->defaultSectionSize());
    });
}

void frmExcel::createCommandBand(QWidget *canvas)
{
    m_cmdPost = createButton(QStringLiteral("cmdPost"), canvas);

    m_cmbTableName = new QComboBox(canvas);
    m_cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    m_cmbTableName->setFont(designFont(9.75, true));
    setTextColour(m_cmbTableName, Qt::blue);

    m_cmdClose = createButton(QStringLiteral("cmdClose"), canvas);

    // A closed list takes the wheel only while it has the focus: a wheel turned over it on the way elsewhere
    // would switch the company a Post goes to, or load another sheet.
    for (QComboBox *list : {m_cmbCurrentCompanyList, m_cmbTableName}) {
        list->setFocusPolicy(Qt::StrongFocus);
        list->installEventFilter(this);
    }

    connect(&m_cmdPost->control(), &controls::ctlButton::Click, this, &frmExcel::cmdPost_Click);
    connect(&m_cmdClose->control(), &controls::ctlButton::Click, this, &frmExcel::cmdClose_Click);
    // A choice from the list counts even when it picks the entry already shown.
    connect(m_cmbTableName, &QComboBox::activated, this, &frmExcel::cmbTableName_Click);
}

void frmExcel::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("SB"));
    // The step panel takes the room that is left; the server-state panel is as wide as its text, and the
    // clock panels sit at the right end.
    const QString msgKey = QString::fromLatin1(sources::MsgPanel);
    for (const QString &key :
         {msgKey, QString::fromLatin1(sources::StatPanel), QStringLiteral("Date"), QStringLiteral("Time")}) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(key);
        if (key == msgKey) {
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            bar->addWidget(panel, 1);
        } else if (key == QLatin1String(sources::StatPanel)) {
            panel->setMinimumWidth(twipsToPixelsX(1000));
            bar->addWidget(panel);
        } else {
            bar->addPermanentWidget(panel);
        }
        m_panels.insert(key, panel);
    }
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &frmExcel::updateClock);
    m_clock->start();
    updateClock();
}

void frmExcel::updateClock()
{
    const QDateTime now = platform::system().now();
    const QLocale locale;
    m_panels.value(QStringLiteral("Date"))->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_panels.value(QStringLiteral("Time"))->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void frmExcel::arrangeStacking()
{
    // Back to front; the frames lie on the source tabs, the grids on the data tab, and the work grid in front
    // of the three grids that share its place.
    const QList<QWidget *> backToFront = {
        m_TabSource,    m_TabData,      m_lstTransactions, m_lstItemTree,  m_cmbCurrentCompanyList, m_cmdRefresh,
        sourceFrame(0), m_cmdPost,      m_cmdClose,        m_cmbTableName, sourceFrame(1),          m_lstLedgerTree,
        m_Gr1,          sourceFrame(2),
    };
    for (QWidget *widget : backToFront)
        widget->raise();
    m_Label17->lower();
}

void frmExcel::arrangeFocusOrder()
{
    const QList<QWidget *> order = {
        m_cmbCurrentCompanyList,
        m_cmdRefresh,
        m_TabSource,
        m_txtFilePath,
        m_cmdFilePath,
        m_txtMdbPath,
        m_cmdMdbPath,
        m_txtMDBUser,
        m_txtMDBPass,
        m_txtODBCPath,
        m_txtODBCUser,
        m_txtPass,
        m_cmdODBCPath,
        m_Gr1,
        m_cmbTableName,
        m_cmdPost,
        m_cmdClose,
        m_lstLedgerTree,
        m_TabData,
        m_lstTransactions,
        m_lstItemTree,
    };
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
}

QString frmExcel::companyListText() const
{
    return m_cmbCurrentCompanyList->currentText();
}

QString frmExcel::importTypeText() const
{
    return m_cmbTableName->currentText();
}

void frmExcel::stat(const QString &Msg, const QString &sPanelName)
{
    errors::trap(QStringLiteral("F01-0040"), [&] {
        QLabel *panel = m_panels.value(sPanelName);
        if (!panel)
            errors::raise(ElementNotFound, QStringLiteral("Element not found"));
        panel->setText(sources::statusLineText(Msg));
    });
}

QString frmExcel::panelText(const QString &key) const
{
    const QLabel *panel = m_panels.value(key);
    return panel ? panel->text() : QString();
}

platform::Prompter &frmExcel::prompter()
{
    return platform::prompter();
}

void frmExcel::yieldToEvents()
{
    platform::yieldToEventLoop();
}

void frmExcel::selectFirstDataTab()
{
    m_TabData->setCurrentIndex(0);
}

void frmExcel::prepareWindow(const CommandLine &commandLine)
{
    prepareWindow(commandLine, {});
}

void frmExcel::prepareWindow(const CommandLine &commandLine, const std::function<void()> &listSource)
{
    setWindowTitle(QStringLiteral("Pelko %1.%2.%3")
                       .arg(platform::programVersionMajor)
                       .arg(platform::programVersionMinor)
                       .arg(platform::programVersionPatch));

    const QString kind = commandLine.SourceKind().toUpper();
    if (kind == QLatin1String("XLS")) {
        addSourceTab(QString(sources::ExcelSourceKey));
        m_txtFilePath->setText(commandLine.sourcePath());
    } else if (kind == QLatin1String("MDB")) {
        addSourceTab(QString(sources::AccessSourceKey));
        m_txtMdbPath->setText(commandLine.sourcePath());
    } else if (kind == QLatin1String("ODBC")) {
        addSourceTab(QString(sources::OdbcSourceKey));
        if (!commandLine.odbcUser().trimmed().isEmpty())
            m_txtODBCUser->setText(commandLine.odbcUser());
        if (!commandLine.odbcPassword().trimmed().isEmpty())
            m_txtPass->setText(commandLine.odbcPassword());
        m_txtODBCPath->setText(commandLine.sourcePath());
    } else {
        addSourceTab(QString(sources::ExcelSourceKey));
        addSourceTab(QString(sources::AccessSourceKey));
        addSourceTab(QString(sources::OdbcSourceKey));
    }
    m_TabSource->setCurrentIndex(0);
    if (listSource)
        listSource();

    TabData_Click();
    ShowSourceFrame();

    m_cmbTableName->addItem(QString(sources::SelectImportTypeText));
    selectListEntry(m_cmbTableName, QString(sources::SelectImportTypeText));
}

void frmExcel::addSourceTab(const QString &key)
{
    // Tabs added by the program are no choice of the user's.
    const QSignalBlocker blocker(m_TabSource);
    const int index = m_TabSource->addTab(new QWidget(m_TabSource), key);
    m_TabSource->tabBar()->setTabData(index, key);
}

QString frmExcel::selectedSourceKey() const
{
    const int index = m_TabSource->currentIndex();
    return index >= 0 ? m_TabSource->tabBar()->tabData(index).toString() : QString();
}

bool frmExcel::selectListEntry(QComboBox *list, const QString &text)
{
    const int index = list->findText(text, Qt::MatchFixedString);
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    return true;
}

bool frmExcel::selectImportType(const QString &text)
{
    if (!selectListEntry(m_cmbTableName, text))
        return false;
    cmbTableName_Click();
    return true;
}

frmExcel::BusyScope::BusyScope(frmExcel &window) : m_window(window)
{
    if (m_window.m_busyDepth++ > 0)
        return;
    m_window.m_focusBeforeBusy = m_window.focusWidget();
    m_window.setCommandsEnabled(false);
    // Disabling the commands hands the focus to the next control that takes it, Close; a key the user presses
    // during the run must not find it there. The grid takes the focus instead.
    if (m_window.focusWidget() == m_window.m_cmdClose && m_window.m_focusBeforeBusy != m_window.m_cmdClose)
        m_window.m_Gr1->setFocus(Qt::OtherFocusReason);
    m_window.m_focusWhileBusy = m_window.focusWidget();
    // Keys pressed during the run are dropped, not kept for the commands that are enabled again afterwards.
    qApp->installEventFilter(m_window.m_keysDuringRun);
}

frmExcel::BusyScope::~BusyScope()
{
    if (--m_window.m_busyDepth > 0)
        return;
    qApp->removeEventFilter(m_window.m_keysDuringRun);
    m_window.setCommandsEnabled(true);
    // A list chosen from with the keys, or a path box left with Tab, keeps the keyboard where the user put it;
    // a focus the user moved during the run stays where it went.
    QWidget *before = m_window.m_focusBeforeBusy;
    if (before && before != m_window.m_focusWhileBusy && m_window.focusWidget() == m_window.m_focusWhileBusy &&
        before->isEnabled() && before->isVisible())
        before->setFocus(Qt::OtherFocusReason);
    if (m_window.m_closePending) {
        m_window.m_closePending = false;
        // Closed from the event loop, so that the procedure that held the scope can return first.
        QTimer::singleShot(0, &m_window, &QWidget::close);
    }
}

void frmExcel::setCommandsEnabled(bool enabled)
{
    for (QWidget *widget : {static_cast<QWidget *>(m_cmdPost), static_cast<QWidget *>(m_cmdRefresh),
                            static_cast<QWidget *>(m_TabSource), static_cast<QWidget *>(sourceFrame(0)),
                            static_cast<QWidget *>(sourceFrame(1)), static_cast<QWidget *>(sourceFrame(2)),
                            static_cast<QWidget *>(m_cmbTableName), static_cast<QWidget *>(m_cmbCurrentCompanyList)})
        widget->setEnabled(enabled);
    m_mnuMain->menuAction()->setEnabled(enabled);
    m_mnuHelp->menuAction()->setEnabled(enabled);
}

// --- Company list and server settings -------------------------------------------------------------------------

void frmExcel::cmdRefresh_Click()
{
    m_refreshProblem.clear();
    errors::trap(QStringLiteral("F01-0014"), [&] {
        // Inside a run, the run's server; otherwise the settings as stored now, read once for the check and the URL.
        const platform::ServerSettings server = tally::currentServer();
        if (server.address.isEmpty() || server.port.isEmpty()) {
            m_refreshProblem = QStringLiteral("no Tally server is set: give its address and port as arguments 6 "
                                              "and 7");
            dlgIPAddress dialog(this);
            dialog.exec();
            return;
        }

        const QString msg = QString::fromLatin1(sources::MsgPanel);
        const QString state = QString::fromLatin1(sources::StatPanel);
        stat(QStringLiteral("Initializing Tally Engine"), msg);
        stat(QStringLiteral("Wait..."), state);
        const QString url = tally::TallyServerUrl(server);
        const QString serverAt = QStringLiteral("the Tally server at ") + url;

        if (!tally::IsTallyRunning(url)) {
            m_refreshProblem = serverAt + QStringLiteral(" does not answer");
            stat(QStringLiteral("Tally is not running."), state);
            platform::msgBox(QStringLiteral("Tally is not running."), Critical | platform::MsgBoxStyle::OkOnly,
                             QStringLiteral("Tally Search."));
            return;
        }

        stat(QStringLiteral("Checking Tally Version"), msg);
        const QString version = tally::GetTallyVersion(url);
        stat(version, state);
        if (version.isEmpty()) {
            m_refreshProblem = serverAt + QStringLiteral(" did not answer the version query");
            return;
        }

        stat(QStringLiteral("Getting Current Company List"), msg);
        const QStringList companies = tally::GetCompanyList(url);
        stat(QStringLiteral("Reading Current Company List"), msg);
        if (companies == QStringList{QString::fromLatin1(tally::noCompanyFound), QString()})
            m_refreshProblem = serverAt + QStringLiteral(" did not answer the company queries");

        // The list ends with one entry that is no company: the empty end of the names, or the reply of a
        // server that named none.
        m_cmbCurrentCompanyList->clear();
        for (qsizetype i = 0; i + 1 < companies.size(); ++i)
            m_cmbCurrentCompanyList->addItem(companies.at(i));
        m_cmbCurrentCompanyList->setCurrentIndex(-1);

        stat(QStringLiteral("Getting Current Company"), msg);
        m_CurrentCompany = tally::GetCurrentCompany(url);

        // Only a reply without any company name can be an error text; a company whose name holds ERROR is
        // a company like any other.
        const bool noCompanyNamed = companies.size() == 2 && companies.at(0).isEmpty();
        if (noCompanyNamed && companies.at(1).contains(QLatin1String("ERROR"))) {
            m_refreshProblem = serverAt + QStringLiteral(" answered the company queries with an error: ") +
                               companies.at(1).simplified();
            stat(QStringLiteral("Could not find company."), msg);
            platform::msgBox(couldNotFindCompanyText(), Critical | platform::MsgBoxStyle::OkOnly,
                             QStringLiteral("Pelko 1.0"));
            return;
        }
        if (noCompanyNamed)
            m_refreshProblem = serverAt + (tally::IsCompanyListExport(companies.at(1))
                                               ? QStringLiteral(" holds no company")
                                               : QStringLiteral(" did not answer the company queries"));

        // A current company the list does not hold cannot be selected; the list then stays as it is.
        if (!m_CurrentCompany.isEmpty())
            selectListEntry(m_cmbCurrentCompanyList, m_CurrentCompany);
        stat(QString(), msg);
    });
}

void frmExcel::ShowServerDialog()
{
    errors::trap(QStringLiteral("F01-0012"), [&] {
        dlgIPAddress dialog(this);
        dialog.exec();
    });
}

void frmExcel::mnuOptions_Click()
{
    errors::trap(QStringLiteral("F01-0036"), [&] {
        ShowServerDialog();
        cmdRefresh_Click();
    });
}

// --- About box and closing -------------------------------------------------------------------------------------

void frmExcel::mnuAbout_Click()
{
    errors::trap(QStringLiteral("F01-0034"), [&] {
        frmAbout about(this);
        about.exec();
    });
}

void frmExcel::mnuExit_Click()
{
    errors::trap(QStringLiteral("F01-0035"), [&] { close(); });
}

void frmExcel::cmdClose_Click()
{
    errors::trap(QStringLiteral("F01-0010"), [&] { close(); });
}

void frmExcel::closeEvent(QCloseEvent *event)
{
    if (isBusy()) {
        m_closePending = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// --- Layout and source tabs ------------------------------------------------------------------------------------

int frmExcel::twipsToPixelsX(double twips) const
{
    return qRound(twips * logicalDpiX() / twipsPerInch);
}

int frmExcel::twipsToPixelsY(double twips) const
{
    return qRound(twips * logicalDpiY() / twipsPerInch);
}

QRect frmExcel::toPixels(const QRectF &twips) const
{
    return {twipsToPixelsX(twips.left()), twipsToPixelsY(twips.top()), twipsToPixelsX(twips.width()),
            twipsToPixelsY(twips.height())};
}

QSizeF frmExcel::toTwips(const QSize &pixels) const
{
    return {pixels.width() * twipsPerInch / logicalDpiX(), pixels.height() * twipsPerInch / logicalDpiY()};
}

QSizeF frmExcel::outerSizeTwips() const
{
    const QSizeF client = toTwips(QSize(width(), height() - menuBar()->height()));
    return {client.width() + frameWidthTwips, client.height() + frameHeightTwips};
}

void frmExcel::resizeToOuterTwips(const QSizeF &outer)
{
    const int clientWidth = int(std::ceil((outer.width() - frameWidthTwips) * logicalDpiX() / twipsPerInch - 1e-9));
    const int clientHeight = int(std::ceil((outer.height() - frameHeightTwips) * logicalDpiY() / twipsPerInch - 1e-9));
    resize(clientWidth, clientHeight + menuBar()->height());
}

void frmExcel::Form_Resize()
{
    errors::trap(QStringLiteral("F01-0030"), [&] {
        LayoutInput input;
        input.minimized = isMinimized();
        input.window = outerSizeTwips();
        input.cmdRefresh = m_refreshSize;
        input.cmdPost = m_postSize;
        input.cmdClose = m_closeSize;
        input.Label17 = toTwips(m_Label17->sizeHint());
        input.cmbCurrentCompanyListHeight = toTwips(m_cmbCurrentCompanyList->sizeHint()).height();
        input.cmbTableNameHeight = toTwips(m_cmbTableName->sizeHint()).height();
        input.SBHeight = toTwips(QSize(0, statusBar()->height())).height();
        input.sourceKey = selectedSourceKey();
        input.TabSourceHeight = m_tabSourceHeight;

        const LayoutPlaces places = app::Form_Resize(input);
        if (!places.placed)
            return;

        m_Label17->setGeometry(toPixels(places.Label17));
        m_cmdRefresh->setGeometry(toPixels(places.cmdRefresh));
        m_cmbCurrentCompanyList->setGeometry(toPixels(places.cmbCurrentCompanyList));
        m_cmdPost->setGeometry(toPixels(places.cmdPost));
        m_cmdClose->setGeometry(toPixels(places.cmdClose));
        m_cmbTableName->setGeometry(toPixels(places.cmbTableName));
        m_TabSource->setGeometry(toPixels(places.TabSource));
        for (std::size_t i = 0; i < m_frSource.size(); ++i)
            m_frSource.at(i)->setGeometry(toPixels(places.frSource.at(i)));
        m_TabData->setGeometry(toPixels(places.TabData));
        m_lstItemTree->setGeometry(toPixels(places.lstItemTree));
        m_lstLedgerTree->setGeometry(toPixels(places.lstLedgerTree));
        m_Gr1->setGeometry(toPixels(places.Gr1));
        m_lstTransactions->setGeometry(toPixels(places.lstTransactions));

        m_postSize = places.cmdPost.size();
        m_closeSize = places.cmdClose.size();
        m_tabSourceHeight = places.TabSource.height();
        m_lastLayout = places;

        if (places.window.width() > input.window.width() || places.window.height() > input.window.height())
            resizeToOuterTwips(places.window);
    });
}

void frmExcel::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmExcel::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Restoring a minimized window lays it out again.
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        Form_Resize();
}

void frmExcel::showEvent(QShowEvent *event)
{
    if (!m_centred && !event->spontaneous()) {
        m_centred = true;
        if (const QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QMainWindow::showEvent(event);
}

void frmExcel::ShowSourceFrame()
{
    errors::trap(QStringLiteral("F01-0039"), [&] {
        for (QGroupBox *frame : m_frSource)
            frame->hide();
        const int index = sourceFrameIndex(selectedSourceKey());
        if (index < 0)
            return;
        sourceFrame(index)->show();
        m_tabSourceHeight = DesignSize::frSourceHeights.at(std::size_t(index)) + 500;
        m_TabSource->resize(m_TabSource->width(), twipsToPixelsY(m_tabSourceHeight));
    });
}

void frmExcel::TabSource_Click()
{
    errors::trap(QStringLiteral("F01-0041"), [&] {
        for (QGroupBox *frame : m_frSource)
            frame->hide();
        const int index = sourceFrameIndex(selectedSourceKey());
        if (index >= 0)
            sourceFrame(index)->show();
        Form_Resize();
    });
}

void frmExcel::TabData_Click()
{
    errors::trap(QStringLiteral("F01-0038"), [&] {
        m_lstLedgerTree->hide();
        m_lstItemTree->hide();
        m_lstTransactions->hide();
        switch (m_TabData->currentIndex() + 1) {
        case 1:
            m_lstLedgerTree->show();
            break;
        case 2:
            m_lstTransactions->show();
            break;
        default:
            break;
        }
    });
}

void frmExcel::flexGridDblClick(QTableView *view, const sources::SourceGrid &grid)
{
    // The grid's current row counts from its first record; the header row is never current.
    const QModelIndex current = view->currentIndex();
    const int row = current.isValid() ? current.row() + 1 : 1;
    const QString text = grid.TextMatrix(row, grid.Cols() - 1);
    if (!text.isEmpty())
        platform::msgBox(text, platform::MsgBoxStyle::OkOnly);
}

void frmExcel::lstItemTree_DblClick()
{
    errors::trap(QStringLiteral("F01-0031"), [&] { flexGridDblClick(m_lstItemTree, m_itemTreeGrid); });
}

void frmExcel::lstLedgerTree_DblClick()
{
    errors::trap(QStringLiteral("F01-0032"), [&] { flexGridDblClick(m_lstLedgerTree, m_sourceGrid); });
}

void frmExcel::lstTransactions_DblClick()
{
    errors::trap(QStringLiteral("F01-0033"), [&] { flexGridDblClick(m_lstTransactions, m_transactionsGrid); });
}

bool frmExcel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel && (watched == m_cmbCurrentCompanyList || watched == m_cmbTableName) &&
        !static_cast<QWidget *>(watched)->hasFocus()) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_lstItemTree->viewport())
            lstItemTree_DblClick();
        else if (watched == m_lstLedgerTree->viewport())
            lstLedgerTree_DblClick();
        else if (watched == m_lstTransactions->viewport())
            lstTransactions_DblClick();
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Import workflow -------------------------------------------------------------------------------------------

QString frmExcel::sourceText(sources::SourceBox box) const
{
    return sourceBox(box)->text();
}

void frmExcel::setSourceText(sources::SourceBox box, const QString &text)
{
    // Text set by the program is no typing of the user's and raises no Validate event.
    sourceBox(box)->setText(text);
}

QLineEdit *frmExcel::sourceBox(sources::SourceBox box) const
{
    switch (box) {
    case sources::SourceBox::txtFilePath:
        return m_txtFilePath;
    case sources::SourceBox::txtMdbPath:
        return m_txtMdbPath;
    case sources::SourceBox::txtMDBUser:
        return m_txtMDBUser;
    case sources::SourceBox::txtMDBPass:
        return m_txtMDBPass;
    case sources::SourceBox::txtODBCPath:
        return m_txtODBCPath;
    case sources::SourceBox::txtODBCUser:
        return m_txtODBCUser;
    case sources::SourceBox::txtPass:
        return m_txtPass;
    }
    return m_txtFilePath;
}

QStringList frmExcel::importTypeEntries() const
{
    QStringList entries;
    for (int i = 0; i < m_cmbTableName->count(); ++i)
        entries.append(m_cmbTableName->itemText(i));
    return entries;
}

void frmExcel::clearImportTypes()
{
    m_cmbTableName->clear();
}

void frmExcel::addImportType(const QString &entry, const QString &sourceFile)
{
    // The combo box selects the first entry put into an empty list by itself; the list should not.
    const bool wasEmpty = m_cmbTableName->count() == 0;
    m_cmbTableName->addItem(entry, sourceFile);
    if (wasEmpty)
        m_cmbTableName->setCurrentIndex(-1);
}

QString frmExcel::importTypeSourceFile() const
{
    const int index = m_cmbTableName->currentIndex();
    return index >= 0 ? m_cmbTableName->itemData(index).toString() : QString();
}

void frmExcel::cmbTableName_Click()
{
    const BusyScope busy(*this);
    sources::cmbTableName_Click(*this);
    // The new sheet's columns are shown from the first, whatever the last one scrolled to.
    m_Gr1->horizontalScrollBar()->setValue(0);
}

void frmExcel::cmdFilePath_Click()
{
    const BusyScope busy(*this);
    sources::cmdFilePath_Click(*this);
}

void frmExcel::cmdMdbPath_Click()
{
    const BusyScope busy(*this);
    sources::cmdMdbPath_Click(*this);
}

void frmExcel::cmdODBCPath_Click()
{
    const BusyScope busy(*this);
    sources::cmdODBCPath_Click(*this);
}

void frmExcel::txtFilePath_Validate()
{
    // Disabling the source frame for a load takes the focus from a path box; that is no Validate of the user's.
    if (isBusy())
        return;
    const BusyScope busy(*this);
    sources::txtFilePath_Validate(*this);
}

void frmExcel::txtMdbPath_Validate()
{
    if (isBusy())
        return;
    const BusyScope busy(*this);
    sources::txtMdbPath_Validate(*this);
}

} // namespace app
