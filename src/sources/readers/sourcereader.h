#pragma once

#include "sources/readers/table.h"

#include <QList>
#include <QString>

#include <memory>

namespace sources {

enum class SourceKind
{
    Workbook,   // an Excel 97-2003 workbook (.xls); location: the file
    TextFolder, // text and CSV files; location: the folder, each .txt or .csv file in it is a table
    Access,     // an Access database (.mdb or .accdb); location: the file
    Odbc,       // an ODBC data source; location: the data source name
};

// What names a source: its kind, where it is, and the user name and password it is opened with.
struct SourceSpec
{
    SourceKind kind = SourceKind::Workbook;
    QString location;
    QString user;
    QString password;
};

enum class TableType
{
    Table,
    View
};

struct TableEntry
{
    QString name;
    TableType type = TableType::Table;

    friend bool operator==(const TableEntry &, const TableEntry &) = default;
};

// One open source. Every kind lists its tables under the names the loaders look for and reads any of them
// as field names and records of typed values. Failures raise errors::RuntimeError carrying the underlying
// library's message, so the caller's error trap reports them.
class SourceReader
{
public:
    virtual ~SourceReader() = default;

    // Tables first, then views, each in the order the source gives them:
    //  - a workbook lists each sheet as its name followed by "$" ("Ledgers$", "Stock Items$");
    //  - a text folder lists each .txt and .csv file under its own file name ("Ledgers.csv");
    //  - an Access database and an ODBC source list their tables under their bare names.
    virtual QList<TableEntry> tables() = 0;

    // Reads a table or view under a name as tables() lists it; letter case is ignored when no name matches
    // exactly. The first row of a sheet or text file gives the field names.
    virtual Table readTable(const QString &name) = 0;
};

// Opens the source; raises errors::RuntimeError when it cannot be opened.
std::unique_ptr<SourceReader> openSource(const SourceSpec &spec);

// The name under which the listing of a text file's folder holds the file: its own file name.
QString textTableName(const QString &filePath);
// The folder of a text file, which is the source its table is read from.
QString textFolder(const QString &filePath);

} // namespace sources
