#include "vouchers/vouchernumbers.h"

#include "errors/errortrap.h"
#include "sources/numbertext.h"

namespace vouchers {

namespace {

constexpr int amountDecimals = 3;

} // namespace

QString AmountFormat(const sources::Decimal &value)
{
    return sources::FixedNumberText(value, amountDecimals);
}

QString WideAmountFormat(const sources::Decimal &value)
{
    return sources::FixedNumberText(value, amountDecimals);
}

QString cellInForm(const QString &cell, CellForm form)
{
    switch (form) {
    case CellForm::Text:
    case CellForm::NumberAsText:
    case CellForm::RateAsText:
        break;
    case CellForm::Amount:
        return AmountFormat(sources::NumericValue(cell));
    case CellForm::WideAmount:
        return WideAmountFormat(sources::NumericValue(cell));
    case CellForm::WideAmountOfText:
        if (const std::optional<sources::Decimal> value = sources::WholeNumber(cell))
            return WideAmountFormat(*value);
        break;
    }
    return cell;
}

bool fitsForm(QStringView cell, CellForm form)
{
    switch (form) {
    case CellForm::Text:
        return true;
    case CellForm::RateAsText:
        return sources::CellNumber(cell.toString().remove(QLatin1Char('%'))).has_value();
    case CellForm::Amount:
    case CellForm::WideAmount:
    case CellForm::WideAmountOfText:
    case CellForm::NumberAsText:
        break;
    }
    return sources::CellNumber(cell).has_value();
}

DebitCredit DebitCreditRule(const QString &debit, const QString &credit)
{
    const sources::Decimal debitValue = sources::NumericValue(debit);
    if (!debitValue.isZero())
        return {sources::NumberText(debitValue.negated()), QStringLiteral("Yes"), QStringLiteral("-")};
    return {credit, QStringLiteral("No"), QString()};
}

QString signedAmount(const QString &signPrefix, const QString &amount)
{
    if (signPrefix.isEmpty() || amount.isEmpty())
        return amount;
    if (amount.startsWith(QLatin1Char('-')))
        return amount.mid(1);
    if (sources::NumericValue(amount).isZero())
        return amount;
    return signPrefix + amount;
}

QString NextCounter(const QString &counter)
{
    // Counters are nearly always a few plain digits, which need no decimal arithmetic.
    if (counter.size() > 0 && counter.size() <= 9) {
        int value = 0;
        qsizetype at = 0;
        for (; at < counter.size() && counter.at(at) >= u'0' && counter.at(at) <= u'9'; ++at)
            value = value * 10 + (counter.at(at).unicode() - u'0');
        if (at == counter.size())
            return QString::number(value + 1);
    }
    const std::optional<sources::Decimal> value = sources::WholeNumber(counter);
    if (!value)
        errors::raise(errors::ErrNo::TypeMismatch, QStringLiteral("Type mismatch"));
    return sources::NumberText(*value + sources::NumericValue(u"1"));
}

bool isAboveZero(QStringView text)
{
    const sources::Decimal value = sources::NumericValue(text);
    return !value.isZero() && !value.isNegative();
}

bool isNonZero(QStringView text)
{
    return !sources::NumericValue(text).isZero();
}

} // namespace vouchers
