#include "masters/masterbuilders.h"
#include "masters/masterconstants.h"
#include "masters/mastermessage.h"
#include "sources/numbertext.h"

#include <algorithm>

namespace masters {

namespace {

constexpr ChildElement<LedgerRec> ledgerChildren[] = {
    {"CURRENCYNAME", &LedgerRec::CurrencyName},
    {"STATENAME", &LedgerRec::StateName},
    {"PINCODE", &LedgerRec::Pincode},
    {"LEDGERCONTACT", &LedgerRec::LedgerContact},
    {"LEDGERPHONE", &LedgerRec::LedgerPhone},
    {"LEDGERFAX", &LedgerRec::LedgerFax},
    {"EMAIL", &LedgerRec::Email},
    {"NARRATION", &LedgerRec::Narration},
    {"VATTINNUMBER", &LedgerRec::VATTINNumber},
    {"INCOMETAXNUMBER", &LedgerRec::IncomeTaxNumber},
    {"SALESTAXNUMBER", &LedgerRec::SalesTaxNumber},
    {"PRICELEVEL", &LedgerRec::PriceLevel},
    {"PARENT", &LedgerRec::Parent},
    {"TAXCLASSIFICATIONNAME", &LedgerRec::TaxClassificationName},
    {"TAXTYPE", &LedgerRec::TaxType},
    {"GSTTYPE", &LedgerRec::GSTType},
    {"SERVICECATEGORY", &LedgerRec::ServiceCategory},
    {"TDSDEDUCTEETYPE", &LedgerRec::TDSDeducteeType},
    {"TDSRATENAME", &LedgerRec::TDSRateName},
    {"LEDGERFBTCATEGORY", &LedgerRec::LedgerFBTCategory},
    {"ISBILLWISEON", &LedgerRec::IsBillwiseOn},
    {"ISCOSTCENTRESON", &LedgerRec::IsCostCentresOn},
    {"ISINTERESTON", &LedgerRec::IsInterestOn},
    {"ALLOWINMOBILE", &LedgerRec::AllowInMobile},
    {"ISCONDENSED", &LedgerRec::IsCondensed},
    {"AFFECTSSTOCK", &LedgerRec::AffectsStock},
    {"FORPAYROLL", &LedgerRec::ForPayroll},
    {"INTERESTONBILLWISE", &LedgerRec::InterestOnBillwise},
    {"OVERRIDEINTEREST", &LedgerRec::OverrideInterest},
    {"OVERRIDEADVINTEREST", &LedgerRec::OverrideAdvInterest},
    {"USEFORVAT", &LedgerRec::UseForVAT},
    {"IGNORETDSEXEMPT", &LedgerRec::IgnoreTDSExempt},
    {"ISTCSAPPLICABLE", &LedgerRec::IsTCSApplicable},
    {"ISTDSAPPLICABLE", &LedgerRec::IsTDSApplicable},
    {"ISFBTAPPLICABLE", &LedgerRec::IsFBTApplicable},
    {"ISGSTAPPLICABLE", &LedgerRec::IsGSTApplicable},
    {"SHOWINPAYSLIP", &LedgerRec::ShowInPaySlip},
    {"USEFORGRATUITY", &LedgerRec::UseForGratuity},
    {"FORSERVICETAX", &LedgerRec::ForServiceTax},
    {"ISINPUTCREDIT", &LedgerRec::IsInputCredit},
    {"ISEXEMPTED", &LedgerRec::IsExempted},
    {"TDSDEDUCTEEISSPECIALRATE", &LedgerRec::TDSDeducteeIsSpecialRate},
    {"AUDITED", &LedgerRec::Audited},
    {"SORTPOSITION", &LedgerRec::SortPosition},
    {"EXCISEREGNO", &LedgerRec::ExciseRegNo},
    {"EXCISEREGISTRATIONDATE", &LedgerRec::ExciseRegistrationDate},
    {"EXCISERANGE", &LedgerRec::ExciseRange},
    {"EXCISEDIVISION", &LedgerRec::ExciseDivision},
    {"EXCISECOMMISSIONERATE", &LedgerRec::ExciseCommissionerate},
    {"EXCISENATUREOFPURCHASE", &LedgerRec::ExciseNatureOfPurchase},
};

constexpr ListChild<OpeningBill> billChildren[] = {
    {"BILLDATE", &OpeningBill::billDate},
    {"NAME", &OpeningBill::billName},
    {"BILLCREDITPERIOD", &OpeningBill::creditPeriod},
    {"ISADVANCE", nullptr, nullptr, "No"},
    {"OPENINGBALANCE", &OpeningBill::amount},
};

// The address goes out only when one of its sent lines holds text; then every sent line does, empty or not.
void addAddress(MasterMessage &message, const QStringList &address)
{
    const qsizetype sentLines = std::max<qsizetype>(address.size() - 1, 0);
    const auto first = address.cbegin();
    if (std::all_of(first, first + sentLines, [](const QString &line) { return line.isEmpty(); }))
        return;
    const MasterMessage::Element list = message.add("ADDRESS.LIST", QString(), ChildKind::Always);
    for (qsizetype i = 0; i < sentLines; ++i)
        message.add(list, "ADDRESS", address.at(i), ChildKind::Always);
}

} // namespace

QString OpeningBillsTotalText(const QList<OpeningBill> &bills)
{
    sources::Decimal total;
    for (const OpeningBill &bill : bills) {
        if (!bill.billDate.isEmpty())
            total = total + sources::NumericValue(bill.amount);
    }
    if (total.isZero())
        return QString();
    return total.isNegative() ? sources::NumberText(total) : QLatin1Char(' ') + sources::NumberText(total);
}

tally::TallyReply ImportLedger(const QString &company, const LedgerRec &ledger, const QString &action)
{
    return trappedBuild(locationImportLedger, [&] {
        MasterMessage message(company, "LEDGER", ledger.Name, ledger.OldName, action);
        message.add("ADDITIONALNAME", ledger.Name, ChildKind::IfSet);
        addAddress(message, ledger.Address);
        message.addChildren(ledger, std::span<const ChildElement<LedgerRec>>(ledgerChildren));
        message.addLists("BILLALLOCATIONS.LIST", ledger.OpeningBills,
                         std::span<const ListChild<OpeningBill>>(billChildren));
        const QString billsTotal = OpeningBillsTotalText(ledger.OpeningBills);
        message.add("OPENINGBALANCE", billsTotal.isEmpty() ? ledger.OpeningBalance : billsTotal, ChildKind::IfSet);
        message.addNameList(ledger.Name, ledger.Alias);
        return message.send();
    });
}

} // namespace masters
