#include "errors/errortrap.h"
#include "sources/readers/delimitedtext.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/sourcereader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using sources::Table;
using sources::TableEntry;
using sources::TableType;

namespace {

const QString textFolder = QStringLiteral(PELKO_TEST_DATA "/sources/text");

std::unique_ptr<sources::SourceReader> openFolder(const QString &folder)
{
    return sources::openSource({sources::SourceKind::TextFolder, folder, {}, {}});
}

// The grid texts of a table, a row per line and the cells joined by "|", null cells shown as "~".
QStringList rows(const Table &table)
{
    QStringList result;
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (const sources::Value &value : table.row(row))
            cells.append(value.isNull() ? QStringLiteral("~") : sources::gridText(value));
        result.append(cells.join(QLatin1Char('|')));
    }
    return result;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestTextReader final : public QObject
{
    Q_OBJECT

private slots:
    void listsTextFilesByFileName()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("Stock Items.csv")), "Name\n");
        writeFile(dir.filePath(QStringLiteral("LEDGERS.CSV")), "Name\n");
        writeFile(dir.filePath(QStringLiteral("notes.TXT")), "Note\n");
        writeFile(dir.filePath(QStringLiteral("book.xls")), "");
        writeFile(dir.filePath(QStringLiteral("units.csv.bak")), "");
        writeFile(dir.filePath(QStringLiteral(".hidden.csv")), "Name\n");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.csv")));

        const QList<TableEntry> expected = {{QStringLiteral("LEDGERS.CSV"), TableType::Table},
                                            {QStringLiteral("notes.TXT"), TableType::Table},
                                            {QStringLiteral("Stock Items.csv"), TableType::Table}};
        QCOMPARE(openFolder(dir.path())->tables(), expected);

        QCOMPARE(openFolder(textFolder)->tables().size(), 5);
        QCOMPARE(sources::textTableName(textFolder + QStringLiteral("/Ledgers.csv")), QStringLiteral("Ledgers.csv"));
        QCOMPARE(sources::textFolder(textFolder + QStringLiteral("/Ledgers.csv")), textFolder);
    }

    void readsUtf8WithByteOrderMark()
    {
        const Table table = openFolder(textFolder)->readTable(QStringLiteral("Ledgers.csv"));
        QCOMPARE(table.fieldNames(),
                 QStringList({QStringLiteral("Name"), QStringLiteral("Parent"), QStringLiteral("Address1"),
                              QStringLiteral("OpeningBalance"), QStringLiteral("Email")}));
        QCOMPARE(rows(table),
                 QStringList({QStringLiteral("Sharma Traders|Sundry Debtors|Shop 4, \"Sai\" Complex|1500.50|"
                                             "accounts@sharma.example"),
                              QStringLiteral("Rao & Sons|Sundry Creditors|~|-2250|~"),
                              QStringLiteral("Café Niño|Sundry Debtors|Bengaluru ₹ zone|0|~")}));
        // Cells are text as written, never guessed into numbers.
        QCOMPARE(table.at(0, 3).type(), sources::Value::Type::Text);
    }

    void readsQuotedLineBreaksAndBlankLines()
    {
        const Table table = openFolder(textFolder)->readTable(QStringLiteral("transactions.CSV"));
        QCOMPARE(table.fieldCount(), 9);
        QCOMPARE(
            rows(table),
            QStringList({QStringLiteral("Payment|02/04/2024|2|~|1|Office Rent|1200|~|Rent for April\npaid in cash"),
                         QStringLiteral("~|~|~|~|2|Cash|~|1200|~"), QStringLiteral("~|~|~|~|~|~|~|~|~"),
                         QStringLiteral("Receipt|03/04/2024|R-1|CHQ 4411|1|State Bank|1500.5|~|"
                                        "Part payment, \"April\""),
                         QStringLiteral("~|~|~|~|2|Sharma Traders|~|1500.5|~")}));
    }

    // A column whose first texts are all different is kept as it comes, and its later texts read right, also
    // one that comes again; a column of a few texts still holds each of them once.
    void readsColumnsOfDistinctTexts()
    {
        QByteArray csv = "Ref,Ledger\n";
        for (int i = 0; i < 5000; ++i)
            csv += 'R' + QByteArray::number(i % 4500) + ",L" + QByteArray::number(i % 7) + '\n';
        const Table table = sources::parseDelimitedText(csv);
        QCOMPARE(table.rowCount(), 5000);
        QCOMPARE(table.at(4999, 0).toText(), QStringLiteral("R499"));
        QCOMPARE(table.at(499, 0).toText(), QStringLiteral("R499"));
        QCOMPARE(table.at(4999, 1).toText(), QStringLiteral("L1"));
        QCOMPARE(table.id(4900, 1), table.id(0, 1));
        QCOMPARE(table.id(4999, 1), table.id(1, 1));
    }

    void readsWindows1252()
    {
        const Table table = openFolder(textFolder)->readTable(QStringLiteral("Units.csv"));
        QCOMPARE(rows(table),
                 QStringList({QStringLiteral("Mtr|Yes|Mètre|2"), QStringLiteral("Lot|Yes|Lot – € pricing|0")}));
    }

    void readsHeaderOnly()
    {
        const Table table = openFolder(textFolder)->readTable(QStringLiteral("Godowns.csv"));
        QCOMPARE(table.fieldCount(), 4);
        QCOMPARE(table.rowCount(), 0);
    }

    void parsesEdgeCases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("records");

        const QStringList ab = {QStringLiteral("A"), QStringLiteral("B")};
        QTest::newRow("no final line break") << QStringLiteral("A,B\n1,2") << ab << QStringList{QStringLiteral("1|2")};
        QTest::newRow("lone CR ends a line")
            << QStringLiteral("A,B\r1,2\r3,4\r") << ab << QStringList{QStringLiteral("1|2"), QStringLiteral("3|4")};
        QTest::newRow("quoted CR LF kept")
            << QStringLiteral("A,B\r\n\"x\r\ny\",2\r\n") << ab << QStringList{QStringLiteral("x\r\ny|2")};
        QTest::newRow("quoted empty is null")
            << QStringLiteral("A,B\n\"\",2\n") << ab << QStringList{QStringLiteral("~|2")};
        QTest::newRow("blanks kept") << QStringLiteral("A,B\n 1 , \"2\" \n") << ab
                                     << QStringList{QStringLiteral(" 1 | \"2\" ")};
        QTest::newRow("text after closing quote")
            << QStringLiteral("A,B\n\"ab\"cd,2\n") << ab << QStringList{QStringLiteral("abcd|2")};
        QTest::newRow("quote inside plain field")
            << QStringLiteral("A,B\n5\" pipe,2\n") << ab << QStringList{QStringLiteral("5\" pipe|2")};
        QTest::newRow("short record padded") << QStringLiteral("A,B\n1\n") << ab << QStringList{QStringLiteral("1|~")};
        QTest::newRow("blank header named by column")
            << QStringLiteral("A,,C\n1,2,3\n")
            << QStringList{QStringLiteral("A"), QStringLiteral("F2"), QStringLiteral("C")}
            << QStringList{QStringLiteral("1|2|3")};
        QTest::newRow("wider record adds fields")
            << QStringLiteral("A,B\n1,2\n3,4,5\n")
            << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("F3")}
            << QStringList{QStringLiteral("1|2|~"), QStringLiteral("3|4|5")};
    }
    void parsesEdgeCases()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, records);
        const Table table = sources::parseDelimitedText(text.toUtf8());
        QCOMPARE(table.fieldNames(), fields);
        QCOMPARE(rows(table), records);
    }

    // What is no text file of records is refused with a message that names the file and says what is wrong,
    // rather than read into a grid that would post something else than the file means.
    void refusesWhatIsNoTextOfRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QString noHeader = QStringLiteral("'Ledgers.csv' has no header row: its first line is empty.");
        const QString quote = QStringLiteral("'Ledgers.csv' cannot be read: the quote that opens a field on line %1 "
                                             "is never closed.");
        QTest::newRow("empty file") << QByteArray() << noHeader;
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << noHeader;
        QTest::newRow("blank first line") << QByteArray(" \r\nName\r\nCash\r\n") << noHeader;
        QTest::newRow("NULs only") << QByteArray(64, '\0')
                                   << QStringLiteral("'Ledgers.csv' is not a text file: it holds NUL bytes.");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                << QStringLiteral("'Ledgers.csv' is not a text file: it holds NUL bytes.");
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEN\0a\0m\0e\0", 10)
                                << QStringLiteral("'Ledgers.csv' is not a text file this program reads: it is written "
                                                  "in UTF-16.");
        QTest::newRow("quote left open")
            << QByteArray("Name,Parent,Flag,Sub\r\nAlpha,\"Sundry Debtors,No,x\r\nBeta,,Sundry Debtors,No\r\n")
            << quote.arg(2);
        QTest::newRow("quote left open after quoted line breaks")
            << QByteArray("A,B\r1,\"x\ny\"\r\n2,3\n\"open") << quote.arg(5);
        QTest::newRow("quote left open in the header") << QByteArray("\"A,B\n1,2\n") << quote.arg(1);
    }
    void refusesWhatIsNoTextOfRecords()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        try {
            sources::parseDelimitedText(bytes, QStringLiteral("Ledgers.csv"));
            QFAIL("read without an error");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::OpenFailed);
            QCOMPARE(error.description(), message);
        }
    }

    void decodesByContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("utf-8") << QByteArray("Mètre €") << QStringLiteral("Mètre €");
        QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBFName") << QStringLiteral("Name");
        QTest::newRow("cp1252") << QByteArray("M\xE8tre \x80 \x96 \x93q\x94") << QStringLiteral("Mètre € – “q”");
        QTest::newRow("cp1252 undefined bytes kept") << QByteArray("\x81\x8D") << (QString(QChar(0x81)) + QChar(0x8D));
        QTest::newRow("truncated utf-8 falls back") << QByteArray("ab\xC3") << QStringLiteral("abÃ");
        // One stray byte makes the whole file Windows-1252, also where its other bytes were valid UTF-8.
        QTest::newRow("mixed falls back") << QByteArray("\xC3\xA8,\xE8") << QStringLiteral("Ã¨|è");
        QTest::newRow("quoted cp1252") << QByteArray("\"\xE8,\"\"\x80\"\"\"") << QStringLiteral("è,\"€\"");
    }
    void decodesByContent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        // The bytes are the header line; its field names show how they were decoded.
        const Table table = sources::parseDelimitedText(bytes);
        QCOMPARE(table.fieldNames().join(QLatin1Char('|')), expected);
    }

    void failures()
    {
        try {
            openFolder(textFolder)->readTable(QStringLiteral("Stock Items.csv"));
            QFAIL("no error for a missing table");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::ObjectNotFound);
            QVERIFY2(error.description().contains(QStringLiteral("'Stock Items.csv'")),
                     qPrintable(error.description()));
        }
        // A path outside the folder is no table of it.
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError,
                                 openFolder(textFolder)->readTable(QStringLiteral("../text/Ledgers.csv")));
        try {
            openFolder(textFolder + QStringLiteral("/missing"));
            QFAIL("no error for a missing folder");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::OpenFailed);
            QVERIFY2(error.description().contains(QStringLiteral("/missing' is not a valid path")),
                     qPrintable(error.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestTextReader)
#include "testtextreader.moc"
