#include "errors/errortrap.h"
#include "sources/lookups.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

using namespace sources;

namespace {

// A grid as a master load leaves it: NAME, PARENT, the status column, two data rows and a blank row.
void fillMasters(WorkGrid &grid)
{
    grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
    grid.addColumn(QStringLiteral("PARENT"), QStringLiteral("Parent"));
    grid.addColumn(ProcessStatusKey, ProcessStatusCaption);
    for (const auto &[name, parent] : {std::pair{"Cash", "Cash-in-hand"}, std::pair{"Bank", "Bank Accounts"}}) {
        const int row = grid.appendRow();
        grid.setText(row, 1, QString::fromLatin1(name));
        grid.setText(row, 2, QString::fromLatin1(parent));
    }
    grid.appendRow();
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

// Fills a grid with rows × columns cells shared from a source grid, as a load does it.
void load(WorkGrid &grid, const SourceGrid &source, int rows, int columns)
{
    const RedrawSuspender suspender(grid);
    grid.clear();
    for (int c = 0; c < columns; ++c)
        grid.addColumn(source.TextMatrix(0, c).toUpper(), source.TextMatrix(0, c));
    grid.addColumn(ProcessStatusKey, ProcessStatusCaption);
    for (int r = 1; r <= rows; ++r) {
        const int row = grid.appendRow();
        for (int c = 0; c < columns; ++c) {
            grid.setText(row, c + 1, source.TextMatrix(r, c));
            grid.setAlignment(row, c + 1, CellAlign::Right);
        }
    }
    for (int c = 1; c <= columns; ++c)
        grid.fitColumnWidth(c);
    grid.appendRow();
}

} // namespace

class TestWorkGrid final : public QObject
{
    Q_OBJECT

private slots:
    void columnsAndRowsCountFromOne()
    {
        WorkGrid grid;
        fillMasters(grid);
        QCOMPARE(grid.columns(), 3);
        QCOMPARE(grid.rows(), 3);
        QCOMPARE(grid.columnOfKey(QStringLiteral("PARENT")), 2);
        QCOMPARE(grid.keyOfColumn(3), QStringLiteral("PROCESSSTATUS"));
        QCOMPARE(grid.captionOfColumn(3), QStringLiteral("Process Status"));
        QCOMPARE(grid.text(2, QStringLiteral("NAME")), QStringLiteral("Bank"));
        QCOMPARE(grid.text(3, 1), QString());
        QCOMPARE(grid.columnTag(2), QString());
        grid.setColumnTag(2, QStringLiteral("LEDGERNAME"));
        QCOMPARE(grid.columnTag(2), QStringLiteral("LEDGERNAME"));

        // The model shows the same cells from 0 and the captions as its header.
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(grid.columnCount(), 3);
        QCOMPARE(grid.data(grid.index(1, 0)).toString(), QStringLiteral("Bank"));
        QCOMPARE(grid.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Process Status"));

        // A repeated key names its first column.
        grid.addColumn(QStringLiteral("NAME"), QStringLiteral("name"));
        QCOMPARE(grid.columnOfKey(QStringLiteral("NAME")), 1);

        grid.clear();
        QCOMPARE(grid.rows(), 0);
        QCOMPARE(grid.columns(), 0);
        QCOMPARE(grid.rowCount(), 0);
        QCOMPARE(grid.columnCount(), 0);
    }

    void badAddressesAreRuntimeErrors_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("row 0") << 0 << 1;
        QTest::newRow("column 0") << 1 << 0;
        QTest::newRow("row past the end") << 4 << 1;
        QTest::newRow("column past the end") << 1 << 4;
    }
    void badAddressesAreRuntimeErrors()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        WorkGrid grid;
        fillMasters(grid);
        const qint32 outOfRange = errors::ErrNo::SubscriptOutOfRange;
        QCOMPARE(errorNumberOf([&] { grid.text(row, column); }), outOfRange);
        QCOMPARE(errorNumberOf([&] { grid.setText(row, column, QStringLiteral("x")); }), outOfRange);
        QCOMPARE(errorNumberOf([&] { grid.setTextColor(row, column, Qt::red); }), outOfRange);
        QCOMPARE(errorNumberOf([&] { grid.setImage(row, column, 1); }), outOfRange);
        QCOMPARE(errorNumberOf([&] { grid.setAlignment(row, column, CellAlign::Right); }), outOfRange);
    }

