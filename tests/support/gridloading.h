#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace testsupport {

class HeadlessWindow;

// How rows reach the grids: as a workbook sheet loads (records blank all through left out, two blank rows after
// the data) or as a database table loads (every record a row, one blank row after the data).
enum class LoadedAs
{
    Sheet,
    Table,
};

// Loads rows into the window's grids through the program's own loader, as the choice of the import type
// listText does, from a source held in memory: the voucher fill-down and sort, the synthesized ID and the
// trailing blank rows are the loader's. An empty cell is null, as a text file gives it. The load's own status
// texts are forgotten afterwards, so that a test sees only what follows. A load that does not complete fails
// the current test.
void loadRows(HeadlessWindow &window, const QString &listText, const QStringList &fields,
              const QList<QStringList> &rows, LoadedAs as = LoadedAs::Sheet);

// The same for a text or CSV file, read by the text-file loader.
void loadTextFile(HeadlessWindow &window, const QString &listText, const QString &path);

} // namespace testsupport
