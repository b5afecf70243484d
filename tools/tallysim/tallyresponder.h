#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace pugi {
class xml_node;
}

namespace tallysim {

// The texts Tally answers with where the reply is not built from the request.
inline constexpr char runningReply[] = "<RESPONSE>TallyPrime Server is Running</RESPONSE>";
inline constexpr char unknownRequestReply[] = "<RESPONSE>Unknown Request, cannot be processed</RESPONSE>";

struct Config;

// The companies the simulated server holds, the masters and vouchers imported into each, and the replies Tally
// gives to the requests it is sent. Names of companies and masters match without regard to letter case, as in
// Tally. A new company holds Tally's predefined groups, voucher types and ledgers, and the ledgers and stock
// items the configuration names; a master of a known type is created under a new name and altered under one the
// company holds, and refused without a name, or as a ledger under a group or a stock item in a unit the company
// does not hold. A voucher is created under a REMOTEID the company has not seen and altered under one it has,
// and refused when it names a voucher type, ledger or stock item the company does not hold.
class TallyResponder
{
public:
    explicit TallyResponder(const Config &config);

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
        QSet<QString> voucherTypes;                     // folded names
        QHash<QString, qint64> vouchers;                // ids by REMOTEID
        qint64 lastId = 0;
    };
    struct ImportCounts;

    static Company newCompany(const QString &name, const Config &config);
    static QString masterKey(const QString &name);
    Company *findCompany(const QString &name);
    QByteArray exportReply(const pugi::xml_node &envelope);
    QByteArray importReply(const pugi::xml_node &envelope);
    QByteArray companyListReply() const;
    QByteArray accountsReply(const Company &company, const QString &accountType) const;
    void importObject(Company &company, const pugi::xml_node &object, ImportCounts &counts);
    void importVoucher(Company &company, const pugi::xml_node &voucher, ImportCounts &counts) const;
    void refuse(ImportCounts &counts, const QString &refusal) const;
    QString refusalOf(const Company &company, const QString &type, const QString &name,
                      const pugi::xml_node &object) const;
    static QString voucherRefusalOf(const Company &company, const pugi::xml_node &voucher);

    QList<Company> m_companies;
    QString m_currentCompany;
    bool m_refuseWithExceptions = false;
};

} // namespace tallysim
