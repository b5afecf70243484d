#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace testsupport {
class HeadlessWindow;
}

// Puts a sheet into the window's grids the way the sheet loader does, so that the posting loops see what
// they see after a real load.
namespace masterstest {

struct Sheet
{
    QStringList fields;
    QList<QStringList> rows;
};

// A CSV file with a header row (RFC 4180 quoting, UTF-8).
Sheet readCsv(const QString &path);

// As the loader fills the grids from a sheet: the source grid holds the field names in row 0 and the records
// below; the work grid has one column per field keyed by its upper-cased name and captioned with its
// spelling, then "PROCESSSTATUS" captioned "Process Status"; records that are blank all through are left out,
// and two blank rows follow the data.
void loadSheet(testsupport::HeadlessWindow &window, const QString &csvPath);

// The same layout with every row kept as given, blank ones included, and a chosen number of blank rows after.
void fillGrids(testsupport::HeadlessWindow &window, const QStringList &fields, const QList<QStringList> &rows,
               int trailingBlankRows = 2);

} // namespace masterstest
