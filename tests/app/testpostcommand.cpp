#include "app/frmexcel.h"
#include "app/importtypedispatch.h"
#include "masters/masterposting.h"
#include "platform/prompter.h"
#include "sources/importtypes.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "vouchers/voucherposting.h"

#include <QAction>
#include <QComboBox>
#include <QTest>

#include <memory>

using app::frmExcel;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;
using PostEnd = frmExcel::PostEnd;

Q_DECLARE_METATYPE(PostEnd)

namespace {

using namespace platform;

struct ExpectedBox
{
    QString prompt;
    int style;
    QString title;
};

const QString placeholder = QStringLiteral(">>Select Import Type<<");
const QString inTally = QStringLiteral("CURRENTLY SELECTED COMPANY IN TALLY");

ExpectedBox companyBox()
{
    return {QStringLiteral("Please select a company."), MsgBoxStyle::OkOnly, QStringLiteral("Select Company.")};
}
ExpectedBox importTypeBox()
{
    return {QStringLiteral("Select a Import Type."), MsgBoxStyle::Critical, QStringLiteral("Import Type")};
}
ExpectedBox selectedCompanyBox()
{
    return {QStringLiteral("This will post the data to the Currently Selected Company in Tally."),
            MsgBoxStyle::Information, QStringLiteral("Selected Company.")};
}
ExpectedBox confirmationBox(const QString &importType)
{
    return {QStringLiteral("You have selected  >") + importType +
                QStringLiteral("<.  This will pass the data in Tally.\r\n Do you want to continue?"),
            MsgBoxStyle::Information | MsgBoxStyle::YesNo, QStringLiteral("Pelko 1.0. Continue?")};
}
ExpectedBox completionBox()
{
    return {QStringLiteral("Processing of data Completed.\r\nPlease check the Errors if any."), MsgBoxStyle::OkOnly,
            QStringLiteral("Excel to Tally")};
}

using Boxes = QList<ExpectedBox>;

} // namespace

Q_DECLARE_METATYPE(Boxes)

