#include "app/formlayout.h"

#include <QTest>

using namespace app;

namespace {

// The design sizes after the first layout: every button as large as Refresh.
LayoutInput laterLayout(const QString &sourceKey, QSizeF window = {10110, 8460})
{
    LayoutInput input;
    input.window = window;
    input.cmdPost = DesignSize::cmdRefresh;
    input.cmdClose = DesignSize::cmdRefresh;
    input.sourceKey = sourceKey;
    input.TabSourceHeight = 999;
    return input;
}

} // namespace

class TestFormLayout final : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        const LayoutPlaces p = Form_Resize(laterLayout(QStringLiteral("Excel")));
        QVERIFY(p.placed);
        QCOMPARE(p.window, QSizeF(10110, 8460));
        QCOMPARE(p.cmdRefresh, QRectF(8840, 50, 1095, 375));
        QCOMPARE(p.Label17, QRectF(60, 140, 1500, 195));
        QCOMPARE(p.cmbCurrentCompanyList, QRectF(1710, 57.5, 6980, 360));
        QCOMPARE(p.cmdPost, QRectF(60, 7000, 1095, 375));
        QCOMPARE(p.cmdClose, QRectF(8840, 7000, 1095, 375));
        QCOMPARE(p.cmbTableName, QRectF(2155, 7007.5, 5685, 360));
        QCOMPARE(p.TabSource, QRectF(60, 517.5, 9885, 1325));
        for (std::size_t i = 0; i < p.frSource.size(); ++i)
            QCOMPARE(p.frSource.at(i), QRectF(210, 867.5, 9585, DesignSize::frSourceHeights.at(i)));
        QCOMPARE(p.TabData, QRectF(60, 1942.5, 9885, 4957.5));
        const QRectF grids(225, 2392.5, 9585, 4357.5);
        QCOMPARE(p.lstItemTree, grids);
        QCOMPARE(p.lstLedgerTree, grids);
        QCOMPARE(p.Gr1, grids);
        QCOMPARE(p.lstTransactions, grids);
    }

    void sourceKindMovesOnlyTheMiddleBands_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("extra");
        QTest::newRow("Excel") << QStringLiteral("Excel") << 0.0;
        QTest::newRow("Access") << QStringLiteral("Access") << 480.0;
        QTest::newRow("ODBC") << QStringLiteral("ODBC") << 480.0;
    }

    void sourceKindMovesOnlyTheMiddleBands()
    {
        QFETCH(QString, key);
        QFETCH(double, extra);

        const LayoutPlaces excel = Form_Resize(laterLayout(QStringLiteral("Excel")));
        const LayoutPlaces p = Form_Resize(laterLayout(key));
        QCOMPARE(p.TabSource.height(), excel.TabSource.height() + extra);
        QCOMPARE(p.TabData.top(), excel.TabData.top() + extra);
        QCOMPARE(p.TabData.height(), excel.TabData.height() - extra);
        QCOMPARE(p.Gr1.top(), excel.Gr1.top() + extra);
        QCOMPARE(p.Gr1.height(), excel.Gr1.height() - extra);
        QCOMPARE(p.cmdRefresh, excel.cmdRefresh);
        QCOMPARE(p.cmbCurrentCompanyList, excel.cmbCurrentCompanyList);
        QCOMPARE(p.cmdPost, excel.cmdPost);
        QCOMPARE(p.cmbTableName, excel.cmbTableName);
        QCOMPARE(p.frSource, excel.frSource);
    }

    void unknownTabKeepsTheSourceBandHeight_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("none") << QString();
        QTest::newRow("other") << QStringLiteral("Text");
        QTest::newRow("letter case counts") << QStringLiteral("excel");
    }

    void unknownTabKeepsTheSourceBandHeight()
    {
        QFETCH(QString, key);
        const LayoutPlaces p = Form_Resize(laterLayout(key));
        QCOMPARE(p.TabSource.height(), 999.0);
        QCOMPARE(p.TabData.top(), p.TabSource.top() + 999 + 100);
    }

    void firstLayoutPlacesTheCommandBandHigher()
    {
        LayoutInput first = laterLayout(QStringLiteral("Excel"));
        first.cmdPost = DesignSize::cmdPost;
        first.cmdClose = DesignSize::cmdClose;
        const LayoutPlaces p = Form_Resize(first);
        QCOMPARE(p.cmdPost, QRectF(60, 6970, 1095, 375));
        QCOMPARE(p.cmdClose, QRectF(8840, 6970, 1095, 375));
        QCOMPARE(p.cmbTableName.top(), 6977.5);
        QCOMPARE(p.TabData.height(), 4927.5);

        // Fed its own sizes back, the next layout settles 30 twips lower.
        first.cmdPost = p.cmdPost.size();
        first.cmdClose = p.cmdClose.size();
        QCOMPARE(Form_Resize(first).cmdPost.top(), 7000.0);
    }

    void minimumSize_data()
    {
        QTest::addColumn<QSizeF>("window");
        QTest::addColumn<QSizeF>("laidOut");
        QTest::newRow("both too small") << QSizeF(5000, 3000) << QSizeF(10110, 8460);
        QTest::newRow("narrow only") << QSizeF(10109, 9000) << QSizeF(10110, 9000);
        QTest::newRow("low only") << QSizeF(15000, 8459.5) << QSizeF(15000, 8460);
        QTest::newRow("large") << QSizeF(15000, 11000) << QSizeF(15000, 11000);
    }

    void minimumSize()
    {
        QFETCH(QSizeF, window);
        QFETCH(QSizeF, laidOut);
        const LayoutPlaces p = Form_Resize(laterLayout(QStringLiteral("Excel"), window));
        QCOMPARE(p.window, laidOut);
        QCOMPARE(p.cmdRefresh.left(), laidOut.width() - 1095 - 175);
        QCOMPARE(p.cmdPost.top(), laidOut.height() - 375 - 285 - 800);
        QVERIFY(p.cmbTableName.width() > 0);
        QVERIFY(p.Gr1.height() > 0);
    }

    void minimizedWindowIsNotLaidOut()
    {
        LayoutInput input = laterLayout(QStringLiteral("Excel"));
        input.minimized = true;
        QVERIFY(!Form_Resize(input).placed);
    }

    void measuredSizesFeedTheBands()
    {
        // Taller lists and a taller status bar than designed: everything follows from what was measured.
        LayoutInput input = laterLayout(QStringLiteral("Excel"), {12000, 9000});
        input.Label17 = {1800, 210};
        input.cmbCurrentCompanyListHeight = 420;
        input.cmbTableNameHeight = 400;
        input.SBHeight = 330;
        const LayoutPlaces p = Form_Resize(input);
        QCOMPARE(p.Label17.top(), 50 + 187.5 - 105);
        QCOMPARE(p.cmbCurrentCompanyList, QRectF(2010, 27.5, p.cmdRefresh.left() - 2010 - 150, 420));
        QCOMPARE(p.cmdPost.top(), 9000 - 375 - 330 - 800.0);
        QCOMPARE(p.cmbTableName.top(), p.cmdPost.top() + 187.5 - 200);
        QCOMPARE(p.TabSource.top(), 27.5 + 420 + 100);
    }
};

QTEST_GUILESS_MAIN(TestFormLayout)
#include "testformlayout.moc"
