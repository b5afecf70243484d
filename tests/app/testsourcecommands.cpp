#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "controls/buttonwindow.h"
#include "sources/importtypes.h"
#include "sources/readers/sourceerror.h"
#include "sources/sourceconnection.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "support/odbctestsource.h"
#include "support/scriptedprompter.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "windowhelpers.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using app::frmExcel;
using controls::ButtonWindow;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

using apptest::entries;

template <typename T> T *child(const frmExcel &window, const char *name)
{
    T *widget = window.findChild<T *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

QStringList headerCaptions(const QTableView *view)
{
    QStringList captions;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        captions.append(view->model()->headerData(c, Qt::Horizontal).toString());
    return captions;
}

// An Access database of one Units table, read in place of the file; it notes whether the window's commands
// were disabled while it was read.
class UnitsDatabase final : public sources::SourceReader
{
public:
    explicit UnitsDatabase(bool &postEnabledDuringRead) : m_postEnabledDuringRead(postEnabledDuringRead) {}

    QList<sources::TableEntry> tables() override { return {{QStringLiteral("Units"), sources::TableType::Table}}; }
    sources::Table readTable(const QString &name) override
    {
        if (name != QLatin1String("Units"))
            sources::raiseSourceError(sources::SourceErr::ObjectNotFound, name, QStringLiteral("Test"));
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *button = widget->findChild<ButtonWindow *>(QStringLiteral("cmdPost")))
                m_postEnabledDuringRead = button->isEnabled();
        }
        sources::Table table({QStringLiteral("Name"), QStringLiteral("DecimalPlaces")});
        const auto row = table.appendRow();
        row[0] = sources::Value::text(QStringLiteral("Nos"));
        row[1] = sources::Value::number(0);
        table.appendRow();
        return table;
    }

private:
    bool &m_postEnabledDuringRead;
};

} // namespace

// Choosing each kind of source in the real window lists its import types, and choosing one loads it into the
// work grid shown in Gr1.
class TestSourceCommands final : public testsupport::TestBed<frmExcel>
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_odbc = std::make_unique<testsupport::OdbcTestSource>(QStringLiteral("Pelko Window Source"));
        if (m_odbc->isValid()) {
            const QString failure = m_odbc->execute({QStringLiteral("CREATE TABLE Godowns (Name TEXT, Parent TEXT)"),
                                                     QStringLiteral("INSERT INTO Godowns VALUES ('Main', NULL)"),
                                                     QStringLiteral("INSERT INTO Godowns VALUES ('Depot', 'Main')")});
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
    }
    void cleanupTestCase() { m_odbc.reset(); }

    void init()
    {
        startBed();
        m_window = std::make_unique<frmExcel>();
        m_window->prepareWindow(app::CommandLine{});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { stopBed(); }

    void excelWorkbook()
    {
        m_prompter->chooseFile(QStringLiteral(PELKO_TEST_DATA "/sources/masters.xls"));
        QTest::mouseClick(child<ButtonWindow>(*m_window, "cmdFilePath"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(*m_window, "txtFilePath")->text(),
                 QStringLiteral(PELKO_TEST_DATA "/sources/masters.xls"));
        auto *list = child<QComboBox>(*m_window, "cmbTableName");
        QCOMPARE(entries(list).size(), 10);
        QCOMPARE(list->currentText(), QString(sources::SelectImportTypeText));

        choose(QStringLiteral("STOCK GROUPS"));
        const auto *grid = child<QTableView>(*m_window, "Gr1");
        QCOMPARE(headerCaptions(grid),
                 QStringList({QStringLiteral("Name"), QStringLiteral("NameAlias"), QStringLiteral("Parent"),
                              QStringLiteral("IsAddable"), QStringLiteral("Process Status")}));
        QCOMPARE(grid->model()->rowCount(), 4);
        QCOMPARE(grid->model()->index(1, 0).data().toString(), QStringLiteral("Paper Products"));
        QCOMPARE(m_window->panelText(sources::MsgPanel), QString());
        QVERIFY(child<ButtonWindow>(*m_window, "cmdPost")->isEnabled());
    }

    // A path typed into the Access frame is listed when the box is left; the load runs with the window's
    // commands disabled.
    void accessDatabase()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Masters.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        bool postEnabledDuringRead = true;
        QList<sources::SourceSpec> opened;
        const sources::SourceConnectorOverride database([&](const sources::SourceSpec &spec) {
            opened.append(spec);
            return std::make_unique<UnitsDatabase>(postEnabledDuringRead);
        });

        selectSourceTab(sources::AccessSourceKey);
        auto *pathBox = child<QLineEdit>(*m_window, "txtMdbPath");
        pathBox->setFocus();
        QTest::keyClicks(pathBox, path);
        auto *password = child<QLineEdit>(*m_window, "txtMDBPass");
        password->setFocus();
        QTest::keyClicks(password, QStringLiteral("secret"));
        auto *list = child<QComboBox>(*m_window, "cmbTableName");
        QCOMPARE(entries(list), QStringList({QString(sources::SelectImportTypeText), QStringLiteral("UNITS")}));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().location, path);

        choose(QStringLiteral("UNITS"));
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened.last().password, QStringLiteral("secret"));
        QVERIFY(!postEnabledDuringRead);
        QVERIFY(child<ButtonWindow>(*m_window, "cmdPost")->isEnabled());
        const sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(grid.text(1, 1), QStringLiteral("Nos"));
        QCOMPARE(grid.rows(), 3); // the record, the blank record, the blank row after the data
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

    void odbcDataSource()
    {
        if (!m_odbc->isValid())
            QSKIP("The SQLite ODBC driver is not installed.");
        selectSourceTab(sources::OdbcSourceKey);
        child<QLineEdit>(*m_window, "txtODBCPath")->setText(m_odbc->dataSourceName());
        QTest::mouseClick(child<ButtonWindow>(*m_window, "cmdODBCPath"), Qt::LeftButton);
        QCOMPARE(entries(child<QComboBox>(*m_window, "cmbTableName")),
                 QStringList({QString(sources::SelectImportTypeText), QStringLiteral("GODOWNS")}));

        choose(QStringLiteral("GODOWNS"));
        const auto *grid = child<QTableView>(*m_window, "Gr1");
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("Main"));
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

private:
    // Picks the entry in the list with the keyboard, as a user would.
    void choose(const QString &entry)
    {
        auto *list = child<QComboBox>(*m_window, "cmbTableName");
        const int index = list->findText(entry);
        QVERIFY(index > list->currentIndex());
        list->setFocus();
        while (list->currentIndex() < index)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentText(), entry);
    }

    void selectSourceTab(const QString &key)
    {
        auto *tabs = child<QTabWidget>(*m_window, "TabSource");
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabBar()->tabData(i).toString() == key)
                tabs->setCurrentIndex(i);
        }
        QCOMPARE(m_window->selectedSourceKey(), key);
    }

    std::unique_ptr<testsupport::OdbcTestSource> m_odbc;
};

QTEST_MAIN(TestSourceCommands)
#include "testsourcecommands.moc"
