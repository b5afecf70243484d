#pragma once

#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// A private ODBC set-up: the SQLite ODBC driver registered in an odbcinst.ini of a temporary folder and one
// data source over a SQLite file there, found through ODBCSYSINI and ODBCINI. The driver manager reads those
// variables once, so the object must exist before the process makes its first ODBC call and live until its
// last.
class OdbcTestSource final
{
public:
    explicit OdbcTestSource(const QString &dataSourceName);
    ~OdbcTestSource();
    Q_DISABLE_COPY_MOVE(OdbcTestSource)

    // False when the SQLite ODBC driver is not installed.
    bool isValid() const { return m_valid; }
    QString dataSourceName() const { return m_dataSourceName; }
    QString databasePath() const;

    // Runs the statements on the SQLite file directly; returns the error of the first that fails, else "".
    QString execute(const QStringList &statements) const;

private:
    QTemporaryDir m_dir;
    QString m_dataSourceName;
    bool m_valid = false;
    QByteArray m_previousSysIni;
    QByteArray m_previousIni;
};

} // namespace testsupport
