#include "sources/importtypes.h"

#include <QTest>

using namespace sources;

class TestImportTypes final : public QObject
{
    Q_OBJECT

private slots:
    // Source names, already upper-cased, and the entry each adds to the list ("-" for none): the spaced and the
    // unspaced form of a keyword give the same entry, and register names give themselves.
    void importTypeTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entry");
        const char *rows[][2] = {
            {"TRANSACTIONS", "TRANSACTIONS"},
            {"H_TRANSACTIONS", "TRANSACTIONS"},
            {"QUICKTRANSACTIONS", "QUICKTRANSACTIONS"},
            {"VATTRANSACTIONSMC", "VATTRANSACTIONSMC"},
            {"ITEMTRANSACTIONS", "ITEM TRANSACTIONS"},
            {"I_TRANSACTIONS", "ITEM TRANSACTIONS"},
            {"COST TRANSACTIONS", "COST TRANSACTIONS"},
            {"C_TRANSACTIONS", "COST TRANSACTIONS"},
            {"LEDGERGROUPS", "LEDGER GROUPS"},
            {"STOCKCATEGORIES", "STOCK CATEGORIES"},
            {"COST CENTRES", "COST CENTRES"},
            {"SALE REGISTER", "SALE REGISTER"},
            {"PURCHASEREGISTER", "PURCHASEREGISTER"},
            {"V_TRANSACTIONS", "V_TRANSACTIONS"},
            {"LEDGER  GROUPS", "-"},
            {"LEDGERS ", "-"},
            {"'LEDGERS'", "-"},
            {"SHEET1", "-"},
            {"Ledgers", "-"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
    void importTypeTable()
    {
        QFETCH(QString, name);
        QFETCH(QString, entry);
        QCOMPARE(importTypeEntry(name).value_or(QStringLiteral("-")), entry);
    }

    // What a load does for a list text, whether it is read in voucher order, and whether the import type as the
    // loader receives it (no blanks) is filled down.
    void loadRules_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<int>("route");
        QTest::addColumn<bool>("ordered");
        QTest::addColumn<bool>("filled");
        const auto row = [](const char *text, LoadRoute route, bool ordered, bool filled) {
            QTest::newRow(text) << QString::fromLatin1(text) << int(route) << ordered << filled;
        };
        row(">>SELECT IMPORT TYPE<<", LoadRoute::Placeholder, false, false);
        row("TRANSACTIONS", LoadRoute::General, true, true);
        row("ITEM TRANSACTIONS", LoadRoute::General, true, true);
        row("COST TRANSACTIONS", LoadRoute::General, true, true);
        row("H_TRANSACTIONS", LoadRoute::General, true, false);
        row("C_TRANSACTIONS", LoadRoute::General, false, false);
        row("PHYSICALSTOCK", LoadRoute::General, true, true);
        row("LEDGER GROUPS", LoadRoute::General, false, false);
        row("STOCK ITEMS", LoadRoute::General, false, false);
        row("SALE REGISTER", LoadRoute::Register, false, false);
        row("V_TRANSACTIONS", LoadRoute::Register, false, false);
        row("PURCHASE REGISTER", LoadRoute::Unknown, false, false);
        row("LEDGERGROUPS", LoadRoute::Unknown, false, false);
        row("", LoadRoute::Unknown, false, false);
    }
    void loadRules()
    {
        QFETCH(QString, listText);
        QFETCH(int, route);
        QFETCH(bool, ordered);
        QFETCH(bool, filled);
        QCOMPARE(int(loadRoute(listText)), route);
        QCOMPARE(readsInVoucherOrder(listText), ordered);
        QCOMPARE(receivesVoucherFillDown(removeBlanks(listText)), filled);
    }
};

QTEST_GUILESS_MAIN(TestImportTypes)
#include "testimporttypes.moc"
