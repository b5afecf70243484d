#pragma once

#include "support/memorysource.h"
#include "support/texts.h"

namespace testsupport {
class HeadlessWindow;
}

#include <QList>
#include <QStringList>

#include <initializer_list>
#include <memory>

namespace sources {
class WorkGrid;
class SourceGrid;
} // namespace sources

// Helpers of the listing and loader tests: the grids read back as text.
namespace loadertest {

using testsupport::Cell;
using testsupport::MemorySource;
using testsupport::Record;
using testsupport::strings;

// The texts the loaders wrote to the status line's "msg" panel, in order.
QStringList readingTexts(const testsupport::HeadlessWindow &window);

// Keys, captions and tags of the work grid's columns.
QStringList keys(const sources::WorkGrid &grid);
QStringList captions(const sources::WorkGrid &grid);
QStringList tags(const sources::WorkGrid &grid);
// The texts of a column over every row, trailing blank rows included.
QStringList column(const sources::WorkGrid &grid, const QString &key);
// A row's cells joined by "|".
QString rowText(const sources::WorkGrid &grid, int row);
// Blank rows at the end of the grid.
int trailingBlankRows(const sources::WorkGrid &grid);
// The source grid's row joined by "|".
QString sourceRow(const sources::SourceGrid &grid, int row);

QString fixture(const QString &name);

} // namespace loadertest
