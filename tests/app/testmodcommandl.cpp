#include "app/modcommandl.h"

#include <QTest>

#include <vector>

using namespace app;

class TestModCommandL final : public QObject
{
    Q_OBJECT

private slots:
    void parsesRawText_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QStringList>("arguments");

        const auto args = [](std::initializer_list<const char *> texts) {
            QStringList list;
            for (const char *text : texts)
                list << QString::fromUtf8(text);
            return list;
        };
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("blanks only") << QStringLiteral("    ") << QStringList();
        QTest::newRow("plain") << QStringLiteral("XLS C:\\a.xls LEDGERS") << args({"XLS", "C:\\a.xls", "LEDGERS"});
        QTest::newRow("several blanks, leading and trailing")
            << QStringLiteral("   XLS    book.xls   ") << args({"XLS", "book.xls"});
        QTest::newRow("empty quoted arguments keep positions")
            << QStringLiteral("ODBC \"MyDSN\" LEDGERS \"\" \"\" \"\" \"\" POSTSILENT admin secret")
            << args({"ODBC", "MyDSN", "LEDGERS", "", "", "", "", "POSTSILENT", "admin", "secret"});
        QTest::newRow("quoted blanks") << QStringLiteral("XLS \"C:\\My Books\\a b.xls\" \"ledger groups\"")
                                       << args({"XLS", "C:\\My Books\\a b.xls", "ledger groups"});
        QTest::newRow("closing quote ends the argument") << QStringLiteral("\"ab\"cd") << args({"ab", "cd"});
        QTest::newRow("quote inside an unquoted argument is dropped") << QStringLiteral("ab\"cd") << args({"abcd"});
        QTest::newRow("unterminated quote runs to the end")
            << QStringLiteral("XLS \"C:\\a b.xls LEDGERS  x") << args({"XLS", "C:\\a b.xls LEDGERS  x"});
        QTest::newRow("tab is no separator") << QStringLiteral("a\tb c") << args({"a\tb", "c"});
        QTest::newRow("apostrophe is kept by the parser")
            << QStringLiteral("\"Jack's Stores\"") << args({"Jack's Stores"});
    }

    void parsesRawText()
    {
        QFETCH(QString, raw);
        QFETCH(QStringList, arguments);

        QCOMPARE(GetCommandArgCount(raw), qint16(arguments.size()));
        for (qsizetype i = 0; i < arguments.size(); ++i)
            QCOMPARE(GetCommandArg(raw, qint16(i + 1)), arguments.at(i));
        QCOMPARE(GetCommandArg(raw, qint16(arguments.size() + 1)), QString());
        QCOMPARE(GetCommandArg(raw, 0), QString());
        QCOMPARE(GetCommandArg(raw, -1), QString());
    }

    void argumentVectorKeepsEveryEntry_data()
    {
        QTest::addColumn<QStringList>("argv");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("none") << QStringList() << QStringList();
        QTest::newRow("empty entries keep positions")
            << QStringList{QStringLiteral("XLS"), QStringLiteral("/data/a b.xls"), QString(), QString(),
                           QStringLiteral("POST")}
            << QStringList{QStringLiteral("XLS"), QStringLiteral("/data/a b.xls"), QString(), QString(),
                           QStringLiteral("POST")};
        QTest::newRow("blanks inside and around") << QStringList{QStringLiteral("  lead"), QStringLiteral("trail  ")}
                                                  << QStringList{QStringLiteral("  lead"), QStringLiteral("trail  ")};
        QTest::newRow("double quotes cannot survive") << QStringList{QStringLiteral("say \"hi\""), QStringLiteral("\"")}
                                                      << QStringList{QStringLiteral("say hi"), QString()};
    }

    void argumentVectorKeepsEveryEntry()
    {
        QFETCH(QStringList, argv);
        QFETCH(QStringList, expected);

        const QString raw = rawArgumentText(argv);
        QCOMPARE(GetCommandArgCount(raw), qint16(expected.size()));
        for (qsizetype i = 0; i < expected.size(); ++i)
            QCOMPARE(GetCommandArg(raw, qint16(i + 1)), expected.at(i));
    }

    void passwordArgumentBlanked()
    {
        QList<QByteArray> entries{"pelko", "ODBC", "Books", "LEDGERS", "", "", "", "", "POST", "clerk", "a+b% c"};
        std::vector<char *> argv;
        for (QByteArray &entry : entries)
            argv.push_back(entry.data());

        blankPasswordArgument(int(argv.size()) - 1, argv.data());
        QCOMPARE(QByteArray(argv[10], 6), QByteArray("a+b% c"));

        blankPasswordArgument(int(argv.size()), argv.data());
        QCOMPARE(QByteArray(argv[10], 6), QByteArray(6, '\0'));
        QCOMPARE(QByteArray(argv[9]), QByteArray("clerk"));
        QCOMPARE(QByteArray(argv[2]), QByteArray("Books"));
    }

    void commandLineCleansArguments()
    {
        const CommandLine line = CommandLine::read(
            QStringLiteral("xls \"/b/o'k.xls\" \"ledger groups\" \"Jack's Stores\" \"\" \"\" \"\" POSTSILENT"));
        QCOMPARE(line.SourceKind(), QStringLiteral("xls"));
        QCOMPARE(line.sourcePath(), QStringLiteral("/b/ok.xls"));
        QCOMPARE(line.importType(), QStringLiteral("LEDGER GROUPS"));
        QCOMPARE(line.company(), QStringLiteral("Jacks Stores"));
        QCOMPARE(line.reportPath(), QString());
        QCOMPARE(line.PostMode(), QStringLiteral("POSTSILENT"));
        QCOMPARE(line.odbcUser(), QString());
        QCOMPARE(line.odbcPassword(), QString());

        setRawCommandLine(QStringLiteral("MDB x.mdb"));
        QCOMPARE(GetCommandArg(2), QStringLiteral("x.mdb"));
        QCOMPARE(GetCommandArgCount(), qint16(2));
        QCOMPARE(CommandLine::read().SourceKind(), QStringLiteral("MDB"));
        setRawCommandLine(QString());
    }
};

QTEST_GUILESS_MAIN(TestModCommandL)
#include "testmodcommandl.moc"
