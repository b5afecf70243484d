#include "masters/masterbuilders.h"

#include <QTest>

using namespace masters;
using namespace Qt::StringLiterals;

class TestOpeningBills final : public QObject
{
    Q_OBJECT

private slots:
    // The ledger's opening balance from its bills: an exact sum, blank before a positive total.
    void billsTotal_data()
    {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("total");

        QTest::newRow("no bills") << QStringList() << "";
        QTest::newRow("fractions kept") << QStringList{u"100.50"_s, u"200.25"_s} << " 300.75";
        QTest::newRow("small amounts do not vanish") << QStringList{u"0.4"_s, u"0.4"_s} << " 0.8";
        QTest::newRow("tenths add exactly") << QStringList{u"0.1"_s, u"0.2"_s} << " 0.3";
        QTest::newRow("cancel out") << QStringList{u"100"_s, u"-100"_s} << "";
        QTest::newRow("negative") << QStringList{u"-150.75"_s} << "-150.75";
        QTest::newRow("sign changes") << QStringList{u"5"_s, u"-7.25"_s} << "-2.25";
        QTest::newRow("beyond 32 bits") << QStringList{u"3000000000"_s, u"3000000000"_s} << " 6000000000";
        QTest::newRow("grouped amounts") << QStringList{u"1,500.00"_s, u"2,500.50"_s} << " 4000.5";
        QTest::newRow("text counts as 0") << QStringList{u"Nil"_s, u"12"_s} << " 12";
    }
    void billsTotal()
    {
        QFETCH(QStringList, amounts);
        QFETCH(QString, total);
        QList<OpeningBill> bills;
        for (const QString &amount : amounts)
            bills.append({QStringLiteral("1-Apr-2024"), QStringLiteral("Bill"), QStringLiteral("30"), amount});
        QCOMPARE(OpeningBillsTotalText(bills), total);
    }

    void billWithoutDateIsNotCounted()
    {
        const QList<OpeningBill> bills{
            {QString(), QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("50")},
            {QStringLiteral("d"), QStringLiteral("B"), QStringLiteral("0"), QStringLiteral("20")}};
        QCOMPARE(OpeningBillsTotalText(bills), QStringLiteral(" 20"));
    }
};

QTEST_GUILESS_MAIN(TestOpeningBills)
#include "testopeningbills.moc"
