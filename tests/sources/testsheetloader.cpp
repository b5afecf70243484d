#include "loaderprobe.h"
#include "support/testbed.h"

#include "errors/errorreport.h"
#include "sources/importtypes.h"
#include "sources/sheetloader.h"
#include "sources/sourcegrid.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testenvironment.h"

#include <QTest>

#include <memory>

using namespace sources;
using namespace loadertest;
using testsupport::HeadlessWindow;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

const QString crlf = QStringLiteral("\r\n");

QStringList repeated(const QString &text, int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result.append(text);
    return result;
}

} // namespace

class TestSheetLoader final : public testsupport::TestBed<HeadlessWindow>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_window = std::make_unique<HeadlessWindow>();
        m_window->setSelectedSourceKey(ExcelSourceKey);
    }
    void cleanup() { stopBed(); }

    // A master sheet: one keyed column per field with the field's own spelling as caption, the status column,
    // every record a row in sheet order, numbers aligned right, two blank rows after the data. A listed name
    // with blanks is found for the keyword without them.
    void loadsMasterSheet_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QStringList>("firstKeys");
        QTest::addColumn<int>("records");
        QTest::newRow("ledgers") << "LEDGERS"
                                 << "Ledgers$" << strings({"NAME", "PARENT", "ADDRESS1"}) << 5;
        QTest::newRow("blank in the sheet name") << "LEDGER GROUPS"
                                                 << "Ledger Groups$" << strings({"NAME", "NAMEALIAS", "PARENT"}) << 3;
        QTest::newRow("stock items") << "STOCK ITEMS"
                                     << "Stock Items$" << strings({"NAME", "PARENT", "CATEGORY"}) << 3;
    }
    void loadsMasterSheet()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, firstKeys);
        QFETCH(int, records);
        choose(fixture(QStringLiteral("masters.xls")), entry);

        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(keys(grid).mid(0, 3), firstKeys);
        QCOMPARE(keys(grid).last(), QStringLiteral("PROCESSSTATUS"));
        QCOMPARE(captions(grid).last(), QStringLiteral("Process Status"));
        QVERIFY(!keys(grid).contains(QStringLiteral("ID")));
        QCOMPARE(grid.rows(), records + 2);
        QCOMPARE(trailingBlankRows(grid), 2);
        QCOMPARE(m_window->sourceGrid().Rows(), records + 1);
        QCOMPARE(m_prompter->boxes().size(), 0);

        const QStringList texts = readingTexts(*m_window);
        QCOMPARE(texts.size(), records + 1);
        QCOMPARE(texts.first(), QStringLiteral("Reading Records => 1/%1").arg(records));
        QCOMPARE(texts.at(records - 1), QStringLiteral("Reading Records => %1/%1").arg(records));
        QCOMPARE(texts.last(), QString());
        QCOMPARE(m_window->panelText(MsgPanel), QString());
        QVERIFY(grid.redraw());
    }

    void ledgerCellsAndAlignment()
    {
        choose(fixture(QStringLiteral("masters.xls")), QStringLiteral("LEDGERS"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(captions(grid),
                 strings({"Name", "Parent", "Address1", "Address2", "State", "Pincode", "OpeningBalance", "BillwiseOn",
                          "OpeningBillDate", "OpeningName", "OpeningCreditPeriod", "Email", "Process Status"}));
        QCOMPARE(rowText(grid, 1), QStringLiteral("Sharma Traders|Sundry Debtors|Shop 4, \"Sai\" Complex|MG Road|"
                                                  "Karnataka|560001|1500.5|Yes|20240315|INV/101|30|"
                                                  "accounts@sharma.example|"));
        // The continuation row keeps its blank name: masters are not filled down.
        QCOMPARE(rowText(grid, 2), QStringLiteral("||||||750.25||20240328|INV/117|30||"));
        const int pincode = grid.columnOfKey(QStringLiteral("PINCODE"));
        QCOMPARE(m_window->sourceGrid().ColAlignment(pincode - 1), int(FlexAlign::RightCenter));
        QCOMPARE(grid.alignment(1, pincode), int(CellAlign::Right));
        QCOMPARE(grid.alignment(1, grid.columnOfKey(QStringLiteral("NAME"))), int(CellAlign::Left));
        QVERIFY(grid.columnWidth(1) > 0);
        QCOMPARE(grid.columnWidth(grid.columnOfKey(ProcessStatusKey)), -1);
    }

    // Continuation rows take their voucher's type, date, number and serial number in the sheet's own order, and
    // only then are the vouchers sorted by type, date, number and serial number; so a voucher's rows stay
    // together. Sorting first would put every continuation row (blank type) at the top and fill it from the
    // wrong voucher. A reference or narration is filled only within its voucher: "payment" 3 and Payment 2 have
    // no reference and take none from the vouchers that stand above them in the sheet.
    void fillsDownBeforeVoucherOrder()
    {
        choose(fixture(QStringLiteral("transactions.xls")), QStringLiteral("TRANSACTIONS"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(keys(grid), strings({"VCHTYPE", "VCHDATE", "VCHNO", "REFNO", "SRNO", "LEDGER", "DEBIT", "CREDIT",
                                      "NARRATION", "ID", "PROCESSSTATUS"}));
        QCOMPARE(captions(grid).mid(9), strings({"ID", "Process Status"}));
        QCOMPARE(column(grid, QStringLiteral("LEDGER")),
                 strings({"Rao & Sons", "Cash", "Discount Received", "Office Rent", "Cash", "Office Rent", "Cash",
                          "State Bank", "Sharma Traders", "", ""}));
        const QString payment1 = QStringLiteral("Payment-1-20240401-V-7");
        const QString payment3 = QStringLiteral("payment-3-20240401-");
        const QString payment2 = QStringLiteral("Payment-2-20240402-");
        const QString receipt = QStringLiteral("Receipt-R-1-20240403-CHQ 4411");
        QCOMPARE(column(grid, IdKey), repeated(payment1, 3) + repeated(payment3, 2) + repeated(payment2, 2) +
                                          repeated(receipt, 2) + repeated(QString(), 2));
        QCOMPARE(column(grid, QStringLiteral("NARRATION")).at(2), QStringLiteral("Settled"));
        // Ten records, the blank one included, are counted; the blank one is no row.
        QCOMPARE(readingTexts(*m_window).at(9), QStringLiteral("Reading Records => 10/10"));
        QCOMPARE(grid.rows(), 11);
        QCOMPARE(m_window->sourceGrid().Rows(), 11);
        QCOMPARE(sourceRow(m_window->sourceGrid(), 1), QStringLiteral("||||||||"));
    }

    // A text file is read from its folder under its own name, whatever the import type.
    void loadsTextFile()
    {
        choose(fixture(QStringLiteral("text/Transactions.csv")), QStringLiteral("TRANSACTIONS"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(column(grid, QStringLiteral("LEDGER")),
                 strings({"Office Rent", "Cash", "State Bank", "Sharma Traders", "", ""}));
        QCOMPARE(column(grid, IdKey),
                 strings({"Payment-2-02/04/2024-", "Payment-2-02/04/2024-", "Receipt-R-1-03/04/2024-CHQ 4411",
                          "Receipt-R-1-03/04/2024-CHQ 4411", "", ""}));
        QCOMPARE(column(grid, QStringLiteral("NARRATION")).at(1), QStringLiteral("Rent for April\npaid in cash"));
    }

    // A loaded text is held once: cells of either grid that show it share it, whichever source cell it came from.
    void holdsEachTextOnce()
    {
        choose(fixture(QStringLiteral("text/Transactions.csv")), QStringLiteral("TRANSACTIONS"));
        const WorkGrid &grid = m_window->workGrid();
        const SourceGrid &source = m_window->sourceGrid();
        const int debit = grid.columnOfKey(QStringLiteral("DEBIT"));
        const int credit = grid.columnOfKey(QStringLiteral("CREDIT"));
        QCOMPARE(grid.text(1, debit), QStringLiteral("1200"));
        QCOMPARE(grid.text(1, debit).constData(), grid.text(2, credit).constData());
        // The blank record sorts first: work-grid row r shows source row r + 1.
        QCOMPARE(grid.text(1, debit).constData(), source.TextMatrix(2, debit - 1).constData());
        QCOMPARE(grid.text(2, 1), QStringLiteral("Payment"));
        QCOMPARE(grid.text(2, 1).constData(), grid.text(1, 1).constData());
        // So is a voucher's synthesized ID, for all its rows.
        QCOMPARE(grid.text(2, IdKey).constData(), grid.text(1, IdKey).constData());
    }

    // The fill-down rule over a small sheet: a source ID field is filled like the header cells and no ID column
    // is added; a cell holding a blank is no empty cell; a blank record passes nothing to the record after it.
    void fillDownRule()
    {
        MemorySource source;
        const QStringList fields =
            strings({"ID", "VchType", "VchDate", "VchNo", "RefNo", "SrNo", "Narration", "Ledger"});
        const Cell null;
        source.addTable(QStringLiteral("Transactions$"), fields,
                        {{"V1", "Sales", "01/04/2024", 1, null, 1, "First", "Cash"},
                         {null, null, null, null, null, 2, " ", "Sales"},
                         {null, null, null, null, null, null, null, " "},
                         {null, "Sales", "02/04/2024", 2, null, 1, null, "Bank"}});
        choose(QStringLiteral("book.xls"), QStringLiteral("TRANSACTIONS"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(keys(grid).count(QStringLiteral("ID")), 1);
        // The blank record sorts first and is left out.
        QCOMPARE(rowText(grid, 1), QStringLiteral("V1|Sales|01/04/2024|1||1|First|Cash|"));
        QCOMPARE(rowText(grid, 2), QStringLiteral("V1|Sales|01/04/2024|1||2| |Sales|"));
        QCOMPARE(rowText(grid, 3), QStringLiteral("|Sales|02/04/2024|2||1||Bank|"));
        QCOMPARE(grid.rows(), 5);
    }

    // Voucher sheets that cannot be read: a missing ordering field fails the read, a missing header field the
    // fill-down. Either is reported with the loader's location code, and the work grid is left empty rather
    // than showing the previous load's rows under the new import type.
    void unreadableVoucherSheet_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("number");
        QTest::newRow("no SrNo") << strings({"VchType", "VchDate", "VchNo", "RefNo", "Narration", "Ledger"})
                                 << qint32(0x80040E10U);
        QTest::newRow("no RefNo") << strings({"VchType", "VchDate", "VchNo", "SrNo", "Narration", "Ledger"}) << 9;
    }
    void unreadableVoucherSheet()
    {
        QFETCH(QStringList, fields);
        QFETCH(int, number);
        choose(fixture(QStringLiteral("masters.xls")), QStringLiteral("LEDGERS"));
        QVERIFY(m_window->workGrid().rows() > 0);

        MemorySource source;
        source.addTable(QStringLiteral("Transactions$"), fields,
                        {{"Sales", "01/04/2024", 1, "A", "x", "Cash"}, {Cell(), Cell(), Cell(), 2}});
        choose(QStringLiteral("book.xls"), QStringLiteral("TRANSACTIONS"));
        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList{testsupport::reportedError("F01-0002", number)});
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(QString::fromLatin1(errors::errorLogName))),
                 QStringList{QStringLiteral("F01-0002")});
        QCOMPARE(m_window->workGrid().columns(), 0);
        QCOMPARE(m_window->workGrid().rows(), 0);
        QVERIFY(m_window->workGrid().redraw());
    }

    void workbookWithoutSrNoIsAnError()
    {
        choose(fixture(QStringLiteral("transactions-no-srno.xls")), QStringLiteral("TRANSACTIONS"));
        QCOMPARE(m_prompter->boxes().size(), 1);
        QVERIFY(m_prompter->boxes().first().title.endsWith(QStringLiteral("-2147217904")));
        QCOMPARE(m_window->workGrid().columns(), 0);
    }

    // The loads that end without data: the message (if any), the status text, and an empty work grid with one
    // blank row, whatever the previous load left.
    void loadsThatFindNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title");

        QTest::newRow("no path") << QString() << "LEDGERS"
                                 << "File Path not entered" << 16 << "Pelko 1.0";
        QTest::newRow("no loader for the type")
            << fixture(QStringLiteral("masters.xls")) << "PURCHASE REGISTER"
            << "Sheet named as  <PURCHASEREGISTER>  not found in the specified Excel file." << 0 << "";
        QTest::newRow("sheet not in the workbook")
            << fixture(QStringLiteral("masters.xls")) << "TRANSACTIONS" << QString() << 0 << QString();
        QTest::newRow("register without its map")
            << fixture(QStringLiteral("masters.xls")) << "VOUCHERREGISTER" << QString() << 0 << QString();
        QTest::newRow("register from a text file")
            << fixture(QStringLiteral("text/Ledgers.csv")) << "SALEREGISTER" << QString() << 0 << QString();
    }
    void loadsThatFindNothing()
    {
        QFETCH(QString, path);
        QFETCH(QString, entry);
        QFETCH(QString, prompt);
        QFETCH(int, style);
        QFETCH(QString, title);
        choose(fixture(QStringLiteral("masters.xls")), QStringLiteral("UNITS"));
        m_prompter->clear();

        choose(path, entry);
        if (prompt.isEmpty()) {
            QCOMPARE(m_prompter->boxes().size(), 0);
        } else {
            QCOMPARE(m_prompter->boxes().size(), 1);
            const ScriptedPrompter::Box box = m_prompter->boxes().first();
            QCOMPARE(box.prompt, prompt);
            QCOMPARE(box.style, style);
            QCOMPARE(box.hasOwnTitle, !title.isEmpty());
            if (!title.isEmpty())
                QCOMPARE(box.title, title);
            QCOMPARE(m_window->statCalls().last().msg, prompt);
        }
        QCOMPARE(m_window->workGrid().columns(), 0);
        QCOMPARE(m_window->workGrid().rows(), 1);
    }

    // A sheet with its header only: the columns, no ID column (no field can be found in the emptied header) and
    // two blank rows; the source grid has two empty rows.
    void headerOnlySheet()
    {
        MemorySource source;
        source.addTable(QStringLiteral("Orders$"),
                        strings({"VchType", "VchDate", "VchNo", "RefNo", "SrNo", "Narration"}));
        choose(QStringLiteral("book.xls"), QStringLiteral("ORDERS"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(keys(grid), strings({"VCHTYPE", "VCHDATE", "VCHNO", "REFNO", "SRNO", "NARRATION", "PROCESSSTATUS"}));
        QCOMPARE(grid.rows(), 2);
        QCOMPARE(trailingBlankRows(grid), 2);
        QCOMPARE(m_window->sourceGrid().Rows(), 2);
        QCOMPARE(sourceRow(m_window->sourceGrid(), 0), QString(m_window->sourceGrid().Cols() - 1, QLatin1Char('|')));
        QCOMPARE(readingTexts(*m_window), QStringList{QString()});
    }

    // A voucher register with its map of all sixteen fields: every record is a row (a blank one too, without an
    // ID), the ID column is synthesized, and each mapped column carries its tag.
    void registerWithFullMap()
    {
        choose(fixture(QStringLiteral("register.xls")), QStringLiteral("VOUCHERREGISTER"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(keys(grid), strings({"VCHTYPE", "VCHDATE", "VCHNO", "REFNO", "LEDGER", "NARRATION", "SALES", "VAT",
                                      "FREIGHT", "ID", "PROCESSSTATUS"}));
        QCOMPARE(tags(grid), strings({"", "", "", "", "", "", "SALES|Sales Account|Cr|1|||||||||||||",
                                      "VAT|Output VAT @ 12.5%|Cr|2|Sales @ 12.5%|12.5|Sales||||||||||",
                                      "FREIGHT|Freight Charges|Cr|3|||||||||||||", "", ""}));
        QCOMPARE(column(grid, IdKey),
                 strings({"Sales-S-1-20240401-PO-55", "Sales-S-2-20240402-", "", "Sales-S-3-20240405-", "", ""}));
        QCOMPARE(rowText(grid, 3), QString(10, QLatin1Char('|')));
        QCOMPARE(trailingBlankRows(grid), 2);
        QCOMPARE(readingTexts(*m_window).at(3), QStringLiteral("Reading Records => 4/4"));
    }

    // A map with one optional field keeps it at its own place: VATRate is the tag's sixth field, after an empty
    // VATClassification. A record without a ColumnName maps nothing; a ColumnName in lower case finds its column.
    void registerWithPartialMap()
    {
        choose(fixture(QStringLiteral("register-partial-map.xls")), QStringLiteral("VOUCHERREGISTER"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(grid.columnTag(grid.columnOfKey(QStringLiteral("SALES"))),
                 QStringLiteral("SALES|Sales Account|Cr|1|||"));
        QCOMPARE(grid.columnTag(grid.columnOfKey(QStringLiteral("VAT"))),
                 QStringLiteral("VAT|Output VAT @ 12.5%||2||12.5|"));
        QCOMPARE(grid.columnTag(grid.columnOfKey(QStringLiteral("FREIGHT"))), QString());
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

    // The register stops: the message, and an empty work grid repainting again.
    void registerStops_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        QTest::newRow("invalid column name")
            << "register-invalid-header.xls"
            << QStringLiteral("Column Names in VoucherRegister are Invalid.") + crlf +
                   QStringLiteral("Do not use special characters like ! @ # $ % ^ & * ( ) { } [ ] < > , . and spaces.")
            << "Invalid Column Names.";
        QTest::newRow("map names a missing column")
            << "register-missing-column.xls"
            << QStringLiteral("Column >Discount< Not found in VoucherRegister.") + crlf +
                   QStringLiteral("Please check VoucherRegisterMap sheet.")
            << "Column Not Found.";
    }
    void registerStops()
    {
        QFETCH(QString, file);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        choose(fixture(QStringLiteral("register.xls")), QStringLiteral("VOUCHERREGISTER"));
        QVERIFY(m_window->workGrid().rows() > 0);

        choose(fixture(file), QStringLiteral("VOUCHERREGISTER"));
        QCOMPARE(m_prompter->boxes().size(), 1);
        QCOMPARE(m_prompter->boxes().first().prompt, prompt);
        QCOMPARE(m_prompter->boxes().first().style, 16);
        QCOMPARE(m_prompter->boxes().first().title, title);
        QCOMPARE(m_window->workGrid().columns(), 0);
        QCOMPARE(m_window->workGrid().rows(), 0);
        QVERIFY(m_window->workGrid().redraw());
    }

    // Map records: an empty ColumnName is skipped like a null one; a map without ColumnName, or without one of
    // the other required fields, is a run-time error of the load.
    void registerMapRecords_data()
    {
        QTest::addColumn<QStringList>("mapFields");
        QTest::addColumn<QStringList>("mapRecord");
        QTest::addColumn<QString>("salesTag");
        QTest::addColumn<int>("error");
        QTest::newRow("empty column name") << strings({"ColumnName", "LedgerName", "LedgerSign", "Order"})
                                           << strings({"", "Sales", "Cr", "1"}) << "" << 0;
        QTest::newRow("null ledger sign") << strings({"ColumnName", "LedgerName", "LedgerSign", "Order"})
                                          << strings({"sales", "Sales", "~", "1"}) << "SALES|Sales||1|" << 0;
        QTest::newRow("no ColumnName field") << strings({"Column", "LedgerName", "LedgerSign", "Order"})
                                             << strings({"Sales", "Sales", "Cr", "1"}) << "" << 3265;
        QTest::newRow("no Order field") << strings({"ColumnName", "LedgerName", "LedgerSign"})
                                        << strings({"Sales", "Sales", "Cr"}) << "" << 3265;
    }
    void registerMapRecords()
    {
        QFETCH(QStringList, mapFields);
        QFETCH(QStringList, mapRecord);
        QFETCH(QString, salesTag);
        QFETCH(int, error);
        MemorySource source;
        source.addTable(QStringLiteral("SaleRegister$"), strings({"VchType", "VchNo", "Ledger", "Sales"}),
                        {{"Sales", 1, "Cash", 100}});
        Record map;
        for (const QString &text : mapRecord)
            map.append(Cell::fromText(text));
        source.addTable(QStringLiteral("SaleRegisterMap$"), mapFields, {map});
        choose(QStringLiteral("book.xls"), QStringLiteral("SALEREGISTER"));
        const WorkGrid &grid = m_window->workGrid();
        if (error != 0) {
            QCOMPARE(testsupport::reportedErrors(*m_prompter),
                     QStringList{testsupport::reportedError("F01-0002", error)});
            QCOMPARE(grid.columns(), 0);
            return;
        }
        QCOMPARE(m_prompter->boxes().size(), 0);
        QCOMPARE(grid.columnTag(grid.columnOfKey(QStringLiteral("SALES"))), salesTag);
        QCOMPARE(column(grid, IdKey), strings({"Sales-1", "", ""}));
    }

private:
    // Puts the path into the path box and chooses the entry as the user would.
    void choose(const QString &path, const QString &entry)
    {
        m_window->setSourceText(SourceBox::txtFilePath, path);
        m_window->clearImportTypes();
        m_window->addImportType(SelectImportTypeText);
        m_window->addImportType(entry);
        QVERIFY(m_window->selectImportType(entry));
    }
};

QTEST_GUILESS_MAIN(TestSheetLoader)
#include "testsheetloader.moc"
