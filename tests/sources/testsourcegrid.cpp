#include "errors/errortrap.h"
#include "sources/sourcegrid.h"

#include <QSignalSpy>
#include <QTest>

using namespace sources;

namespace {

std::vector<QString> texts(std::initializer_list<const char *> cells)
{
    std::vector<QString> result;
    for (const char *cell : cells)
        result.push_back(QString::fromUtf8(cell));
    return result;
}

qint32 errorNumberOf(const std::function<void()> &body)
{
    try {
        body();
    } catch (const errors::RuntimeError &error) {
        return error.number();
    }
    return 0;
}

} // namespace

class TestSourceGrid final : public QObject
{
    Q_OBJECT

private slots:
    void startsAsTheControlDoes()
    {
        SourceGrid grid;
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.Cols(), 2);
        QCOMPARE(grid.TextMatrix(1, 1), QString());
        QCOMPARE(grid.ColAlignment(0), FlexAlign::LeftCenter);
    }

    void bindReplacesTheContent()
    {
        SourceGrid grid;
        QSignalSpy reset(&grid, &QAbstractItemModel::modelReset);
        grid.bind({QStringLiteral("Name"), QStringLiteral("Rate"), QStringLiteral("Unit")},
                  texts({"Soap", "12.5", "Nos", "Oil", "", "Ltr"}), {FlexAlign::LeftCenter, FlexAlign::RightCenter});
        QCOMPARE(reset.size(), 1);
        QCOMPARE(grid.Rows(), 3);
        QCOMPARE(grid.Cols(), 3);
        QCOMPARE(grid.TextMatrix(0, 1), QStringLiteral("Rate"));
        QCOMPARE(grid.TextMatrix(2, 0), QStringLiteral("Oil"));
        QCOMPARE(grid.TextMatrix(2, 1), QString());
        QCOMPARE(grid.ColAlignment(1), FlexAlign::RightCenter);
        QCOMPARE(grid.ColAlignment(2), FlexAlign::LeftCenter);

        // Row 0 is the view's header; model row r is grid row r + 1.
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.columnCount(), 3);
        QCOMPARE(grid.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Unit"));
        QCOMPARE(grid.data(grid.index(0, 0)).toString(), QStringLiteral("Soap"));

        grid.bind({QStringLiteral("Name")}, texts({"Stores"}));
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.Cols(), 1);
        QCOMPARE(grid.TextMatrix(1, 0), QStringLiteral("Stores"));
    }

    // After a read without records the grid has rows 0 and 1, all empty, over the columns it had.
    void emptyReadKeepsTheColumns()
    {
        SourceGrid grid;
        grid.bind({QStringLiteral("Name"), QStringLiteral("Parent"), QStringLiteral("Alias")},
                  texts({"a", "b", "c", "d", "e", "f", "g", "h", "i"}));
        grid.setRows(2);
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < grid.Cols(); ++col)
                grid.setTextMatrix(row, col, QString());
        }
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.Cols(), 3);
        for (int col = 0; col < 3; ++col) {
            QCOMPARE(grid.TextMatrix(0, col), QString());
            QCOMPARE(grid.TextMatrix(1, col), QString());
        }
    }

    void rowsGrowAndShrink()
    {
        SourceGrid grid;
        grid.bind({QStringLiteral("VchNo")}, texts({"1", "2", "3"}));
        grid.setRows(6);
        QCOMPARE(grid.Rows(), 6);
        QCOMPARE(grid.TextMatrix(3, 0), QStringLiteral("3"));
        QCOMPARE(grid.TextMatrix(5, 0), QString());
        grid.setRows(2);
        QCOMPARE(grid.TextMatrix(1, 0), QStringLiteral("1"));
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(errorNumberOf([&] { grid.setRows(0); }), errors::ErrNo::InvalidProcedureCall);
    }

    void writesReachTheView()
    {
        SourceGrid grid;
        grid.bind({QStringLiteral("VchType"), QStringLiteral("VchNo")}, texts({"Sales", "1", "", "2"}));
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy header(&grid, &QAbstractItemModel::headerDataChanged);
        grid.setTextMatrix(2, 0, QStringLiteral("Sales"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), grid.index(1, 0));
        grid.setTextMatrix(0, 1, QStringLiteral("Number"));
        QCOMPARE(header.size(), 1);
        QCOMPARE(grid.fieldKeys(), (std::vector<QString>{QStringLiteral("VCHTYPE"), QStringLiteral("NUMBER")}));
    }

    void badAddressesAreRuntimeErrors()
    {
        SourceGrid grid;
        const qint32 outOfRange = errors::ErrNo::SubscriptOutOfRange;
        QCOMPARE(errorNumberOf([&] { grid.TextMatrix(2, 0); }), outOfRange);
        QCOMPARE(errorNumberOf([&] { grid.TextMatrix(0, -1); }), outOfRange);
        QCOMPARE(errorNumberOf([&] { grid.setTextMatrix(0, 2, QStringLiteral("x")); }), outOfRange);
        QCOMPARE(errorNumberOf([&] { grid.ColAlignment(2); }), outOfRange);
        QCOMPARE(errorNumberOf([&] {
                     grid.bind({QStringLiteral("A"), QStringLiteral("B")}, texts({"1", "2", "3"}));
                 }),
                 errors::ErrNo::InternalError);
        QCOMPARE(grid.Rows(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSourceGrid)
#include "testsourcegrid.moc"
