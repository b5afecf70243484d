#include "loaderprobe.h"

#include "errors/errortrap.h"
#include "sources/gridtext.h"
#include "sources/sourcegrid.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"

namespace loadertest {

using namespace sources;

QStringList keys(const WorkGrid &grid)
{
    QStringList result;
    for (int c = 1; c <= grid.columns(); ++c)
        result.append(grid.keyOfColumn(c));
    return result;
}

QStringList captions(const WorkGrid &grid)
{
    QStringList result;
    for (int c = 1; c <= grid.columns(); ++c)
        result.append(grid.captionOfColumn(c));
    return result;
}

QStringList tags(const WorkGrid &grid)
{
    QStringList result;
    for (int c = 1; c <= grid.columns(); ++c)
        result.append(grid.columnTag(c));
    return result;
}

QStringList column(const WorkGrid &grid, const QString &key)
{
    QStringList result;
    const int c = grid.columnOfKey(key);
    for (int r = 1; r <= grid.rows(); ++r)
        result.append(grid.text(r, c));
    return result;
}

QString rowText(const WorkGrid &grid, int row)
{
    QStringList cells;
    for (int c = 1; c <= grid.columns(); ++c)
        cells.append(grid.text(row, c));
    return cells.join(QLatin1Char('|'));
}

int trailingBlankRows(const WorkGrid &grid)
{
    int count = 0;
    for (int r = grid.rows(); r >= 1; --r) {
        bool blank = true;
        for (int c = 1; c <= grid.columns() && blank; ++c)
            blank = isBlank(grid.text(r, c));
        if (!blank)
            break;
        ++count;
    }
    return count;
}

QString sourceRow(const SourceGrid &grid, int row)
{
    QStringList cells;
    for (int c = 0; c < grid.Cols(); ++c)
        cells.append(grid.TextMatrix(row, c));
    return cells.join(QLatin1Char('|'));
}

QString fixture(const QString &name)
{
    return QStringLiteral(PELKO_TEST_DATA "/sources/") + name;
}

QStringList readingTexts(const testsupport::HeadlessWindow &window)
{
    QStringList texts;
    for (const testsupport::HeadlessWindow::StatCall &call : window.statCalls()) {
        if (call.panel == sources::MsgPanel)
            texts.append(call.msg);
    }
    return texts;
}

} // namespace loadertest
