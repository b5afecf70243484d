#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <string>

namespace sources {

// An exact decimal number as a cell gives it. Amounts are kept as decimal digits rather than binary
// floating point, so that what the user typed reaches the server digit for digit and sums of amounts are
// exact whatever their size.
class Decimal
{
public:
    Decimal() = default;

    bool isZero() const { return m_digits.empty(); }
    bool isNegative() const { return m_negative; }
    Decimal negated() const;
    // The value rounded to that many decimals, halves away from zero.
    Decimal rounded(int decimals) const;

    friend Decimal operator+(const Decimal &a, const Decimal &b);
    friend bool operator==(const Decimal &a, const Decimal &b) = default;

private:
    friend std::optional<Decimal> CellNumber(QStringView text);
    friend std::optional<Decimal> WholeNumber(QStringView text);
    friend QString NumberText(const Decimal &value);
    friend QString FixedNumberText(const Decimal &value, int decimals);

    Decimal(bool negative, std::string digits, int scale);
    // The digits with the point before the last `scale` of them, moved by the exponent; none when the exponent
    // makes the number more than 15 whole digits long.
    static std::optional<Decimal> fromDigits(bool negative, std::string digits, int scale, int exponent);
    void normalise();

    bool m_negative = false;
    // The magnitude as ASCII digits, no leading zeros; empty for zero. An amount's digits fit in the string
    // itself, so that reading and writing amounts asks nothing of the heap.
    std::string m_digits;
    int m_scale = 0; // how many of the digits stand after the decimal point
};

// The number a cell of a number column holds: blanks, tabs and line breaks are skipped wherever they stand, one
// leading sign is allowed, "." is the decimal point, "," is read between digits before the point, and an exponent
// ("1.5E+3") is part of the number; reading stops at the first character that cannot continue it, so "12.50 kg"
// is 12.5. An empty cell, one of blanks and a lone "-" are 0. Any other cell is no number when it does not begin
// with one ("NaN", "(100)", "Rs 100"), when its commas do not group its digits as thousands ("1,234,567") or
// lakhs ("1,23,456") but stand where a decimal comma would ("1,5", "12,34", "1,2345"), or when its exponent makes
// it more than 15 whole digits long: a cell taken for some other number than the one it shows is refused.
std::optional<Decimal> CellNumber(QStringView text);

// The number of a text as CellNumber reads it, 0 when it is no number: for texts that have been read as numbers
// before, or whose number only decides a sign or a zero test.
Decimal NumericValue(QStringView text);

// The value of a text that is a number and nothing else: blanks, tabs and line breaks around it, then one sign,
// digits with "," grouping those before the point as CellNumber allows, one "." with digits after it, and an
// exponent. Anything else, the empty text included, is no number.
std::optional<Decimal> WholeNumber(QStringView text);

// The value in the general number form: no leading blank, no grouping, as many decimals as it needs and
// "." as the decimal point whatever the locale, so that the server reads the same number everywhere.
QString NumberText(const Decimal &value);

// The value rounded to exactly that many decimals, all of them written, at least one digit before the point,
// "." as the point and no grouping: 1234.5 with three decimals is "1234.500".
QString FixedNumberText(const Decimal &value, int decimals);

} // namespace sources
