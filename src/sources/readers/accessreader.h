#pragma once

#include "sources/readers/sourcereader.h"

#include <memory>

namespace sources {

// Reads an Access database (.mdb or .accdb) through libmdb, without writing to it. It lists the user tables;
// saved queries are not listed, as libmdb cannot run them. Values keep their type: numbers (integers, single
// and double, currency and decimal), dates with their time, Yes/No, text and memo. Binary and OLE fields are
// read as null. An empty text field that the database marks as null is null; a memo is read up to its first
// mebibyte.
class AccessReader final : public SourceReader
{
public:
    // The password is accepted for the source description's sake; libmdb reads a password-protected .mdb
    // without it and does not check it. Raises errors::RuntimeError for a missing file and for a file that is
    // no Access database.
    AccessReader(const QString &path, const QString &password);
    ~AccessReader() override;
    Q_DISABLE_COPY_MOVE(AccessReader)

    QList<TableEntry> tables() override;
    Table readTable(const QString &name) override;

private:
    struct Database;
    std::unique_ptr<Database> m_database;
    QString m_path;
};

} // namespace sources
