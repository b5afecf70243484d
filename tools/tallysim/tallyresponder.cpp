#include "tallysim/tallyresponder.h"

#include "tallysim/simulator.h"

#include <QStringDecoder>

#include <pugixml.hpp>

#include <algorithm>
#include <array>

namespace tallysim {

namespace {

// Ids start past the predefined groups and ledgers of a new company, so LASTMID and LASTVCHID are never 1.
constexpr qint64 firstFreeId = 100;

// The groups every new Tally company starts with: the fifteen primary groups and the thirteen below them.
constexpr std::array<const char *, 28> predefinedGroups{
    "Branch / Divisions",  "Capital Account",    "Current Assets",
    "Current Liabilities", "Direct Expenses",    "Direct Incomes",
    "Fixed Assets",        "Indirect Expenses",  "Indirect Incomes",
    "Investments",         "Loans (Liability)",  "Misc. Expenses (ASSET)",
    "Purchase Accounts",   "Sales Accounts",     "Suspense A/c",
    "Bank Accounts",       "Bank OD A/c",        "Cash-in-Hand",
    "Deposits (Asset)",    "Duties & Taxes",     "Loans & Advances (Asset)",
    "Provisions",          "Reserves & Surplus", "Secured Loans",
    "Stock-in-Hand",       "Sundry Creditors",   "Sundry Debtors",
    "Unsecured Loans",
};

// The voucher types and ledgers every new Tally company starts with.
constexpr std::array<const char *, 18> predefinedVoucherTypes{
    "Sales",         "Purchase",       "Payment",       "Receipt",        "Journal",       "Contra",
    "Credit Note",   "Debit Note",     "Sales Order",   "Purchase Order", "Delivery Note", "Receipt Note",
    "Rejections In", "Rejections Out", "Stock Journal", "Physical Stock", "Memorandum",    "Reversing Journal",
};
constexpr std::array<const char *, 2> predefinedLedgers{"Cash", "Profit & Loss A/c"};

// The master types Tally imports, with the words its messages use for them.
struct MasterType
{
    const char *element;
    const char *words;
};
constexpr std::array masterTypes{
    MasterType{"GROUP", "Group"},
    MasterType{"LEDGER", "Ledger"},
    MasterType{"UNIT", "Unit"},
    MasterType{"GODOWN", "Godown"},
    MasterType{"STOCKGROUP", "Stock Group"},
    MasterType{"STOCKCATEGORY", "Stock Category"},
    MasterType{"STOCKITEM", "Stock Item"},
    MasterType{"COSTCATEGORY", "Cost Category"},
    MasterType{"COSTCENTRE", "Cost Centre"},
};
constexpr char voucherElement[] = "VOUCHER";

const MasterType *masterType(const QString &element)
{
    for (const MasterType &type : masterTypes) {
        if (element == QLatin1String(type.element))
            return &type;
    }
    return nullptr;
}

// What each ACCOUNTTYPE of the "List of Accounts" report lists.
struct AccountType
{
    const char *accountType;
    const char *masterType;
};
constexpr std::array accountTypes{
    AccountType{"Groups", "GROUP"},
    AccountType{"Ledgers", "LEDGER"},
    AccountType{"Units", "UNIT"},
    AccountType{"Godowns", "GODOWN"},
    AccountType{"Stock Groups", "STOCKGROUP"},
    AccountType{"Stock Categories", "STOCKCATEGORY"},
    AccountType{"Stock Items", "STOCKITEM"},
    AccountType{"Cost Categories", "COSTCATEGORY"},
    AccountType{"Cost Centres", "COSTCENTRE"},
};

class ByteArrayWriter final : public pugi::xml_writer
{
public:
    explicit ByteArrayWriter(QByteArray &target) : m_target(target) {}
    void write(const void *data, size_t size) override
    {
        m_target.append(static_cast<const char *>(data), static_cast<qsizetype>(size));
    }

private:
    QByteArray &m_target;
};

QByteArray serialised(const pugi::xml_document &document)
{
    QByteArray bytes;
    ByteArrayWriter writer(bytes);
    document.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    return bytes;
}

QString textOf(const pugi::xml_node &node)
{
    return QString::fromUtf8(node.text().get());
}

bool sameText(const QString &a, const char *b)
{
    return a.simplified().compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

void addText(pugi::xml_node parent, const char *name, const QString &value)
{
    parent.append_child(name).text().set(utf8(value).constData());
}

// Tally's answer to an export it cannot give: the envelope of an export with an error line.
QByteArray exportErrorReply(const QString &message)
{
    pugi::xml_document document;
    auto envelope = document.append_child("ENVELOPE");
    auto header = envelope.append_child("HEADER");
    header.append_child("VERSION").text().set("1");
    header.append_child("STATUS").text().set("0");
    addText(envelope.append_child("BODY").append_child("DATA"), "LINEERROR", message);
    return serialised(document);
}

QString masterName(const pugi::xml_node &object)
{
    if (const char *name = object.attribute("NAME").value(); *name != '\0')
        return QString::fromUtf8(name);
    if (const auto name = object.child("NAME"))
        return textOf(name);
    return textOf(object.child("NAME.LIST").child("NAME"));
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// pugixml keeps a bare "&" or an unknown entity as text, where an XML parser such as Tally's refuses the
// document; this finds them outside comments, CDATA sections and processing instructions.
bool hasOnlyValidReferences(QByteArrayView text)
{
    static constexpr std::array<std::pair<QByteArrayView, QByteArrayView>, 3> skipped{{
        {"<!--", "-->"},
        {"<![CDATA[", "]]>"},
        {"<?", "?>"},
    }};
    static constexpr std::array<QByteArrayView, 5> entities{"amp;", "lt;", "gt;", "quot;", "apos;"};
    qsizetype i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '<') {
            bool wasSkipped = false;
            for (const auto &[open, close] : skipped) {
                if (text.sliced(i).startsWith(open)) {
                    const qsizetype end = text.indexOf(close, i + open.size());
                    if (end < 0)
                        return true; // unterminated: the parser has refused it already
                    i = end + close.size();
                    wasSkipped = true;
                    break;
                }
            }
            if (!wasSkipped)
                ++i;
            continue;
        }
        if (c != '&') {
            ++i;
            continue;
        }
        const QByteArrayView rest = text.sliced(i + 1);
        qsizetype length = 0;
        for (const QByteArrayView entity : entities) {
            if (rest.startsWith(entity))
                length = entity.size();
        }
        if (length == 0 && rest.startsWith('#')) {
            const bool hex = rest.size() > 1 && rest[1] == 'x';
            qsizetype j = hex ? 2 : 1;
            const qsizetype digitsStart = j;
            while (j < rest.size() && (hex ? isHexDigit(rest[j]) : (rest[j] >= '0' && rest[j] <= '9')))
                ++j;
            if (j > digitsStart && j < rest.size() && rest[j] == ';')
                length = j + 1;
        }
        if (length == 0)
            return false;
        i += 1 + length;
    }
    return true;
}

// The body as UTF-8 for the check above: Tally also takes UTF-16, with or without a byte-order mark.
QByteArray asUtf8(const QByteArray &body)
{
    const bool littleEndian = body.startsWith("\xff\xfe") || (body.size() > 1 && body[0] != '\0' && body[1] == '\0');
    const bool bigEndian = body.startsWith("\xfe\xff") || (body.size() > 1 && body[0] == '\0' && body[1] != '\0');
    if (!littleEndian && !bigEndian)
        return body;
    QStringDecoder decoder(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    return QString(decoder(body)).toUtf8();
}

QString unknownCompanyMessage(const QString &name)
{
    return QStringLiteral("Could not set 'SVCurrentCompany' to '") + name + QStringLiteral("'");
}

} // namespace

struct TallyResponder::ImportCounts
{
    int created = 0;
    int altered = 0;
    int deleted = 0;
    qint64 lastVchId = 0;
    qint64 lastMid = 0;
    int combined = 0;
    int ignored = 0;
    int errors = 0;
    int cancelled = 0;
    int exceptions = 0;
    QStringList lineErrors;

