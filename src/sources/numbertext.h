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
    friend Decimal NumericValue(QStringView text);
    friend std::optional<Decimal> WholeNumber(QStringView text);
    friend QString NumberText(const Decimal &value);
    friend QString FixedNumberText(const Decimal &value, int decimals);

    Decimal(bool negative, std::string digits, int scale);
    void normalise();

    bool m_negative = false;
    // The magnitude as ASCII digits, no leading zeros; empty for zero. An amount's digits fit in the string
    // itself, so that reading and writing amounts asks nothing of the heap.
    std::string m_digits;
    int m_scale = 0; // how many of the digits stand after the decimal point
};

// The number at the start of a text: blanks, tabs and line breaks are skipped wherever they stand, one
// leading sign is allowed, "." is the decimal point and "," groups the digits before it, and reading stops
// at the first character that cannot continue the number. A text that does not begin with a number is 0.
Decimal NumericValue(QStringView text);

// The value of a text that is a number and nothing else: blanks, tabs and line breaks around it, then one sign,
// digits with "," grouping those before the point, and one "." with digits after it. Anything else, the empty
// text included, is no number.
std::optional<Decimal> WholeNumber(QStringView text);

// The value in the general number form: no leading blank, no grouping, as many decimals as it needs and
// "." as the decimal point whatever the locale, so that the server reads the same number everywhere.
QString NumberText(const Decimal &value);

// The value rounded to exactly that many decimals, all of them written, at least one digit before the point,
// "." as the point and no grouping: 1234.5 with three decimals is "1234.500".
QString FixedNumberText(const Decimal &value, int decimals);

} // namespace sources
