#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace pugi {
class xml_node;
}

namespace tallysim {

// The texts Tally answers with where the reply is not built from the request.
inline constexpr char runningReply[] = "<RESPONSE>TallyPrime Server is Running</RESPONSE>";
inline constexpr char unknownRequestReply[] = "<RESPONSE>Unknown Request, cannot be processed</RESPONSE>";

// The companies the simulated server holds, the masters imported into each, and the replies Tally gives to
// the requests it is sent. Names of companies and masters match without regard to letter case, as in Tally.
// A new company holds Tally's predefined groups; a master of a known type is created under a new name and
// altered under one the company holds, and refused without a name, or as a ledger under a group or a stock
// item in a unit the company does not hold.
class TallyResponder
{
public:
    TallyResponder(const QStringList &companies, const QString &currentCompany);

    // The reply to the body of a POST; an empty body is the running probe.
    QByteArray answer(const QByteArray &body);

private:
    struct Master
    {
        QString name; // as first imported
        qint64 id = 0;
    };
    struct Company
    {
        QString name;
        QHash<QString, QHash<QString, Master>> masters; // by master type, then by folded name
        qint64 lastId = 0;
    };
    struct ImportCounts;

    static Company newCompany(const QString &name);
    static QString masterKey(const QString &name);
    Company *findCompany(const QString &name);
    QByteArray exportReply(const pugi::xml_node &envelope);
    QByteArray importReply(const pugi::xml_node &envelope);
    QByteArray companyListReply() const;
    QByteArray accountsReply(const Company &company, const QString &accountType) const;
    void importObject(Company &company, const pugi::xml_node &object, ImportCounts &counts);
    QString refusalOf(const Company &company, const QString &type, const QString &name,
                      const pugi::xml_node &object) const;

    QList<Company> m_companies;
    QString m_currentCompany;
};

} // namespace tallysim
