#pragma once

#include <QString>
#include <QStringView>

namespace sources {
class Decimal;
}

// The number rules every voucher import type shares. Amounts travel as text; whatever the user's locale, a number
// text has "." as its point and no grouping, and a number is read from a text as sources::NumericValue reads it.
namespace vouchers {

// "#################0.000" and "####################0.000": the value rounded to three decimals (halves away from
// zero), all three written, at least one digit before the point, no grouping and never an exponent. Both write
// every digit of the value, so they give the same text.
QString AmountFormat(const sources::Decimal &value);
QString WideAmountFormat(const sources::Decimal &value);

// How a cell becomes the value a voucher column holds. Every form but Text is a number column's: a cell that is no
// number as sources::CellNumber reads it does not fit it (see fitsForm).
enum class CellForm
{
    Text,             // as it stands
    Amount,           // AmountFormat of the number the text begins with (0 when empty)
    WideAmount,       // WideAmountFormat of the same
    WideAmountOfText, // WideAmountFormat when the text is a number and nothing else; any other text as it stands
    NumberAsText,     // as it stands, an amount whose number is read later
    RateAsText,       // as it stands, a rate whose number, every "%" removed, is read later
};

QString cellInForm(const QString &cell, CellForm form);
// Whether a cell fits its column's form: any text a text column, a number ("12.50 kg" among them) a number column.
bool fitsForm(QStringView cell, CellForm form);

// The sign of a ledger line from its DEBIT and CREDIT texts, both already formatted: a DEBIT whose number is not 0
// makes a debit, whose amount is that number negated in its shortest form (123.500 gives -123.5); anything else is
// a credit of the CREDIT text as it stands. A line's child rows carry its sign prefix.
struct DebitCredit
{
    QString amount;
    QString isDeemedPositive; // "Yes" for a debit, "No" for a credit
    QString signPrefix;       // "-" for a debit, "" for a credit
};
DebitCredit DebitCreditRule(const QString &debit, const QString &credit);

// An amount text under a sign prefix. "-" negates the number rather than being written in front of it, so that a
// negative amount on a debit line loses its "-" instead of gaining a second one; a zero amount keeps no sign and
// an empty one stays empty.
QString signedAmount(const QString &signPrefix, const QString &amount);

// The next value of an id or counter kept as text: its number plus 1, in its shortest form ("9" gives "10"). A
// text that is not a number, the empty text included, is a run-time error.
QString NextCounter(const QString &counter);

// Whether the number a text begins with is above 0 (a text that begins with no number is 0).
bool isAboveZero(QStringView text);
// Whether the number a text begins with is other than 0.
bool isNonZero(QStringView text);

} // namespace vouchers
