#pragma once

#include "sources/readers/sourcereader.h"

#include <chrono>
#include <memory>

namespace sources {

// How long an ODBC source may take to answer.
struct OdbcTimeOuts
{
    // Told to the driver as the login time-out.
    std::chrono::seconds login{15};
    // How long the connect is waited for at most, for drivers that do not keep to the login time-out: a
    // little longer than it, so that a driver that keeps to it gives its own message.
    std::chrono::milliseconds connectBound{17'000};
    // Told to the driver as the time-out of each statement and catalog call.
    std::chrono::seconds query{60};
};

// Reads an ODBC data source through the unixODBC driver manager. It lists the tables and then the views of
// the data source's current catalog that a bare name reads, each name once, and reads one with "SELECT * FROM"
// and the name in the driver's own identifier quotes. Each column is fetched in the C type its SQL type needs,
// so numbers arrive with the digits the database holds; a result without records is a table without rows.
class OdbcReader final : public SourceReader
{
public:
    // Logs in with the data source name, the user name and the password as three separate arguments, so that
    // no character of either is read as connection syntax. Raises errors::RuntimeError with the driver
    // manager's or driver's message when the data source is unknown, its driver cannot be loaded, the login
    // is refused or the data source does not answer in time; and with a message of its own for a data source
    // name that no data source can have.
    OdbcReader(const QString &dataSourceName, const QString &user, const QString &password,
               const OdbcTimeOuts &timeOuts = {});
    ~OdbcReader() override;
    Q_DISABLE_COPY_MOVE(OdbcReader)

    QList<TableEntry> tables() override;
    Table readTable(const QString &name) override;

    // The identifier in the quotes of the data source's driver, every quote inside it doubled.
    QString quotedIdentifier(const QString &identifier) const;

    struct Handles;

private:
    std::shared_ptr<Handles> m_handles;
    OdbcTimeOuts m_timeOuts;
};

} // namespace sources