    void missingKeyIsRuntimeError()
    {
        WorkGrid grid;
        fillMasters(grid);
        try {
            grid.columnOfKey(QStringLiteral("name"));
            QFAIL("a key the grid lacks was found");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), errors::ErrNo::SubscriptOutOfRange);
            QVERIFY(error.description().contains(QStringLiteral("\"name\"")));
        }
        QCOMPARE(errorNumberOf([&] { grid.fitColumnWidth(QStringLiteral("VCHNO")); }),
                 errors::ErrNo::SubscriptOutOfRange);
        QCOMPARE(grid.findColumn(QStringLiteral("VCHNO")), 0);
    }

    void oleColours_data()
    {
        QTest::addColumn<quint32>("bgr");
        QTest::addColumn<QColor>("color");
        QTest::newRow("255 is red") << quint32(255) << QColor(255, 0, 0);
        QTest::newRow("&HFF0000 is blue") << OleBlue << QColor(0, 0, 255);
        QTest::newRow("&H00FF00 is green") << quint32(0x00FF00) << QColor(0, 255, 0);
        QTest::newRow("0 is black") << OleBlack << QColor(0, 0, 0);
        QTest::newRow("mixed bytes") << quint32(0x00123456) << QColor(0x56, 0x34, 0x12);
    }
    void oleColours()
    {
        QFETCH(quint32, bgr);
        QFETCH(QColor, color);
        QCOMPARE(oleColor(bgr), color);
    }

    void cellRolesShowTheMarks()
    {
        WorkGrid grid;
        fillMasters(grid);
        QList<int> asked;
        grid.setIconProvider([&](int image) {
            asked.append(image);
            QPixmap pixmap(16, 16);
            pixmap.fill(image == 1 ? Qt::red : Qt::blue);
            return QIcon(pixmap);
        });

        grid.setAlignment(1, 2, CellAlign::Centre);
        grid.setAlignment(2, 2, CellAlign::Right);
        grid.setImage(1, 1, 1);
        grid.setTextColor(1, 3, oleColor(OleRed));
        grid.setBold(1, 3, true);

        const auto role = [&](int row, int column, int r) { return grid.data(grid.index(row - 1, column - 1), r); };
        QCOMPARE(role(1, 1, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(role(1, 2, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(role(2, 2, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter);
        QCOMPARE(grid.alignment(2, 2), CellAlign::Right);
        QCOMPARE(grid.alignment(2, 1), CellAlign::Left);

        QCOMPARE(grid.image(1, 1), 1);
        QCOMPARE(grid.image(2, 1), NoImage);
        QVERIFY(!role(1, 1, Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!role(2, 1, Qt::DecorationRole).isValid());
        QCOMPARE(asked, QList<int>{1});

        QCOMPARE(role(1, 3, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        QVERIFY(!role(1, 2, Qt::ForegroundRole).isValid());
        QVERIFY(role(1, 3, Qt::FontRole).value<QFont>().bold());
        QVERIFY(!role(1, 2, Qt::FontRole).isValid());
        QVERIFY(grid.bold(1, 3));
        QVERIFY(!grid.bold(2, 3));
        QCOMPARE(grid.textColor(1, 3), QColor(Qt::red));
        QVERIFY(!grid.textColor(2, 3).isValid());

        // Marks are kept apart from the text.
        QCOMPARE(grid.text(1, 3), QString());
        QCOMPARE(errorNumberOf([&] { grid.setAlignment(1, 1, 3); }), errors::ErrNo::InvalidProcedureCall);
    }

    void changesSignalPerCellWhileRepainting()
    {
        WorkGrid grid;
        fillMasters(grid);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        grid.setText(2, 3, QStringLiteral("CREATED: 1"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), grid.index(1, 2));
        QCOMPARE(changed.first().at(1).toModelIndex(), grid.index(1, 2));
        grid.appendRow();
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 3);
        QCOMPARE(grid.rowCount(), 4);
    }

    void repaintOffHoldsBackStructureUntilSwitchedOn()
    {
        WorkGrid grid;
        fillMasters(grid);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&grid, &QAbstractItemModel::modelReset);

        grid.setRedraw(false);
        grid.clear();
        grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
        grid.addColumn(ProcessStatusKey, ProcessStatusCaption);
        for (int i = 0; i < 5; ++i)
            grid.setText(grid.appendRow(), 1, QStringLiteral("Godown %1").arg(i));
        grid.fitColumnWidth(1);

        // The view still sees the old shape, and asking it for cells that have gone is harmless.
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(grid.columnCount(), 3);
        QVERIFY(!grid.data(grid.index(0, 2)).isValid());
        QCOMPARE(grid.data(grid.index(0, 0)).toString(), QStringLiteral("Godown 0"));
        QCOMPARE(changed.size(), 0);
        QCOMPARE(inserted.size(), 0);
        QCOMPARE(reset.size(), 0);

        QSignalSpy widths(&grid, &WorkGrid::columnWidthChanged);
        grid.setRedraw(true);
        QCOMPARE(reset.size(), 1);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(grid.columnCount(), 2);
        // Every column's width reaches the view once it has the new columns: the fitted one, and the default
        // for the one never fitted, which must not keep the width of the column that stood there before.
        QCOMPARE(widths.size(), 2);
        QCOMPARE(widths.at(0).at(0).toInt(), 1);
        QCOMPARE(widths.at(0).at(1).toInt(), grid.columnWidth(1));
        QCOMPARE(widths.at(1).at(0).toInt(), 2);
        QCOMPARE(widths.at(1).at(1).toInt(), -1);
        QCOMPARE(grid.columnWidth(2), -1);
    }

    void repaintOffTurnsCellChangesIntoOneRefresh()
    {
        WorkGrid grid;
        fillMasters(grid);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&grid, &QAbstractItemModel::modelReset);

        grid.setRedraw(false);
        grid.setRedraw(true);
        QCOMPARE(changed.size(), 0);

        grid.setRedraw(false);
        for (int column = 1; column <= 3; ++column)
            grid.setTextColor(1, column, Qt::red);
        grid.setBold(1, 3, true);
        QCOMPARE(changed.size(), 0);
        grid.setRedraw(true);
        QCOMPARE(reset.size(), 0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), grid.index(0, 0));
        QCOMPARE(changed.first().at(1).toModelIndex(), grid.index(2, 2));
    }

    // A view relies on the model's signals matching its counts, through every repaint state.
    void keepsTheModelContract()
    {
        WorkGrid grid;
        QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fillMasters(grid);
        grid.setText(1, 3, QStringLiteral("CREATED"));
        {
            const RedrawSuspender suspender(grid);
            grid.clear();
            grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
            grid.setText(grid.appendRow(), 1, QStringLiteral("Main Location"));
            grid.appendRow();
        }
        QCOMPARE(grid.rowCount(), 2);
        grid.addColumn(ProcessStatusKey, ProcessStatusCaption);
        grid.setTextColor(2, 2, Qt::red);
        grid.clear();
        QCOMPARE(grid.columnCount(), 0);
    }

    void suspenderSwitchesRepaintOnWhenAnErrorEnds()
    {
        WorkGrid grid;
        fillMasters(grid);
        try {
            const RedrawSuspender suspender(grid);
            QVERIFY(!grid.redraw());
            grid.columnOfKey(QStringLiteral("MISSING"));
        } catch (const errors::RuntimeError &) {
        }
        QVERIFY(grid.redraw());
    }

    void currentRowIsSignalled()
    {
        WorkGrid grid;
        fillMasters(grid);
        QSignalSpy current(&grid, &WorkGrid::currentRowChanged);
        grid.setCurrentRow(2);
        QCOMPARE(grid.currentRow(), 2);
        QCOMPARE(current.size(), 1);
        QCOMPARE(current.first().at(0).toInt(), 2);
        QCOMPARE(errorNumberOf([&] { grid.setCurrentRow(4); }), errors::ErrNo::SubscriptOutOfRange);
        QCOMPARE(grid.currentRow(), 2);
    }

    void fittedWidthFollowsTheWidestText()
    {
        WorkGrid grid;
        fillMasters(grid);
        QSignalSpy widths(&grid, &WorkGrid::columnWidthChanged);
        grid.fitColumnWidth(QStringLiteral("NAME"));
        const int narrow = grid.columnWidth(1);
        QVERIFY(narrow > 0);
        QCOMPARE(widths.size(), 1);

        grid.setText(1, 1, QStringLiteral("Sundry Debtors of the Northern Region"));
        grid.fitColumnWidth(1);
        QVERIFY(grid.columnWidth(1) > narrow);

        // The caption counts too, and texts outside Latin-1 are measured as well.
        grid.fitColumnWidth(3);
        const int statusWidth = grid.columnWidth(3);
        QVERIFY(statusWidth > 0);
        grid.setText(2, 3, QString(60, QChar(0x0141)));
        grid.fitColumnWidth(3);
        QVERIFY(grid.columnWidth(3) > statusWidth);
    }

    // Rows that show source records read the source grid's cells as they were when shown: a later change of
    // the source grid does not reach them, and writing one of their cells changes that cell alone.
    void showsSourceRecords()
    {
        SourceGrid source;
        source.bind({QStringLiteral("Name"), QStringLiteral("Rate"), QStringLiteral("Unit")},
                    {QStringLiteral("Soap"), QStringLiteral("12.5"), QStringLiteral("Nos"), QStringLiteral("Oil"),
                     QString(), QStringLiteral("Ltr")});
        WorkGrid grid;
        QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const char *key : {"NAME", "RATE", "UNIT"})
            grid.addColumn(QString::fromLatin1(key), QString::fromLatin1(key));
        grid.addColumn(ProcessStatusKey, ProcessStatusCaption);
        grid.showCells(source.cells(), {-1, CellAlign::Right, CellAlign::Centre});
        QCOMPARE(grid.appendRecordRow(2), 1);
        QCOMPARE(grid.appendRecordRow(1), 2);
        QCOMPARE(errorNumberOf([&] { grid.appendRecordRow(3); }), errors::ErrNo::SubscriptOutOfRange);
        source.setTextMatrix(1, 0, QStringLiteral("Wax"));

        const auto row = [&](int r) {
            QStringList cells;
            for (int c = 1; c <= grid.columns(); ++c)
                cells.append(grid.text(r, c) + QLatin1Char('/') + QString::number(grid.alignment(r, c)));
            return cells.join(QLatin1Char('|'));
        };
        QCOMPARE(row(1), QStringLiteral("Oil/0|/2|Ltr/1|/0"));
        QCOMPARE(row(2), QStringLiteral("Soap/0|12.5/2|Nos/1|/0"));
        QCOMPARE(grid.data(grid.index(1, 1)).toString(), QStringLiteral("12.5"));
        QCOMPARE(grid.data(grid.index(1, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignRight | Qt::AlignVCenter);

        grid.setText(2, 2, QStringLiteral("13"));
        grid.setText(2, 4, QStringLiteral("Posted"));
        grid.setAlignment(1, 3, CellAlign::Left);
        QCOMPARE(row(2), QStringLiteral("Soap/0|13/2|Nos/1|Posted/0"));
        QCOMPARE(row(1), QStringLiteral("Oil/0|/2|Ltr/0|/0"));
        QCOMPARE(source.TextMatrix(1, 1), QStringLiteral("12.5"));

        grid.clear();
        grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
        QCOMPARE(grid.text(grid.appendRow(), 1), QString());
        QCOMPARE(errorNumberOf([&] { grid.appendRecordRow(1); }), errors::ErrNo::SubscriptOutOfRange);
    }

    void sharesTheSourceTexts()
    {
        SourceGrid source;
        source.bind({QStringLiteral("Name")}, {QStringLiteral("Stores")});
        WorkGrid grid;
        grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
        grid.setText(grid.appendRow(), 1, source.TextMatrix(1, 0));
        QCOMPARE(grid.text(1, 1).constData(), source.TextMatrix(1, 0).constData());
    }

    // A large load, and a load again over it, signals no row of its own: the view is reset once per load. How
    // long loads take is measured by bench_loaders.
    void largeLoadIsQuiet()
    {
        constexpr int Columns = 20;
        constexpr int Rows = 100000;
        QStringList names;
        for (int c = 0; c < Columns; ++c)
            names.append(QStringLiteral("Field%1").arg(c));
        std::vector<QString> cells;
        cells.reserve(std::size_t(Rows) * Columns);
        for (int r = 0; r < Rows; ++r) {
            for (int c = 0; c < Columns; ++c)
                cells.push_back(QString::number(r * 31 + c));
        }
        SourceGrid source;
        source.bind(names, std::move(cells));

        WorkGrid grid;
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&grid, &QAbstractItemModel::modelReset);

        load(grid, source, Rows / 4, Columns);
        load(grid, source, Rows, Columns);

        QCOMPARE(grid.rows(), Rows + 1);
        QCOMPARE(grid.rowCount(), Rows + 1);
        QCOMPARE(grid.text(Rows, Columns), QString::number((Rows - 1) * 31 + Columns - 1));
        QCOMPARE(inserted.size(), 0);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(reset.size(), 2);

        int blank = 0;
        for (int row = 1; row <= grid.rows(); ++row)
            blank += IsEmptyRow(grid, row) ? 1 : 0;
        QCOMPARE(blank, 1);
    }
};

QTEST_MAIN(TestWorkGrid)
#include "testworkgrid.moc"
