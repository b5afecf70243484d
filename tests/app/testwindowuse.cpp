#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "app/runreport.h"
#include "app/widgetprompter.h"
#include "controls/buttonwindow.h"
#include "modalhelper.h"
#include "sources/rowmarking.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "support/texts.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <memory>

using app::frmExcel;
using controls::ButtonWindow;
using testsupport::ScriptedPrompter;
using testsupport::strings;
using testsupport::TestEnvironment;
using namespace Qt::StringLiterals;

namespace {

template <typename T> T *child(const frmExcel &window, const char *name)
{
    T *widget = window.findChild<T *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

QString focusName()
{
    const QWidget *focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

QList<int> sectionWidths(const QTableView *view)
{
    QList<int> widths;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        widths << view->columnWidth(c);
    return widths;
}

// How many pixels of a widget show a strong red or blue, as the two lists draw their texts.
int pixelsOfColour(QWidget *widget, Qt::GlobalColor colour)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int strong = colour == Qt::red ? pixel.red() : pixel.blue();
            const int others = colour == Qt::red ? qMax(pixel.green(), pixel.blue()) : qMax(pixel.red(), pixel.green());
            count += strong > 180 && others < 90 ? 1 : 0;
        }
    }
    return count;
}

} // namespace

// The main window as a user meets it: the keyboard, the grid's columns and headers, the file dialog and the look
// of the lists during a run.
class TestWindowUse final : public testsupport::TestBed<frmExcel>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_window = std::make_unique<frmExcel>();
        m_window->prepareWindow(app::CommandLine{});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_grid = child<QTableView>(*m_window, "Gr1");
    }
    void cleanup() { stopBed(); }

    void tabMovesThroughTheGridToTheCommands()
    {
        openWorkbook();
        load(QStringLiteral("LEDGERS"));
        m_grid->setCurrentIndex(m_grid->model()->index(0, 0));

        child<QLineEdit>(*m_window, "txtFilePath")->setFocus();
        QStringList forward{focusName()};
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            forward << focusName();
        }
        QCOMPARE(forward, strings({"txtFilePath", "cmdFilePath", "Gr1", "cmbTableName", "cmdPost", "cmdClose"}));
        // The grid's current cell stayed where it was.
        QCOMPARE(m_grid->currentIndex(), m_grid->model()->index(0, 0));

        QStringList backward{focusName()};
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
            backward << focusName();
        }
        QCOMPARE(backward, strings({"cmdClose", "cmdPost", "cmbTableName", "Gr1", "cmdFilePath"}));

        // Inside the grid the arrow keys move between cells.
        m_grid->setFocus();
        QTest::keyClick(m_grid, Qt::Key_Right);
        QTest::keyClick(m_grid, Qt::Key_Down);
        QCOMPARE(m_grid->currentIndex(), m_grid->model()->index(1, 1));
        QCOMPARE(focusName(), QStringLiteral("Gr1"));

        // Choosing the next import type with the keys loads it, and the keys stay in the list for the next step.
        QTest::keyClick(m_grid, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(m_window->importTypeText(), QStringLiteral("UNITS"));
        QCOMPARE(m_window->workGrid().keyOfColumn(2), QStringLiteral("ISSIMPLEUNIT"));
        QCOMPARE(focusName(), QStringLiteral("cmbTableName"));
    }

    // After a Post the first column shows each row's status image before its text, and the status column its
    // bold result: both are fitted to what they show.
    void postedColumnsFitImageAndBoldText_data()
    {
        QTest::addColumn<QString>("importType");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("result");
        // Short names: the image decides the first column's width.
        QTest::newRow("units created") << "UNITS" << 1 << "CREATED";
        // The company holds none of the items' units: long results in bold.
        QTest::newRow("stock items refused") << "STOCK ITEMS" << 3 << "ERROR";
    }

    void postedColumnsFitImageAndBoldText()
    {
        QFETCH(QString, importType);
        QFETCH(int, row);
        QFETCH(QString, result);
        tallysim::Config config;
        config.companies = {QStringLiteral("Demo Traders")};
        config.currentCompany = QStringLiteral("Demo Traders");
        testsupport::SimulatedServer server(config);
        server.configureSettings();
        m_window->cmdRefresh_Click();
        QCOMPARE(m_window->companyListText(), QStringLiteral("Demo Traders"));
        openWorkbook();
        load(importType);

        m_window->setSilent(true);
        QTest::mouseClick(child<ButtonWindow>(*m_window, "cmdPost"), Qt::LeftButton);

        const sources::WorkGrid &grid = m_window->workGrid();
        const int status = grid.columnOfKey(sources::ProcessStatusKey);
        QVERIFY(grid.text(row, status).contains(result));
        QVERIFY(grid.image(row, 1) != sources::NoImage);
        QVERIFY(grid.bold(row, status));
        // What the view's own delegate needs to show every cell of a column whole.
        const auto needed = [this](int section) {
            return static_cast<QAbstractItemView *>(m_grid)->sizeHintForColumn(section);
        };
        for (const int column : {1, status}) {
            const int section = column - 1;
            QVERIFY2(m_grid->columnWidth(section) >= needed(section),
                     qPrintable(QStringLiteral("column %1: %2 wide, %3 needed")
                                    .arg(column)
                                    .arg(m_grid->columnWidth(section))
                                    .arg(needed(section))));
        }
    }

    void headerCaptionsKeepTheirWeightWhenARowIsSelected()
    {
        openWorkbook();
        load(QStringLiteral("LEDGERS"));
        m_grid->setFocus();
        m_grid->clearSelection();
        const QImage before = m_grid->horizontalHeader()->grab().toImage();

        const QRect cell = m_grid->visualRect(m_grid->model()->index(1, 2));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(m_grid->selectionModel()->selectedRows().size(), 1);

        QVERIFY(m_grid->horizontalHeader()->grab().toImage() == before);
    }

    // A load fits its own columns whatever the load before it showed; the status column has the grid's default
    // width until a Post fits it.
    void eachLoadFitsItsOwnColumns()
    {
        openWorkbook();
        load(QStringLiteral("UNITS"));
        const QList<int> first = sectionWidths(m_grid);
        QCOMPARE(first.last(), m_grid->horizontalHeader()->defaultSectionSize());

        load(QStringLiteral("LEDGERS"));
        QVERIFY(sectionWidths(m_grid).size() > first.size());
        load(QStringLiteral("UNITS"));
        QCOMPARE(sectionWidths(m_grid), first);
    }

    void fileDialogNamesEachPatternOnce_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("filters");
        QTest::newRow("workbook") << "Excel"
                                  << "cmdFilePath" << strings({"Microsoft Excel (*.xls)", "All Files (*.*)"});
        QTest::newRow("Access database") << "Access"
                                         << "cmdMdbPath" << strings({"Microsoft Access (*.mdb)", "All Files (*.*)"});
    }

    void fileDialogNamesEachPatternOnce()
    {
        QFETCH(QString, tab);
        QFETCH(QString, button);
        QFETCH(QStringList, filters);
        auto *tabs = child<QTabWidget>(*m_window, "TabSource");
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == tab)
                tabs->setCurrentIndex(i);
        }

        app::WidgetPrompter dialogs;
        platform::setPrompter(&dialogs);
        QStringList shown;
        QString selected;
        apptest::whenModalShows([&](QWidget *modal) {
            if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                shown = dialog->nameFilters();
                selected = dialog->selectedNameFilter();
            }
            modal->close();
        });
        QTest::mouseClick(child<ButtonWindow>(*m_window, button.toLatin1().constData()), Qt::LeftButton);
        platform::setPrompter(m_prompter.get());

        QCOMPARE(shown, filters);
        QCOMPARE(selected, filters.first());
    }

    void disabledListsLookDisabled_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("colour");
        QTest::newRow("companies in red") << "cmbCurrentCompanyList" << int(Qt::red);
        QTest::newRow("import types in blue") << "cmbTableName" << int(Qt::blue);
    }

    void disabledListsLookDisabled()
    {
        QFETCH(QString, list);
        QFETCH(int, colour);
        auto *companies = child<QComboBox>(*m_window, "cmbCurrentCompanyList");
        companies->addItem(QStringLiteral("Demo Traders"));
        companies->setCurrentIndex(0);
        auto *box = child<QComboBox>(*m_window, list.toLatin1().constData());
        const auto textColour = Qt::GlobalColor(colour);

        QVERIFY(pixelsOfColour(box, textColour) > 0);
        {
            const frmExcel::BusyScope run(*m_window);
            QVERIFY(!box->isEnabled());
            QCOMPARE(pixelsOfColour(box, textColour), 0);
        }
        QVERIFY(pixelsOfColour(box, textColour) > 0);
    }

    // A key pressed during a run goes nowhere: not to Close, which the focus would reach when Post is disabled,
    // nor to any command once the run has ended; the focus is back where it was.
    void keyPressedDuringARunIsDropped()
    {
        testsupport::SimulatedServer server(demoTraders());
        server.configureSettings();
        m_window->cmdRefresh_Click();
        openWorkbook();
        load(QStringLiteral("LEDGERS"));
        m_window->setSilent(true);
        auto *post = child<ButtonWindow>(*m_window, "cmdPost");
        post->setFocus();
        QCOMPARE(focusName(), QStringLiteral("cmdPost"));

        QString focusDuringRun;
        QTimer::singleShot(0, m_window.get(), [&] {
            focusDuringRun = focusName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QTest::mouseClick(post, Qt::LeftButton);
        QCoreApplication::processEvents();

        QCOMPARE(focusDuringRun, QStringLiteral("Gr1"));
        QTest::qWait(50);
        QVERIFY(m_window->isVisible());
        QVERIFY(app::ResultReport(m_window->workGrid()).contains("CREATED"));
        QCOMPARE(focusName(), QStringLiteral("cmdPost"));
    }

    // A server that answers every import with HTTP 500: one box for the run, and every master's row, so every line
    // of the report, marked with the failure.
    void serverFailingEveryPostRaisesOneBox()
    {
        tallysim::Config config = demoTraders();
        config.mode = tallysim::Mode::HttpError;
        config.failImportsOnly = true;
        testsupport::SimulatedServer server(config);
        server.configureSettings();
        m_window->cmdRefresh_Click();
        openWorkbook();
        load(QStringLiteral("LEDGERS"));
        m_window->setSilent(true);
        m_prompter->clear();
        server.clearRequests();

        QTest::mouseClick(child<ButtonWindow>(*m_window, "cmdPost"), Qt::LeftButton);

        QCOMPARE(m_prompter->boxes().size(), 1);
        const QStringList lines = QString::fromUtf8(app::ResultReport(m_window->workGrid()))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 1);
        QCOMPARE(lines.size(), server.requests().size());
        for (const QString &line : lines)
            QVERIFY2(line.mid(75).startsWith(QLatin1String("ERROR")), qPrintable(line));
    }

    // A Post clears what the last one left in the rows, once it is confirmed: a declined one keeps them. A run
    // whose server stopped answering says where it stopped, on the status line and in its box, and its report has a
    // line for every master it did not try.
    void aSecondPostHoldsOnlyItsOwnResults()
    {
        testsupport::SimulatedServer server(demoTraders());
        server.configureSettings();
        m_window->cmdRefresh_Click();
        openWorkbook();
        load(QStringLiteral("UNITS"));
        auto *post = child<ButtonWindow>(*m_window, "cmdPost");
        const sources::WorkGrid &grid = m_window->workGrid();
        const int status = grid.columnOfKey(sources::ProcessStatusKey);
        QVERIFY(grid.rows() >= 3);
        m_window->setSilent(true);
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(grid.text(1, status), QStringLiteral("CREATED"));
        const QByteArray first = app::ResultReport(grid);

        m_window->setSilent(false);
        m_prompter->clear();
        m_prompter->answerNext(platform::MsgBoxResult::No);
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(app::ResultReport(grid), first);
        QCOMPARE(grid.image(1, 1), sources::imagePosted);

        server.stop();
        m_prompter->clear();
        m_prompter->answerNext(platform::MsgBoxResult::Yes);
        QTest::mouseClick(post, Qt::LeftButton);

        const QString stopped = QStringLiteral("Processing stopped at row 1: the server stopped answering.");
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), sources::statusLineText(stopped));
        QCOMPARE(m_window->panelText(QStringLiteral("stat")), sources::statusLineText(u"Tally is not running."_s));
        QCOMPARE(m_prompter->boxes().size(), 3);
        QCOMPARE(m_prompter->boxes().last().prompt, stopped + u"\r\nPlease check the Errors if any."_s);
        const QStringList lines = QString::fromUtf8(app::ResultReport(grid)).split(QStringLiteral("\r\n"));
        QVERIFY(lines.at(0).mid(75).startsWith(QLatin1String("ERROR: no answer from Tally")));
        int notTried = 0;
        for (int row = 2; row <= grid.rows(); ++row) {
            if (grid.text(row, status).isEmpty())
                continue;
            ++notTried;
            QCOMPARE(grid.text(row, status),
                     QStringLiteral("NOT POSTED: the run stopped at row 1, as the server stopped answering"));
            QCOMPARE(grid.image(row, 1), sources::imageUnrecognised);
            QCOMPARE(grid.textColor(row, 1), QColor());
        }
        QCOMPARE(lines.size(), notTried + 2);
        QVERIFY(!lines.join(QString()).contains(QLatin1String("CREATED")));
    }

    // A wheel turned over a closed list that does not have the focus leaves the list as it is.
    void wheelOverAClosedListWithoutTheFocus_data()
    {
        QTest::addColumn<QString>("list");
        QTest::newRow("companies") << "cmbCurrentCompanyList";
        QTest::newRow("import types") << "cmbTableName";
    }

    void wheelOverAClosedListWithoutTheFocus()
    {
        QFETCH(QString, list);
        auto *companies = child<QComboBox>(*m_window, "cmbCurrentCompanyList");
        companies->addItems({QStringLiteral("Demo Traders"), QStringLiteral("Other Traders")});
        companies->setCurrentIndex(0);
        openWorkbook();
        load(QStringLiteral("LEDGERS"));
        auto *box = child<QComboBox>(*m_window, list.toLatin1().constData());
        const int before = box->currentIndex();
        QVERIFY(before + 1 < box->count());
        m_grid->setFocus();

        const auto turn = [box] {
            const QPointF centre = QRectF(box->rect()).center();
            QWheelEvent wheel(centre, box->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(box, &wheel);
        };
        turn();
        QCOMPARE(box->currentIndex(), before);
        QCOMPARE(focusName(), QStringLiteral("Gr1"));

        // With the focus, the wheel steps through the list as ever.
        if (box == companies) {
            box->setFocus();
            turn();
            QCOMPARE(box->currentIndex(), before + 1);
        }
    }

    // F10, or a lone Alt and then Down, opens the Main menu; Escape closes it again.
    void menusByKeyboard_data()
    {
        QTest::addColumn<bool>("alt");
        QTest::newRow("F10") << false;
        QTest::newRow("Alt, Down") << true;
    }

    void menusByKeyboard()
    {
        QFETCH(bool, alt);
        m_grid->setFocus();
        auto *menu = m_window->findChild<QMenu *>(QStringLiteral("mnuMain"));
        QVERIFY(menu);
        if (alt) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Alt);
            QTRY_COMPARE(m_window->menuBar()->activeAction(), menu->menuAction());
            QTest::keyClick(m_window->menuBar(), Qt::Key_Down);
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
        }
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());
    }

    // The About box opens with the focus on its own button: Enter closes it, the contact text as it was.
    void enterClosesTheAboutBoxAsItOpens()
    {
        bool closedByEnter = false;
        bool focusInTheBox = false;
        apptest::whenModalShows([&](QWidget *modal) {
            // The box takes the focus as it is activated, which on a busy machine comes a moment after it shows.
            focusInTheBox = QTest::qWaitFor(
                [&] {
                    QWidget *focus = QApplication::focusWidget();
                    return focus && modal->isAncestorOf(focus);
                },
                5000);
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal, Qt::Key_Return);
            closedByEnter = !modal->isVisible();
            if (!closedByEnter)
                modal->close();
        });
        m_window->findChild<QAction *>(QStringLiteral("mnuAbout"))->trigger();
        QVERIFY(focusInTheBox);
        QVERIFY(closedByEnter);
    }

    // A new load starts at the first column, wherever the last one was scrolled to.
    void aNewLoadStartsAtTheFirstColumn()
    {
        openWorkbook();
        load(QStringLiteral("LEDGERS"));
        QScrollBar *bar = m_grid->horizontalScrollBar();
        m_window->resize(m_window->minimumSize());
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QVERIFY(bar->value() > 0);

        load(QStringLiteral("LEDGERS"));
        QCOMPARE(bar->value(), 0);
    }

private:
    static tallysim::Config demoTraders()
    {
        tallysim::Config config;
        config.companies = {QStringLiteral("Demo Traders")};
        config.currentCompany = QStringLiteral("Demo Traders");
        return config;
    }

    void openWorkbook()
    {
        m_prompter->chooseFile(QStringLiteral(PELKO_TEST_DATA "/sources/masters.xls"));
        QTest::mouseClick(child<ButtonWindow>(*m_window, "cmdFilePath"), Qt::LeftButton);
    }

    // Chooses an import type, which loads it; stepping through the list with the keys would load every entry
    // on the way.
    void load(const QString &entry)
    {
        QVERIFY(m_window->selectImportType(entry));
        QCOMPARE(m_window->workGrid().keyOfColumn(1), QStringLiteral("NAME"));
        QCOMPARE(m_grid->model()->columnCount(), m_window->workGrid().columns());
    }

    QTableView *m_grid = nullptr;
};

QTEST_MAIN(TestWindowUse)
#include "testwindowuse.moc"
