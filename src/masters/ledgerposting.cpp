#include "masters/groupedposting.h"
#include "masters/masterbuilders.h"
#include "masters/masterconstants.h"
#include "masters/masterposting.h"
#include "masters/masterrow.h"

#include "errors/errortrap.h"
#include "sources/gridtext.h"
#include "sources/importwindow.h"

namespace masters {

namespace {

// Read from a ledger's first row when the source has them; a present column replaces its start value even
// when its cell is blank.
constexpr Column<LedgerRec> ledgerColumns[] = {
    {"NAMEALIAS", &LedgerRec::Alias, ColumnUse::Optional},
    {"PARENT", &LedgerRec::Parent, ColumnUse::Optional},
    {"EMAIL", &LedgerRec::Email, ColumnUse::Optional},
    {"STATE", &LedgerRec::StateName, ColumnUse::Optional},
    {"PINCODE", &LedgerRec::Pincode, ColumnUse::Optional},
    {"INCOMETAXNUMBER", &LedgerRec::IncomeTaxNumber, ColumnUse::Optional},
    {"SALESTAXNUMBER", &LedgerRec::SalesTaxNumber, ColumnUse::Optional},
    {"VATTINNUMBER", &LedgerRec::VATTINNumber, ColumnUse::Optional},
    {"EXCISEREGNO", &LedgerRec::ExciseRegNo, ColumnUse::Optional},
    {"EXCISEREGDATE", &LedgerRec::ExciseRegistrationDate, ColumnUse::Optional},
    {"EXCISERANGE", &LedgerRec::ExciseRange, ColumnUse::Optional},
    {"EXCISEDIVISION", &LedgerRec::ExciseDivision, ColumnUse::Optional},
    {"EXCISECOMMISSIONERATE", &LedgerRec::ExciseCommissionerate, ColumnUse::Optional},
    {"EXCISENATUREOFPURCHASE", &LedgerRec::ExciseNatureOfPurchase, ColumnUse::Optional},
    {"PHONE", &LedgerRec::LedgerPhone, ColumnUse::Optional},
    {"FAX", &LedgerRec::LedgerFax, ColumnUse::Optional},
    {"CONTACTPERSON", &LedgerRec::LedgerContact, ColumnUse::Optional},
    {"BILLWISEON", &LedgerRec::IsBillwiseOn, ColumnUse::Optional},
    {"COSTCENTRESON", &LedgerRec::IsCostCentresOn, ColumnUse::Optional},
    {"AFFECTINVENTORY", &LedgerRec::AffectsStock, ColumnUse::Optional},
    {"TDSDEDUCTEETYPE", &LedgerRec::TDSDeducteeType, ColumnUse::Optional},
    {"FORSERVICETAX", &LedgerRec::ForServiceTax, ColumnUse::Optional},
    {"OPENINGBALANCE", &LedgerRec::OpeningBalance, ColumnUse::Optional, CellForm::Number},
};

constexpr FixedValue<LedgerRec> ledgerStartValues[] = {
    {&LedgerRec::IsBillwiseOn, "Yes"},    {&LedgerRec::IsCostCentresOn, "No"},
    {&LedgerRec::IsInterestOn, "No"},     {&LedgerRec::AllowInMobile, "No"},
    {&LedgerRec::IsCondensed, "No"},      {&LedgerRec::AffectsStock, "No"},
    {&LedgerRec::ForPayroll, "No"},       {&LedgerRec::InterestOnBillwise, "No"},
    {&LedgerRec::OverrideInterest, "No"}, {&LedgerRec::OverrideAdvInterest, "No"},
    {&LedgerRec::UseForVAT, "No"},        {&LedgerRec::IgnoreTDSExempt, "No"},
    {&LedgerRec::IsTCSApplicable, "No"},  {&LedgerRec::IsTDSApplicable, "No"},
    {&LedgerRec::IsFBTApplicable, "No"},  {&LedgerRec::IsGSTApplicable, "No"},
};

constexpr const char *addressColumns[] = {"ADDRESS1", "ADDRESS2", "ADDRESS3", "ADDRESS4"};

constexpr const char *billDateColumn = "OPENINGBILLDATE";
constexpr const char *billNameColumn = "OPENINGNAME";
constexpr const char *billCreditPeriodColumn = "OPENINGCREDITPERIOD";
constexpr const char *billAmountColumn = "OPENINGBALANCE";

class LedgerType final : public GroupedMasterType
{
public:
    explicit LedgerType(sources::ImportWindow &window) : m_window(window)
    {
        m_billColumns = sourceHasColumn(window, billDateColumn) && sourceHasColumn(window, billNameColumn) &&
                        sourceHasColumn(window, billCreditPeriodColumn) && sourceHasColumn(window, billAmountColumn);
    }

    void beginMaster(const MasterRow &row, const QString &name) override
    {
        m_bills.clear();
        m_ledger.Name = name;
        assignFixedValues(m_ledger, std::span<const FixedValue<LedgerRec>>(ledgerStartValues));
        readColumns(m_ledger, row, std::span<const Column<LedgerRec>>(ledgerColumns));

        m_ledger.Address = QStringList(ledgerAddressLines);
        for (int line = 0; line < int(std::size(addressColumns)); ++line) {
            if (row.sourceHas(addressColumns[line]))
                m_ledger.Address[line] = row.cell(addressColumns[line]);
        }
        if (!sources::isBlank(m_ledger.TDSDeducteeType))
            m_ledger.IsTDSApplicable = QStringLiteral("Yes");
    }

    void addSubLines(const MasterRow &row) override
    {
        if (!m_billColumns)
            return;
        OpeningBill bill{row.cell(billDateColumn), row.cell(billNameColumn), row.cell(billCreditPeriodColumn),
                         row.cell(billAmountColumn, CellForm::NumberAsText)};
        if (bill.billDate.isEmpty() || bill.billName.isEmpty() || bill.creditPeriod.isEmpty() || bill.amount.isEmpty())
            return;
        m_bills.append(std::move(bill));
    }

    tally::TallyReply postMaster() override
    {
        m_ledger.OpeningBills = m_bills;
        return ImportLedger(m_window.currentCompany(), m_ledger, QString::fromLatin1(actionCreate));
    }

    // Ledgers have always shown the row that started the next ledger.
    int progressRow(int, int triggeringRow) const override { return triggeringRow; }

private:
    sources::ImportWindow &m_window;
    LedgerRec m_ledger;
    QList<OpeningBill> m_bills;
    bool m_billColumns = false;
};

} // namespace

void PostLedgers(sources::ImportWindow &window)
{
    errors::trap(QString::fromLatin1(locationPostLedgers), [&] {
        window.selectFirstDataTab();
        window.currentCompany() = window.companyListText();
        LedgerType ledgers(window);
        walkMasterGroups(window, progressLedgers, ledgers);
    });
}

} // namespace masters
