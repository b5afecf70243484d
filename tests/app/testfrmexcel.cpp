#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "controls/buttonwindow.h"
#include "modalhelper.h"
#include "platform/prompter.h"
#include "sources/sourcegrid.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "support/texts.h"
#include "windowhelpers.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using app::CommandLine;
using app::frmExcel;
using controls::ButtonWindow;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

using apptest::doubleClick;
using testsupport::strings;

template <typename T> T *child(const frmExcel &window, const QString &name)
{
    T *widget = window.findChild<T *>(name);
    if (!widget)
        qFatal("no child %s", qPrintable(name));
    return widget;
}

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

class TestFrmExcel final : public testsupport::TestBed<frmExcel>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_window = std::make_unique<frmExcel>();
    }

    void cleanup() { stopBed(); }

    void buttons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tip");
        QTest::newRow("cmdRefresh") << "cmdRefresh"
                                    << "Refresh"
                                    << "Refresh Company List.";
        QTest::newRow("cmdPost") << "cmdPost"
                                 << "Post"
                                 << "Post the data to Tally A/c Software.";
        QTest::newRow("cmdClose") << "cmdClose"
                                  << "Close"
                                  << "Close Pelko.";
        QTest::newRow("cmdFilePath") << "cmdFilePath"
                                     << "Source"
                                     << "Refresh Company List.";
        QTest::newRow("cmdMdbPath") << "cmdMdbPath"
                                    << "Source"
                                    << "Refresh Company List.";
        QTest::newRow("cmdODBCPath") << "cmdODBCPath"
                                     << "Connect"
                                     << "Refresh Company List.";
    }

    void buttons()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, tip);
        ButtonWindow *window = child<ButtonWindow>(*m_window, name);
        QCOMPARE(window->toolTip(), tip);
        // As the saved design has it: a push button in the grey bevel, centred caption, a 16 x 16 icon at the
        // left edge, the button face, no gradient, the focus rectangle on, 8.25 point regular.
        controls::ctlButton &button = window->control();
        QCOMPARE(button.Caption(), caption);
        QCOMPARE(button.Mode(), 0);
        QCOMPARE(button.ButtonStyle(), 0);
        QCOMPARE(button.ButtonShape(), 0);
        QCOMPARE(button.CaptionAlign(), 2);
        QCOMPARE(button.PictureAlign(), 0);
        QCOMPARE(button.PictureSize(), 0);
        QCOMPARE(button.Picture().kind(), controls::ButtonPicture::Kind::Icon);
        QCOMPARE(button.pictureMeasure(), QSize(16, 16));
        QCOMPARE(button.GradientMode(), 0);
        QCOMPARE(button.BackColor(), controls::Colour::ButtonFace);
        QCOMPARE(button.HoverBackColor(), controls::Colour::ButtonFace);
        QCOMPARE(button.ForeColor(), controls::Colour::ButtonText);
        QVERIFY(button.ShowFocusRect());
        QVERIFY(!button.Value());
        QCOMPARE(button.Font().pointSizeF(), 8.25);
        QVERIFY(!button.Font().bold());
    }

    void menus()
    {
        QCOMPARE(m_window->menuBar()->actions().size(), 2);
        const QMenu *main = child<QMenu>(*m_window, QStringLiteral("mnuMain"));
        const QMenu *help = child<QMenu>(*m_window, QStringLiteral("mnuHelp"));
        QCOMPARE(main->title(), QStringLiteral("Main"));
        QCOMPARE(help->title(), QStringLiteral("Help"));
        QCOMPARE(menuTexts(main), (strings({"Save Report", "Options", "-", "Exit"})));
        QCOMPARE(menuTexts(help),
                 (strings({"Content", "Index", "Search", "-", "Technical Support", "About Pelko 1.0"})));
        QVERIFY(!child<QAction>(*m_window, QStringLiteral("mnuSaveR"))->isVisible());
        for (const QMenu *menu : {main, help}) {
            for (const QAction *action : menu->actions())
                QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->text()));
        }
    }

    void helpItemsWithoutCommandDoNothing()
    {
        m_window->show();
        for (const char *name : {"mnuContent", "mnuIndex", "mnuSearch", "mnuSupport"})
            child<QAction>(*m_window, QLatin1String(name))->trigger();
        QVERIFY(m_prompter->boxes().isEmpty());
        QVERIFY(m_window->isVisible());
    }

    void sourceTabs_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("pathBox");
        QTest::addColumn<QString>("path");

        QTest::newRow("no arguments") << QString() << strings({"Excel", "Access", "ODBC"}) << 0 << "txtFilePath"
                                      << QString();
        QTest::newRow("XLS") << "XLS \"/data/my book.xls\"" << strings({"Excel"}) << 0 << "txtFilePath"
                             << "/data/my book.xls";
        QTest::newRow("xls lower case") << "xls /data/b.xls" << strings({"Excel"}) << 0 << "txtFilePath"
                                        << "/data/b.xls";
        QTest::newRow("MDB") << "MDB /data/a.mdb" << strings({"Access"}) << 1 << "txtMdbPath"
                             << "/data/a.mdb";
        QTest::newRow("ODBC") << "ODBC Books" << strings({"ODBC"}) << 2 << "txtODBCPath"
                              << "Books";
        QTest::newRow("other kind") << "CSV /data/a.csv" << strings({"Excel", "Access", "ODBC"}) << 0 << "txtFilePath"
                                    << QString();
        QTest::newRow("XLS with a leading blank")
            << "\" XLS\" /data/a.xls" << strings({"Excel", "Access", "ODBC"}) << 0 << "txtFilePath" << QString();
    }

    void sourceTabs()
    {
        QFETCH(QString, raw);
        QFETCH(QStringList, tabs);
        QFETCH(int, frame);
        QFETCH(QString, pathBox);
        QFETCH(QString, path);

        m_window->prepareWindow(CommandLine::read(raw));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

        const QTabWidget *tabSource = child<QTabWidget>(*m_window, QStringLiteral("TabSource"));
        QStringList captions;
        for (int i = 0; i < tabSource->count(); ++i) {
            captions << tabSource->tabText(i);
            QCOMPARE(tabSource->tabBar()->tabData(i).toString(), tabSource->tabText(i));
        }
        QCOMPARE(captions, tabs);
        QCOMPARE(tabSource->currentIndex(), 0);
        QCOMPARE(m_window->selectedSourceKey(), tabs.first());
        for (int i = 0; i < 3; ++i) {
            const auto *box = child<QGroupBox>(*m_window, QStringLiteral("frSource(%1)").arg(i));
            QCOMPARE(box->isVisibleTo(m_window.get()), i == frame);
        }
        QCOMPARE(child<QLineEdit>(*m_window, pathBox)->text(), path);
        QCOMPARE(m_window->lastLayout().TabSource.height(), frame == 0 ? 1325.0 : 1805.0);

        const QComboBox *importTypes = child<QComboBox>(*m_window, QStringLiteral("cmbTableName"));
        QCOMPARE(importTypes->count(), 1);
        QCOMPARE(m_window->importTypeText(), QStringLiteral(">>Select Import Type<<"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Pelko 1.0.0"));
    }

    void odbcCredentialsFromTheCommandLine()
    {
        m_window->prepareWindow(CommandLine::read(QStringLiteral("ODBC Books \"\" \"\" \"\" \"\" \"\" \"\" \" \" pw")));
        QCOMPARE(child<QLineEdit>(*m_window, QStringLiteral("txtODBCUser"))->text(), QString());
        QCOMPARE(child<QLineEdit>(*m_window, QStringLiteral("txtPass"))->text(), QStringLiteral("pw"));
        QCOMPARE(child<QLineEdit>(*m_window, QStringLiteral("txtPass"))->echoMode(), QLineEdit::Password);
    }

    void layoutPlacesTheControls()
    {
        m_window->prepareWindow(CommandLine::read(QString()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

        // The first layout uses Post's design height, every later one the height it was given.
        const double firstPostTop = m_window->lastLayout().cmdPost.top();
        m_window->Form_Resize();
        QCOMPARE(m_window->lastLayout().cmdPost.top() - firstPostTop, 30.0);

        m_window->resizeToOuterTwips({10110, 8460});
        QCOMPARE(m_window->outerSizeTwips(), QSizeF(10110, 8460));
        const app::LayoutPlaces &places = m_window->lastLayout();
        QCOMPARE(places.cmdRefresh, QRectF(8840, 50, 1095, 375));
        const double statusBarTwips = m_window->statusBar()->height() * 1440.0 / m_window->logicalDpiY();
        QCOMPARE(places.cmdPost.topLeft(), QPointF(60, 8460 - 375 - statusBarTwips - 800));
        QCOMPARE(places.cmdClose.top(), places.cmdPost.top());
        QCOMPARE(places.cmdPost.size(), places.cmdRefresh.size());

        const auto pixels = [&](const QRectF &twips) {
            return QRect(m_window->twipsToPixelsX(twips.left()), m_window->twipsToPixelsY(twips.top()),
                         m_window->twipsToPixelsX(twips.width()), m_window->twipsToPixelsY(twips.height()));
        };
        QCOMPARE(child<ButtonWindow>(*m_window, QStringLiteral("cmdRefresh"))->geometry(), pixels(places.cmdRefresh));
        QCOMPARE(child<ButtonWindow>(*m_window, QStringLiteral("cmdPost"))->geometry(), pixels(places.cmdPost));
        QCOMPARE(child<ButtonWindow>(*m_window, QStringLiteral("cmdClose"))->geometry(), pixels(places.cmdClose));
        QCOMPARE(child<QComboBox>(*m_window, QStringLiteral("cmbTableName"))->geometry(), pixels(places.cmbTableName));
        QCOMPARE(child<QTabWidget>(*m_window, QStringLiteral("TabData"))->geometry(), pixels(places.TabData));
        QCOMPARE(child<QTableView>(*m_window, QStringLiteral("Gr1"))->geometry(), pixels(places.Gr1));
        QCOMPARE(child<QGroupBox>(*m_window, QStringLiteral("frSource(1)"))->geometry(), pixels(places.frSource.at(1)));

        // The command band ends just above the status bar, inside the window.
        const QWidget *canvas = m_window->centralWidget();
        const QRect post = child<ButtonWindow>(*m_window, QStringLiteral("cmdPost"))->geometry();
        QVERIFY(post.bottom() < canvas->height());
        QVERIFY(post.top() > child<QTableView>(*m_window, QStringLiteral("Gr1"))->geometry().bottom());

        // Access: the source band grows by 480, the data band starts lower and shrinks; the rest stays.
        const app::LayoutPlaces excel = places;
        child<QTabWidget>(*m_window, QStringLiteral("TabSource"))->setCurrentIndex(1);
        QVERIFY(child<QGroupBox>(*m_window, QStringLiteral("frSource(1)"))->isVisible());
        QVERIFY(!child<QGroupBox>(*m_window, QStringLiteral("frSource(0)"))->isVisible());
        const app::LayoutPlaces access = m_window->lastLayout();
        QCOMPARE(access.TabSource.height(), excel.TabSource.height() + 480);
        QCOMPARE(access.Gr1.top(), excel.Gr1.top() + 480);
        QCOMPARE(access.Gr1.height(), excel.Gr1.height() - 480);
        QCOMPARE(access.cmdPost, excel.cmdPost);
        QCOMPARE(access.cmbCurrentCompanyList, excel.cmbCurrentCompanyList);
        child<QTabWidget>(*m_window, QStringLiteral("TabSource"))->setCurrentIndex(0);
        QCOMPARE(m_window->lastLayout().Gr1, excel.Gr1);
    }

    void windowKeepsItsMinimumSize()
    {
        m_window->prepareWindow(CommandLine::read(QString()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->resize(200, 150);
        QVERIFY(m_window->outerSizeTwips().width() >= 10110);
        QVERIFY(m_window->outerSizeTwips().height() >= 8460);
        QCOMPARE(m_window->lastLayout().window.width(), 10110.0);
        QCOMPARE(m_window->lastLayout().window.height(), 8460.0);

        // Only the dimension that is too small snaps back.
        m_window->resizeToOuterTwips({14000, 8000});
        const double pixelTwips = 1440.0 / m_window->logicalDpiX();
        QVERIFY(qAbs(m_window->lastLayout().window.width() - 14000) < pixelTwips);
        QCOMPARE(m_window->lastLayout().window.height(), 8460.0);
    }

    void statusLine_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("msg");
        QTest::addColumn<QString>("shown");
        QTest::newRow("three dots gain nine") << "stat"
                                              << "Wait..."
                                              << "Wait............";
        QTest::newRow("msg panel") << "msg"
                                   << "Getting Current Company"
                                   << "Getting Current Company.........";
        QTest::newRow("empty clears") << "msg"
                                      << ""
                                      << "";
        QTest::newRow("date panel is overwritten") << "Date"
                                                   << "x"
                                                   << "x.........";
    }

    void statusLine()
    {
        QFETCH(QString, panel);
        QFETCH(QString, msg);
        QFETCH(QString, shown);
        m_window->stat(QStringLiteral("before"), panel);
        m_window->stat(msg, panel);
        QCOMPARE(m_window->panelText(panel), shown);
        QCOMPARE(child<QLabel>(*m_window, panel)->text(), shown);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void statusLineUnknownPanelIsReported()
    {
        m_window->stat(QStringLiteral("kept"), QStringLiteral("msg"));
        m_window->stat(QStringLiteral("lost"), QStringLiteral("MSG"));
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), QStringLiteral("kept........."));
        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{QStringLiteral("F01-0040")});
    }

    void statusBarPanelsAndClock()
    {
        const QStatusBar *bar = child<QStatusBar>(*m_window, QStringLiteral("SB"));
        for (const char *key : {"msg", "stat", "Date", "Time"})
            QVERIFY(bar->findChild<QLabel *>(QLatin1String(key)));

        const QDateTime moment(QDate(2026, 3, 5), QTime(14, 7, 9));
        m_env->setNow(moment);
        const QLocale locale;
        QTRY_COMPARE_WITH_TIMEOUT(m_window->panelText(QStringLiteral("Date")),
                                  locale.toString(moment.date(), QLocale::ShortFormat), 3000);
        QCOMPARE(m_window->panelText(QStringLiteral("Time")), locale.toString(moment.time(), QLocale::ShortFormat));
    }

    void busyScopeDisablesCommands()
    {
        m_window->prepareWindow(CommandLine::read(QString()));
        const QStringList guarded = strings({"cmdPost", "cmdRefresh", "TabSource", "frSource(0)", "frSource(1)",
                                             "frSource(2)", "cmbTableName", "cmbCurrentCompanyList"});
        {
            frmExcel::BusyScope outer(*m_window);
            {
                frmExcel::BusyScope inner(*m_window);
                QVERIFY(m_window->isBusy());
            }
            QVERIFY(m_window->isBusy());
            for (const QString &name : guarded)
                QVERIFY2(!child<QWidget>(*m_window, name)->isEnabled(), qPrintable(name));
            QVERIFY(!child<QMenu>(*m_window, QStringLiteral("mnuMain"))->menuAction()->isEnabled());
            QVERIFY(!child<QMenu>(*m_window, QStringLiteral("mnuHelp"))->menuAction()->isEnabled());
            QVERIFY(child<QWidget>(*m_window, QStringLiteral("cmdClose"))->isEnabled());
            QVERIFY(child<QWidget>(*m_window, QStringLiteral("Gr1"))->isEnabled());
        }
        QVERIFY(!m_window->isBusy());
        for (const QString &name : guarded)
            QVERIFY2(child<QWidget>(*m_window, name)->isEnabled(), qPrintable(name));
        QVERIFY(child<QMenu>(*m_window, QStringLiteral("mnuMain"))->menuAction()->isEnabled());
    }

    void closingWaitsForTheRun()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        {
            frmExcel::BusyScope run(*m_window);
            QTest::mouseClick(child<ButtonWindow>(*m_window, QStringLiteral("cmdClose")), Qt::LeftButton);
            QCoreApplication::processEvents();
            QVERIFY(m_window->isVisible());
        }
        QTRY_VERIFY(!m_window->isVisible());
    }

    void closeAndExitEndTheWindow_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("Close button") << false;
        QTest::newRow("Main > Exit") << true;
    }

    void closeAndExitEndTheWindow()
    {
        QFETCH(bool, byMenu);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        if (byMenu)
            child<QAction>(*m_window, QStringLiteral("mnuExit"))->trigger();
        else
            QTest::mouseClick(child<ButtonWindow>(*m_window, QStringLiteral("cmdClose")), Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void dataTabShowsTheSourceGridBehindTheWorkGrid()
    {
        m_window->prepareWindow(CommandLine::read(QString()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(child<QTableView>(*m_window, QStringLiteral("Gr1"))->isVisible());
        QVERIFY(child<QTableView>(*m_window, QStringLiteral("lstLedgerTree"))->isVisible());
        QVERIFY(!child<QTableView>(*m_window, QStringLiteral("lstItemTree"))->isVisible());
        QVERIFY(!child<QTableView>(*m_window, QStringLiteral("lstTransactions"))->isVisible());
        QCOMPARE(child<QTabWidget>(*m_window, QStringLiteral("TabData"))->tabText(0), QStringLiteral("Imported Data"));

        // The work grid lies in front of the grids that share its place, and the last frame in front of all.
        const QObjectList order = m_window->centralWidget()->children();
        const auto position = [&](const char *name) {
            return order.indexOf(child<QWidget>(*m_window, QLatin1String(name)));
        };
        QVERIFY(position("Gr1") > position("lstLedgerTree"));
        QVERIFY(position("lstLedgerTree") > position("lstItemTree"));
        QVERIFY(position("frSource(2)") > position("Gr1"));
        QVERIFY(position("frSource(0)") > position("TabSource"));
    }

    void focusOrder()
    {
        m_window->prepareWindow(CommandLine::read(QStringLiteral("MDB x.mdb")));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        const QStringList expected =
            strings({"cmbCurrentCompanyList", "cmdRefresh", "TabSource", "txtMdbPath", "cmdMdbPath", "txtMDBUser",
                     "txtMDBPass", "Gr1", "cmbTableName", "cmdPost", "cmdClose", "lstLedgerTree", "TabData"});
        QStringList seen;
        QWidget *widget = child<QWidget>(*m_window, expected.first());
        for (int guard = 0; guard < 200 && seen.size() < expected.size(); ++guard) {
            if (expected.contains(widget->objectName()) && widget->isVisibleTo(m_window.get()) &&
                !seen.contains(widget->objectName()))
                seen << widget->objectName();
            widget = widget->nextInFocusChain();
        }
        QCOMPARE(seen, expected);
    }

    void flexGridDoubleClick_data()
    {
        QTest::addColumn<QString>("lastCell");
        QTest::addColumn<int>("boxes");
        QTest::newRow("text in the last column") << "Created" << 1;
        QTest::newRow("empty last column") << "" << 0;
    }

    void flexGridDoubleClick()
    {
        QFETCH(QString, lastCell);
        QFETCH(int, boxes);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

        sources::SourceGrid &grid = m_window->sourceGrid();
        grid.bind({QStringLiteral("NAME"), QStringLiteral("NOTE")},
                  {QStringLiteral("a"), QStringLiteral("first"), QStringLiteral("b"), lastCell});
        auto *view = child<QTableView>(*m_window, QStringLiteral("lstLedgerTree"));
        view->setCurrentIndex(grid.index(1, 0));
        doubleClick(view->viewport());
        QCOMPARE(m_prompter->boxes().size(), boxes);
        if (boxes) {
            QCOMPARE(m_prompter->boxes().first().prompt, lastCell);
            QCOMPARE(m_prompter->boxes().first().title, QStringLiteral("Pelko"));
            QCOMPARE(m_prompter->boxes().first().style, platform::MsgBoxStyle::OkOnly);
        }

        // The grids that stay empty show nothing.
        doubleClick(child<QTableView>(*m_window, QStringLiteral("lstItemTree"))->viewport());
        doubleClick(child<QTableView>(*m_window, QStringLiteral("lstTransactions"))->viewport());
        QCOMPARE(m_prompter->boxes().size(), boxes);
    }

    void dropDownListRule()
    {
        auto *list = child<QComboBox>(*m_window, QStringLiteral("cmbCurrentCompanyList"));
        list->addItems({QStringLiteral("Jacks Stores"), QStringLiteral("Acme Ltd")});
        list->setCurrentIndex(-1);
        QVERIFY(frmExcel::selectListEntry(list, QStringLiteral("ACME LTD")));
        QCOMPARE(m_window->companyListText(), QStringLiteral("Acme Ltd"));
        QVERIFY(!frmExcel::selectListEntry(list, QStringLiteral("Acme")));
        QCOMPARE(m_window->companyListText(), QStringLiteral("Acme Ltd"));
        QVERIFY(!frmExcel::selectListEntry(list, QStringLiteral(" Jacks Stores")));
        QCOMPARE(m_window->companyListText(), QStringLiteral("Acme Ltd"));
    }

    void aboutBoxFromTheMenu()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QString caption;
        QWidget *owner = nullptr;
        apptest::whenModalShows([&](QWidget *modal) {
            caption = modal->windowTitle();
            owner = modal->parentWidget();
            QTest::mouseClick(modal->findChild<QWidget *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        child<QAction>(*m_window, QStringLiteral("mnuAbout"))->trigger();
        QCOMPARE(caption, QStringLiteral("About Pelko"));
        QCOMPARE(owner, m_window.get());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(TestFrmExcel)
#include "testfrmexcel.moc"