    QByteArray reply() const
    {
        pugi::xml_document document;
        auto response = document.append_child("RESPONSE");
        for (const QString &error : lineErrors)
            addText(response, "LINEERROR", error);
        const std::array<std::pair<const char *, qint64>, 10> counters{{
            {"CREATED", created},
            {"ALTERED", altered},
            {"DELETED", deleted},
            {"LASTVCHID", lastVchId},
            {"LASTMID", lastMid},
            {"COMBINED", combined},
            {"IGNORED", ignored},
            {"ERRORS", errors},
            {"CANCELLED", cancelled},
            {"EXCEPTIONS", exceptions},
        }};
        for (const auto &[name, value] : counters)
            response.append_child(name).text().set(static_cast<long long>(value));
        return serialised(document);
    }
};

TallyResponder::Company TallyResponder::newCompany(const QString &name, const Config &config)
{
    Company company{name, {}, {}, {}, firstFreeId};
    qint64 id = 0;
    auto hold = [&](const char *type, const QString &masterName) {
        auto &ofType = company.masters[QString::fromLatin1(type)];
        if (!ofType.contains(masterKey(masterName)))
            ofType.insert(masterKey(masterName), Master{masterName, ++id});
    };
    for (const char *group : predefinedGroups)
        hold("GROUP", QString::fromUtf8(group));
    for (const char *ledger : predefinedLedgers)
        hold("LEDGER", QString::fromUtf8(ledger));
    for (const QString &ledger : config.ledgers)
        hold("LEDGER", ledger);
    for (const QString &item : config.stockItems)
        hold("STOCKITEM", item);
    for (const char *type : predefinedVoucherTypes)
        company.voucherTypes.insert(masterKey(QString::fromUtf8(type)));
    // Whatever the configuration names, ids of imported objects start past the predefined ones.
    company.lastId = std::max(firstFreeId, id);
    return company;
}

QString TallyResponder::masterKey(const QString &name)
{
    return name.toCaseFolded();
}

TallyResponder::TallyResponder(const Config &config)
    : m_currentCompany(config.currentCompany), m_refuseWithExceptions(config.refuseWithExceptions)
{
    QStringList held = config.companies;
    if (!m_currentCompany.isEmpty())
        held.append(m_currentCompany); // the open company is always one the server holds
    for (const QString &name : std::as_const(held)) {
        if (!name.isEmpty() && findCompany(name) == nullptr)
            m_companies.append(newCompany(name, config));
    }
}

TallyResponder::Company *TallyResponder::findCompany(const QString &name)
{
    const auto found = std::find_if(m_companies.begin(), m_companies.end(), [&](const Company &company) {
        return company.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return found == m_companies.end() ? nullptr : &*found;
}

QByteArray TallyResponder::answer(const QByteArray &body)
{
    if (body.trimmed().isEmpty())
        return runningReply;

    pugi::xml_document document;
    if (!document.load_buffer(body.constData(), static_cast<size_t>(body.size())) ||
        !hasOnlyValidReferences(asUtf8(body)))
        return unknownRequestReply;
    const pugi::xml_node envelope = document.document_element();
    if (std::string_view(envelope.name()) != "ENVELOPE")
        return unknownRequestReply;

    const QString request = textOf(envelope.child("HEADER").child("TALLYREQUEST"));
    if (sameText(request, "Export Data"))
        return exportReply(envelope);
    if (sameText(request, "Import Data"))
        return importReply(envelope);
    return unknownRequestReply;
}

QByteArray TallyResponder::exportReply(const pugi::xml_node &envelope)
{
    const pugi::xml_node description = envelope.child("BODY").child("EXPORTDATA").child("REQUESTDESC");
    if (!description)
        return unknownRequestReply;
    const QString report = textOf(description.child("REPORTNAME"));
    if (sameText(report, "List of Companies"))
        return companyListReply();
    if (!sameText(report, "List of Accounts"))
        return exportErrorReply(QStringLiteral("Could not find Report '") + report.simplified() + QStringLiteral("'!"));

    const pugi::xml_node variables = description.child("STATICVARIABLES");
    const QString accountType = textOf(variables.child("ACCOUNTTYPE"));
    if (const auto named = variables.child("SVCURRENTCOMPANY")) {
        const Company *company = findCompany(textOf(named));
        if (company == nullptr)
            return exportErrorReply(unknownCompanyMessage(textOf(named)));
        return accountsReply(*company, accountType);
    }
    if (const Company *company = findCompany(m_currentCompany))
        return accountsReply(*company, accountType);
    return accountsReply(Company{}, accountType);
}

QByteArray TallyResponder::companyListReply() const
{
    pugi::xml_document document;
    auto envelope = document.append_child("ENVELOPE");
    auto header = envelope.append_child("HEADER");
    header.append_child("VERSION").text().set("1");
    header.append_child("STATUS").text().set("1");
    auto collection = envelope.append_child("BODY").append_child("DATA").append_child("COLLECTION");
    for (const Company &company : m_companies) {
        auto entry = collection.append_child("COMPANY");
        entry.append_attribute("NAME").set_value(utf8(company.name).constData());
        addText(entry, "NAME", company.name);
        addText(entry, "COMPANYNAME", company.name);
    }
    return serialised(document);
}

// "List of Accounts" comes back as an import envelope of the open company that carries its masters.
QByteArray TallyResponder::accountsReply(const Company &company, const QString &accountType) const
{
    QStringList types;
    for (const AccountType &type : accountTypes) {
        if (sameText(accountType, type.accountType))
            types = {QString::fromLatin1(type.masterType)};
    }
    if (types.isEmpty()) {
        types = company.masters.keys();
        types.sort();
    }

    pugi::xml_document document;
    auto envelope = document.append_child("ENVELOPE");
    envelope.append_child("HEADER").append_child("TALLYREQUEST").text().set("Import Data");
    auto importData = envelope.append_child("BODY").append_child("IMPORTDATA");
    auto description = importData.append_child("REQUESTDESC");
    description.append_child("REPORTNAME").text().set("All Masters");
    if (!company.name.isEmpty())
        addText(description.append_child("STATICVARIABLES"), "SVCURRENTCOMPANY", company.name);
    auto requestData = importData.append_child("REQUESTDATA");

    for (const QString &type : std::as_const(types)) {
        QList<Master> masters = company.masters.value(type).values();
        std::sort(masters.begin(), masters.end(), [](const Master &a, const Master &b) { return a.id < b.id; });
        const QByteArray typeName = utf8(type);
        for (const Master &master : std::as_const(masters)) {
            auto message = requestData.append_child("TALLYMESSAGE");
            message.append_attribute("xmlns:UDF").set_value("TallyUDF");
            auto element = message.append_child(typeName.constData());
            element.append_attribute("NAME").set_value(utf8(master.name).constData());
            element.append_attribute("RESERVEDNAME").set_value("");
            if (type == QLatin1String("UNIT"))
                addText(element, "NAME", master.name);
            else
                addText(element.append_child("NAME.LIST"), "NAME", master.name);
        }
    }
    return serialised(document);
}

QByteArray TallyResponder::importReply(const pugi::xml_node &envelope)
{
    const pugi::xml_node importData = envelope.child("BODY").child("IMPORTDATA");
    if (!importData)
        return unknownRequestReply;

    ImportCounts counts;
    const pugi::xml_node named = importData.child("REQUESTDESC").child("STATICVARIABLES").child("SVCURRENTCOMPANY");
    if (!named && m_currentCompany.isEmpty()) {
        counts.lineErrors.append(QStringLiteral("No Company is open"));
        counts.errors = 1;
        return counts.reply();
    }
    const QString companyName = named ? textOf(named) : m_currentCompany;
    Company *company = findCompany(companyName);
    if (company == nullptr) {
        counts.lineErrors.append(unknownCompanyMessage(companyName));
        counts.errors = 1;
        return counts.reply();
    }

    for (const pugi::xml_node &message : importData.child("REQUESTDATA").children("TALLYMESSAGE")) {
        for (const pugi::xml_node &object : message.children()) {
            if (object.type() == pugi::node_element)
                importObject(*company, object, counts);
        }
    }
    return counts.reply();
}

void TallyResponder::importObject(Company &company, const pugi::xml_node &object, ImportCounts &counts)
{
    const QString type = QString::fromUtf8(object.name());
    if (type == QLatin1String(voucherElement)) {
        importVoucher(company, object, counts);
        return;
    }
    const QString name = masterName(object);
    qint64 id = 0;
    if (const QString refusal = refusalOf(company, type, name, object); !refusal.isEmpty()) {
        refuse(counts, refusal);
        return;
    }
    auto &ofType = company.masters[type];
    const QString key = masterKey(name);
    if (const auto known = ofType.constFind(key); known != ofType.constEnd()) {
        id = known->id; // an alteration keeps the master's own id
        ++counts.altered;
    } else {
        id = ++company.lastId;
        ofType.insert(key, Master{name, id});
        ++counts.created;
    }
    counts.lastMid = id;
}

// Tally.ERP 9 counts what it will not take as an error, TallyPrime as an exception; the error line comes first.
void TallyResponder::refuse(ImportCounts &counts, const QString &refusal) const
{
    counts.lineErrors.append(refusal);
    ++(m_refuseWithExceptions ? counts.exceptions : counts.errors);
}

// A voucher without a REMOTEID is new each time.
void TallyResponder::importVoucher(Company &company, const pugi::xml_node &voucher, ImportCounts &counts) const
{
    if (const QString refusal = voucherRefusalOf(company, voucher); !refusal.isEmpty()) {
        refuse(counts, refusal);
        return;
    }
    const QString remoteId = QString::fromUtf8(voucher.attribute("REMOTEID").value());
    if (const auto known = company.vouchers.constFind(remoteId);
        !remoteId.isEmpty() && known != company.vouchers.constEnd()) {
        counts.lastVchId = *known;
        ++counts.altered;
        return;
    }
    counts.lastVchId = ++company.lastId;
    if (!remoteId.isEmpty())
        company.vouchers.insert(remoteId, counts.lastVchId);
    ++counts.created;
}

// What Tally says when a voucher names a voucher type, ledger or stock item the company does not hold: the
// voucher type first, then the names in the order they stand.
QString TallyResponder::voucherRefusalOf(const Company &company, const pugi::xml_node &voucher)
{
    const pugi::xml_node typeName = voucher.child("VOUCHERTYPENAME");
    const QString type = typeName ? textOf(typeName) : QString::fromUtf8(voucher.attribute("VCHTYPE").value());
    if (!company.voucherTypes.contains(masterKey(type)))
        return QStringLiteral("Voucher Type '") + type + QStringLiteral("' does not exist!");

    struct NamedMaster
    {
        const char *element;
        const char *type;
        const char *words;
    };
    static constexpr NamedMaster namedMasters[] = {
        {"PARTYLEDGERNAME", "LEDGER", "Ledger"},
        {"LEDGERNAME", "LEDGER", "Ledger"},
        {"STOCKITEMNAME", "STOCKITEM", "Stock Item"},
    };
    for (const pugi::xpath_node &found : voucher.select_nodes(".//*")) {
        const pugi::xml_node element = found.node();
        for (const NamedMaster &named : namedMasters) {
            if (std::string_view(element.name()) != named.element)
                continue;
            const QString name = textOf(element);
            if (!company.masters.value(QString::fromLatin1(named.type)).contains(masterKey(name)))
                return QString::fromLatin1(named.words) + QStringLiteral(" '") + name +
                       QStringLiteral("' does not exist!");
        }
    }
    return {};
}

// What Tally says when it will not take a master: one it does not know, one without a name, a ledger under a
// group or a stock item in a unit the company does not hold.
QString TallyResponder::refusalOf(const Company &company, const QString &type, const QString &name,
                                  const pugi::xml_node &object) const
{
    const MasterType *known = masterType(type);
    if (known == nullptr)
        return QStringLiteral("Unknown Object Type '") + type + QStringLiteral("'");
    if (name.trimmed().isEmpty())
        return QString::fromLatin1(known->words) + QStringLiteral(" has no Name!");
    auto holds = [&](const char *ofType, const QString &wanted) {
        return company.masters.value(QString::fromLatin1(ofType)).contains(masterKey(wanted));
    };
    if (type == QLatin1String("LEDGER")) {
        if (const auto parent = object.child("PARENT"); parent && !holds("GROUP", textOf(parent)))
            return QStringLiteral("Group '") + textOf(parent) + QStringLiteral("' does not exist!");
    }
    if (type == QLatin1String("STOCKITEM")) {
        if (const auto unit = object.child("BASEUNITS"); unit && !holds("UNIT", textOf(unit)))
            return QStringLiteral("Unit '") + textOf(unit) + QStringLiteral("' does not exist!");
    }
    return {};
}

} // namespace tallysim
