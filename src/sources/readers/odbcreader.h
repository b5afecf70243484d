#pragma once

#include "sources/readers/sourcereader.h"

namespace sources {

// Reads an ODBC data source through Qt's QODBC driver. It lists the tables and then the views the data source
// reports, and reads one with "SELECT * FROM" and the name in the driver's own identifier quotes. Values keep
// the type the driver gives them; a result without records is a table without rows.
class OdbcReader final : public SourceReader
{
public:
    // Raises errors::RuntimeError with the driver manager's or driver's message when the data source is
    // unknown, its driver cannot be loaded or the login is refused; and with a message of its own for a data
    // source name that no data source can have and for a user name or password that holds ; { or }, since
    // either would change the connection string that QODBC pastes together.
    OdbcReader(const QString &dataSourceName, const QString &user, const QString &password);
    ~OdbcReader() override;
    Q_DISABLE_COPY_MOVE(OdbcReader)

    QList<TableEntry> tables() override;
    Table readTable(const QString &name) override;

    // The identifier in the quotes of the data source's driver, every quote inside it doubled.
    QString quotedIdentifier(const QString &identifier) const;

private:
    QString m_connectionName;
};

} // namespace sources