class TestPostCommand final : public testsupport::TestBed<frmExcel>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_window = std::make_unique<frmExcel>();
        m_companies = m_window->findChild<QComboBox *>(QStringLiteral("cmbCurrentCompanyList"));
        m_importTypes = m_window->findChild<QComboBox *>(QStringLiteral("cmbTableName"));
        m_saveReport = m_window->findChild<QAction *>(QStringLiteral("mnuSaveR"));
        QVERIFY(m_companies && m_importTypes && m_saveReport);

        // A loaded sheet whose rows nobody has posted.
        sources::WorkGrid &grid = m_window->workGrid();
        grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
        grid.addColumn(QStringLiteral("PARENT"), QStringLiteral("Parent"));
        grid.addColumn(sources::ProcessStatusKey, sources::ProcessStatusCaption);
        grid.setText(grid.appendRow(), 1, QStringLiteral("Sundry Debtors - North"));
        grid.appendRow();
    }
    void cleanup() { stopBed(); }

    void boxes_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("importType");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<Boxes>("expected");
        QTest::addColumn<bool>("saveReportBefore");
        QTest::addColumn<bool>("saveReportAfter");
        QTest::addColumn<PostEnd>("end");

        const QString abc = QStringLiteral("ABC Ltd");
        const QString purchases = QStringLiteral("PURCHASE REGISTER");
        const QList<int> yes = {MsgBoxResult::Yes};
        const QList<int> no = {MsgBoxResult::No};
        const QList<int> okThenNo = {MsgBoxResult::Ok, MsgBoxResult::No};
        const QList<int> okThenYes = {MsgBoxResult::Ok, MsgBoxResult::Yes};
        for (const bool silent : {false, true}) {
            const char *mode = silent ? "silent" : "asking";
            QTest::addRow("%s: no company", mode) << QString() << purchases << silent << yes << Boxes{companyBox()}
                                                  << true << false << PostEnd::NoCompany;
            QTest::addRow("%s: placeholder chosen", mode)
                << abc << placeholder << silent << yes << Boxes{importTypeBox()} << true << false
                << PostEnd::NoImportType;
            QTest::addRow("%s: no import type", mode) << abc << QString() << silent << yes << Boxes{importTypeBox()}
                                                      << true << false << PostEnd::NoImportType;
        }
        QTest::newRow("asking: answered No")
            << abc << QStringLiteral("LEDGER GROUPS") << false << no
            << Boxes{confirmationBox(QStringLiteral("LEDGER GROUPS"))} << false << false << PostEnd::Declined;
        QTest::newRow("asking: answered No keeps Save Report shown")
            << abc << purchases << false << no << Boxes{confirmationBox(purchases)} << true << true
            << PostEnd::Declined;
        QTest::newRow("asking: company open in Tally, answered No")
            << inTally << purchases << false << okThenNo << Boxes{selectedCompanyBox(), confirmationBox(purchases)}
            << false << false << PostEnd::Declined;
        QTest::newRow("asking: company open in Tally, answered Yes")
            << inTally << purchases << false << okThenYes
            << Boxes{selectedCompanyBox(), confirmationBox(purchases), completionBox()} << false << true
            << PostEnd::NothingPosted;
        QTest::newRow("silent: company open in Tally")
            << inTally << purchases << true << no << Boxes{} << false << true << PostEnd::NothingPosted;
        QTest::newRow("asking: purchase register posts nothing")
            << abc << purchases << false << yes << Boxes{confirmationBox(purchases), completionBox()} << false << true
            << PostEnd::NothingPosted;
        QTest::newRow("silent: purchase register posts nothing")
            << abc << purchases << true << no << Boxes{} << false << true << PostEnd::NothingPosted;
    }

    void boxes()
    {
        QFETCH(QString, company);
        QFETCH(QString, importType);
        QFETCH(bool, silent);
        QFETCH(QList<int>, answers);
        QFETCH(Boxes, expected);
        QFETCH(bool, saveReportBefore);
        QFETCH(bool, saveReportAfter);
        QFETCH(PostEnd, end);

        choose(company, importType);
        m_window->setSilent(silent);
        m_saveReport->setVisible(saveReportBefore);
        for (const int answer : answers)
            m_prompter->answerNext(answer);

        m_window->cmdPost_Click();

        const QList<ScriptedPrompter::Box> shown = m_prompter->boxes();
        QCOMPARE(shown.size(), expected.size());
        for (qsizetype i = 0; i < shown.size(); ++i) {
            QCOMPARE(shown.at(i).prompt, expected.at(i).prompt);
            QCOMPARE(shown.at(i).style, expected.at(i).style);
            QCOMPARE(shown.at(i).title, expected.at(i).title);
            QVERIFY(shown.at(i).hasOwnTitle);
        }
        QCOMPARE(m_saveReport->isVisible(), saveReportAfter);
        QCOMPARE(m_window->lastPostEnd(), end);
        // Nothing here posts: the rows keep an empty status.
        QCOMPARE(m_window->workGrid().text(1, sources::ProcessStatusKey), QString());
    }

    void columnsFittedAfterEveryDispatch_data()
    {
        QTest::addColumn<bool>("dispatched");
        QTest::newRow("dispatched to nothing") << true;
        QTest::newRow("answered No") << false;
    }

    void columnsFittedAfterEveryDispatch()
    {
        QFETCH(bool, dispatched);
        choose(QStringLiteral("ABC Ltd"), QStringLiteral("PURCHASE REGISTER"));
        m_prompter->answerNext(dispatched ? MsgBoxResult::Yes : MsgBoxResult::No);
        const sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(grid.columnWidth(1), -1);

        m_window->cmdPost_Click();

        const int status = grid.columnOfKey(sources::ProcessStatusKey);
        QCOMPARE(grid.columnWidth(status) > 0, dispatched);
        QCOMPARE(grid.columnWidth(1) > 0, dispatched);
        // Only the status column and the first column are fitted.
        QCOMPARE(grid.columnWidth(2), -1);
    }

    void anEmptyGridPostsNothingWithoutAnError()
    {
        // A failed load leaves the grid without columns; a Post then has nothing to fit and ends normally.
        m_window->workGrid().clear();
        choose(QStringLiteral("ABC Ltd"), QStringLiteral("PURCHASE REGISTER"));
        m_window->setSilent(true);

        m_window->cmdPost_Click();

        QVERIFY(m_prompter->boxes().isEmpty());
        QVERIFY(!QFile::exists(m_env->programFile(QStringLiteral("Pelko10Errors.txt"))));
        QVERIFY(m_saveReport->isVisible());
    }

    void postsLedgerGroupsToTheServer()
    {
        tallysim::Config config;
        config.companies = {QStringLiteral("ABC Ltd")};
        config.currentCompany = QStringLiteral("ABC Ltd");
        testsupport::SimulatedServer server(config);
        server.configureSettings();

        // The grids as the loader leaves them after reading a "Ledger Groups" sheet.
        const QStringList fields = {QStringLiteral("Name"), QStringLiteral("NameAlias"), QStringLiteral("Parent"),
                                    QStringLiteral("SubLedger")};
        const QList<QStringList> rows = {
            {QStringLiteral("Sundry Debtors - North"), QStringLiteral("SD North"), QStringLiteral("Sundry Debtors"),
             QStringLiteral("No")},
            {QStringLiteral("Branch Expenses"), QString(), QStringLiteral("Indirect Expenses"), QStringLiteral("No")},
        };
        std::vector<QString> cells;
        for (const QStringList &row : rows)
            cells.insert(cells.end(), row.cbegin(), row.cend());
        m_window->sourceGrid().bind(fields, std::move(cells));
        sources::WorkGrid &grid = m_window->workGrid();
        grid.clear();
        for (const QString &field : fields)
            grid.addColumn(field.toUpper(), field);
        grid.addColumn(sources::ProcessStatusKey, sources::ProcessStatusCaption);
        for (const QStringList &row : rows) {
            const int r = grid.appendRow();
            for (int j = 0; j < fields.size(); ++j)
                grid.setText(r, j + 1, row.at(j));
        }
        grid.appendRow();
        grid.appendRow();

        choose(QStringLiteral("ABC Ltd"), QStringLiteral("LEDGER GROUPS"));
        m_window->setSilent(true);
        m_window->cmdPost_Click();

        QCOMPARE(m_window->lastPostEnd(), PostEnd::Posted);
        QCOMPARE(m_window->currentCompany(), QStringLiteral("ABC Ltd"));
        int imports = 0;
        for (const tallysim::RecordedRequest &request : server.requests())
            imports += request.body.contains("<TALLYREQUEST> Import Data </TALLYREQUEST>") ? 1 : 0;
        QCOMPARE(imports, 2);
        for (int row = 1; row <= 2; ++row)
            QVERIFY2(grid.text(row, sources::ProcessStatusKey).contains(QLatin1String("CREATED")),
                     qPrintable(grid.text(row, sources::ProcessStatusKey)));
        QCOMPARE(grid.text(3, sources::ProcessStatusKey), QString());
        QVERIFY(grid.columnWidth(grid.columnOfKey(sources::ProcessStatusKey)) > 0);
        QVERIFY(m_saveReport->isVisible());
        QVERIFY(m_prompter->boxes().isEmpty());
        // The commands are back once the run is over.
        QVERIFY(m_window->findChild<QWidget *>(QStringLiteral("cmdPost"))->isEnabled());
    }

    void dispatchTable_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<quintptr>("function");

        auto address = [](sources::PostingProcedure procedure) { return reinterpret_cast<quintptr>(procedure); };
        const struct
        {
            const char *keyword;
            sources::PostingProcedure function;
        } rows[] = {
            {"LEDGERS", &masters::PostLedgers},
            {"LEDGER GROUPS", &masters::PostLedgerGroups},
            {"UNITS", &masters::PostUnits},
            {"GODOWNS", &masters::PostGodowns},
            {"STOCK GROUPS", &masters::PostStockGroups},
            {"STOCK CATEGORIES", &masters::PostStockCategories},
            {"STOCK ITEMS", &masters::PostStockItems},
            {"COST CATEGORIES", &masters::PostCostCategories},
            {"COST CENTRES", &masters::PostCostCentres},
            {"TRANSACTIONS", &vouchers::PostTransaction},
            {"H_TRANSACTIONS", &vouchers::PostTransaction},
            {"QUICKTRANSACTIONS", &vouchers::PostQuickTransaction},
            {"TDSTRANSACTIONS", &vouchers::PostTDSTransaction},
            {"SERVICETAXTRANSACTIONS", &vouchers::PostServTaxTransaction},
            {"ITEM TRANSACTIONS", &vouchers::PostItemizedTransaction},
            {"I_TRANSACTIONS", &vouchers::PostItemizedTransaction},
            {"STTDSTRANSACTIONS", &vouchers::PostSTTDSTransaction},
            {"VATTRANSACTIONS", &vouchers::PostVATTransaction},
            {"VATTRANSACTIONSMC", &vouchers::PostVATTransactionMC},
            {"ORDERS", &vouchers::PostOrders},
            {"NOTES", &vouchers::PostNotes},
            {"PHYSICALSTOCK", &vouchers::PostPhysicalStock},
            {"STOCKJV", &vouchers::PostStockJV},
            {"CRDRNOTES", &vouchers::PostCrDrNotes},
            {"COST TRANSACTIONS", &vouchers::PostCostTransaction},
            {"C_TRANSACTIONS", &vouchers::PostCostTransaction},
            {"SALE REGISTER", &vouchers::PostVoucherRegister},
            {"SALEREGISTER", &vouchers::PostVoucherRegister},
            {"V_TRANSACTIONS", &vouchers::PostVoucherRegister},
            {"VOUCHERREGISTER", &vouchers::PostVoucherRegister},
            {"VOUCHER REGISTER", &vouchers::PostVoucherRegister},
            // No row: the listing offers the purchase registers, but nothing posts them; the comparison is exact.
            {"PURCHASE REGISTER", nullptr},
            {"PURCHASEREGISTER", nullptr},
            {"LEDGERGROUPS", nullptr},
            {"Ledgers", nullptr},
            {" LEDGERS", nullptr},
            {"", nullptr},
        };
        for (const auto &row : rows)
            QTest::newRow(*row.keyword ? row.keyword : "(empty)")
                << QString::fromLatin1(row.keyword) << address(row.function);
    }

    void dispatchTable()
    {
        QFETCH(QString, keyword);
        QFETCH(quintptr, function);
        QCOMPARE(reinterpret_cast<quintptr>(app::findPostingProcedure(keyword)), function);
    }

    void dispatchTableOrderAndKeywordsAreDistinct()
    {
        QStringList order;
        QStringList keywords;
        for (const sources::ImportType &type : sources::importTypes()) {
            if (!app::findPostingProcedure(QString(type.keywords.front().text)))
                continue;
            order << QString(type.keywords.front().text);
            for (const sources::ImportKeyword &keyword : type.keywords) {
                if (!keyword.text.isEmpty())
                    keywords << QString(keyword.text);
            }
        }
        const QStringList expected = {
            QStringLiteral("LEDGERS"),
            QStringLiteral("TRANSACTIONS"),
            QStringLiteral("QUICKTRANSACTIONS"),
            QStringLiteral("TDSTRANSACTIONS"),
            QStringLiteral("STTDSTRANSACTIONS"),
            QStringLiteral("VATTRANSACTIONS"),
            QStringLiteral("VATTRANSACTIONSMC"),
            QStringLiteral("ORDERS"),
            QStringLiteral("NOTES"),
            QStringLiteral("PHYSICALSTOCK"),
            QStringLiteral("STOCKJV"),
            QStringLiteral("CRDRNOTES"),
            QStringLiteral("SERVICETAXTRANSACTIONS"),
            QStringLiteral("ITEM TRANSACTIONS"),
            QStringLiteral("COST TRANSACTIONS"),
            QStringLiteral("LEDGER GROUPS"),
            QStringLiteral("UNITS"),
            QStringLiteral("GODOWNS"),
            QStringLiteral("STOCK GROUPS"),
            QStringLiteral("STOCK CATEGORIES"),
            QStringLiteral("STOCK ITEMS"),
            QStringLiteral("COST CATEGORIES"),
            QStringLiteral("COST CENTRES"),
            QStringLiteral("SALE REGISTER"),
        };
        QCOMPARE(order, expected);
        QCOMPARE(keywords.size(), 31);
        keywords.removeDuplicates();
        QCOMPARE(keywords.size(), 31);
    }

    // The import-type table in sources and the tables of posting procedures in masters and vouchers are kept
    // apart by the folders' order: every type that loads has one procedure, under its first keyword, and every
    // procedure's keyword is the first keyword of a type that loads. A type that does not load posts nothing.
    void handlerTablesMatchImportTypes()
    {
        QStringList handled;
        for (const sources::PostingHandler &handler : masters::masterHandlers)
            handled << QString(handler.keyword);
        for (const sources::PostingHandler &handler : vouchers::voucherHandlers)
            handled << QString(handler.keyword);

        QStringList loading;
        QStringList notLoading;
        for (const sources::ImportType &type : sources::importTypes()) {
            const QString first = QString(type.keywords.front().text);
            (type.route == sources::LoadRoute::Unknown ? notLoading : loading) << first;
        }

        for (const QString &keyword : std::as_const(loading))
            QVERIFY2(handled.count(keyword) == 1, qPrintable(keyword + QStringLiteral(": not one procedure")));
        for (const QString &keyword : std::as_const(handled))
            QVERIFY2(loading.contains(keyword), qPrintable(keyword + QStringLiteral(": no import type that loads")));
        QCOMPARE(notLoading, QStringList{QStringLiteral("PURCHASE REGISTER")});
        for (const sources::PostingHandler &handler : masters::masterHandlers)
            QVERIFY(handler.post);
        for (const sources::PostingHandler &handler : vouchers::voucherHandlers)
            QVERIFY(handler.post);
    }

private:
    // Sets the two lists as the user leaves them, without loading anything.
    void choose(const QString &company, const QString &importType)
    {
        m_companies->clear();
        if (!company.isEmpty()) {
            m_companies->addItems({QStringLiteral("Other Co"), company});
            m_companies->setCurrentIndex(1);
        }
        m_importTypes->clear();
        m_importTypes->addItem(placeholder);
        if (importType.isEmpty()) {
            m_importTypes->setCurrentIndex(-1);
        } else if (importType != placeholder) {
            m_importTypes->addItem(importType);
            m_importTypes->setCurrentIndex(1);
        }
        QCOMPARE(m_window->companyListText(), company);
        QCOMPARE(m_window->importTypeText(), importType);
    }

    QComboBox *m_companies = nullptr;
    QComboBox *m_importTypes = nullptr;
    QAction *m_saveReport = nullptr;
};

QTEST_MAIN(TestPostCommand)
#include "testpostcommand.moc"
