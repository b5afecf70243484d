#include "sources/numbertext.h"

#include <algorithm>

namespace sources {

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Both magnitudes brought to the same scale and length, so that they can be added digit by digit.
void align(std::string &a, int scaleA, std::string &b, int scaleB, int &scale)
{
    scale = std::max(scaleA, scaleB);
    a.append(std::size_t(scale - scaleA), '0');
    b.append(std::size_t(scale - scaleB), '0');
    const std::size_t length = std::max(a.size(), b.size());
    a.insert(0, length - a.size(), '0');
    b.insert(0, length - b.size(), '0');
}

std::string addMagnitudes(const std::string &a, const std::string &b)
{
    std::string sum(a.size() + 1, '0');
    int carry = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        const int digit = (a[i] - '0') + (b[i] - '0') + carry;
        sum[i + 1] = char('0' + digit % 10);
        carry = digit / 10;
    }
    sum[0] = char('0' + carry);
    return sum;
}

// a - b for equally long magnitudes with a >= b.
std::string subtractMagnitudes(const std::string &a, const std::string &b)
{
    std::string difference(a.size(), '0');
    int borrow = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        const int digit = (a[i] - '0') - (b[i] - '0') - borrow;
        borrow = digit < 0 ? 1 : 0;
        difference[i] = char('0' + digit + borrow * 10);
    }
    return difference;
}

// A number's text: the sign, then the digits with the point before the last `decimals` of them. The digits are
// given as so many zeros, the magnitude's digits and so many zeros again.
QString numberText(bool negative, std::size_t leadingZeros, const std::string &digits, std::size_t trailingZeros,
                   std::size_t decimals)
{
    const std::size_t length = leadingZeros + digits.size() + trailingZeros;
    QString text(qsizetype((negative ? 1 : 0) + length + (decimals > 0 ? 1 : 0)), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    if (negative)
        *out++ = u'-';
    std::size_t written = 0;
    auto put = [&](char16_t c) {
        if (decimals > 0 && written == length - decimals)
            *out++ = u'.';
        *out++ = c;
        ++written;
    };
    for (std::size_t i = 0; i < leadingZeros; ++i)
        put(u'0');
    for (const char digit : digits)
        put(char16_t(digit));
    for (std::size_t i = 0; i < trailingZeros; ++i)
        put(u'0');
    return text;
}

// Where a number read from a text ends, and what it is.
struct Scan
{
    bool negative = false;
    std::string digits;
    int scale = 0;
    int exponent = 0;
    bool digitSeen = false;
    // Commas between digits that do not group them, or an exponent no spreadsheet number has: the text is no
    // number at all rather than a shorter one, which would be ten or a thousand times too small.
    bool refused = false;
    qsizetype end = 0;
};

// The largest exponent a spreadsheet's number has; a text with a larger one is no number.
constexpr int largestExponent = 308;
// The most whole digits a number written with an exponent may have.
constexpr int mostWholeDigitsOfExponent = 15;

// Whether a run of digits before the point, between its commas, groups them as thousands ("1,234,567") or as
// lakhs ("1,23,45,678"): the first run one to three digits, the last three, every run between two or three.
bool isDigitGroup(int length, bool first, bool last)
{
    if (first)
        return length >= 1 && length <= 3;
    if (last)
        return length == 3;
    return length == 2 || length == 3;
}

// Reads a number from the start of the text: one sign, then digits with "," between digits before the point, one
// point, and an exponent ("E", a sign and digits) after a digit; blanks inside are skipped when blanksInside says
// so. Stops at the first character that cannot go on.
Scan scanNumber(QStringView text, bool blanksInside)
{
    Scan scan;
    const qsizetype length = text.size();
    // Where the next character that counts stands, from `at` on.
    auto next = [&](qsizetype at) {
        while (blanksInside && at < length && isSkipped(text.at(at)))
            ++at;
        return at;
    };
    qsizetype i = 0;
    if (i < length && (text.at(i) == u'-' || text.at(i) == u'+')) {
        scan.negative = text.at(i) == u'-';
        ++i;
    }
    bool pointSeen = false;
    bool commaSeen = false;
    int groupLength = 0; // the digits before the point since the last comma
    auto groupEnds = [&](bool last) {
        if (commaSeen || !last)
            scan.refused = scan.refused || !isDigitGroup(groupLength, !commaSeen, last);
    };
    for (i = next(i); i < length; i = next(i + 1)) {
        const QChar c = text.at(i);
        if (isDigit(c)) {
            scan.digits.push_back(char(c.unicode()));
            scan.digitSeen = true;
            if (pointSeen)
                ++scan.scale;
            else
                ++groupLength;
        } else if (c == u',' && groupLength > 0 && !pointSeen) {
            // A comma is part of the number only between two digits.
            const qsizetype after = next(i + 1);
            if (after == length || !isDigit(text.at(after)))
                break;
            groupEnds(false);
            commaSeen = true;
            groupLength = 0;
        } else if (c == u'.' && !pointSeen) {
            groupEnds(true);
            pointSeen = true;
        } else {
            break;
        }
    }
    if (!pointSeen)
        groupEnds(true);
    scan.end = i;

    if (!scan.digitSeen || i == length || (text.at(i) != u'e' && text.at(i) != u'E'))
        return scan;
    qsizetype at = next(i + 1);
    bool negativeExponent = false;
    if (at < length && (text.at(at) == u'-' || text.at(at) == u'+')) {
        negativeExponent = text.at(at) == u'-';
        at = next(at + 1);
    }
    if (at == length || !isDigit(text.at(at)))
        return scan; // an "E" that no digit follows is text after the number
    int exponent = 0;
    for (; at < length && isDigit(text.at(at)); at = next(at + 1))
        exponent = std::min(exponent * 10 + (text.at(at).unicode() - u'0'), largestExponent + 1);
    scan.refused = scan.refused || exponent > largestExponent;
    scan.exponent = negativeExponent ? -exponent : exponent;
    scan.end = at;
    return scan;
}

QStringView withoutSkippedEnds(QStringView text)
{
    while (!text.isEmpty() && isSkipped(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isSkipped(text.back()))
        text.chop(1);
    return text;
}

} // namespace

Decimal::Decimal(bool negative, std::string digits, int scale)
    : m_negative(negative), m_digits(std::move(digits)), m_scale(scale)
{
    normalise();
}

void Decimal::normalise()
{
    std::size_t size = m_digits.size();
    while (m_scale > 0 && size > 0 && m_digits[size - 1] == '0') {
        --size;
        --m_scale;
    }
    m_digits.resize(size);
    m_digits.erase(0, std::min(m_digits.find_first_not_of('0'), m_digits.size()));
    if (m_digits.empty()) {
        m_scale = 0;
        m_negative = false;
    }
}

std::optional<Decimal> Decimal::fromDigits(bool negative, std::string digits, int scale, int exponent)
{
    scale -= exponent;
    if (scale < 0) {
        digits.append(std::size_t(-scale), '0');
        scale = 0;
    }
    Decimal value(negative, std::move(digits), scale);
    if (exponent != 0 && int(value.m_digits.size()) - value.m_scale > mostWholeDigitsOfExponent)
        return std::nullopt;
    return value;
}

Decimal Decimal::negated() const
{
    Decimal result = *this;
    if (!result.isZero())
        result.m_negative = !result.m_negative;
    return result;
}

Decimal operator+(const Decimal &a, const Decimal &b)
{
    if (a.isZero())
        return b;
    if (b.isZero())
        return a;
    std::string left = a.m_digits;
    std::string right = b.m_digits;
    int scale = 0;
    align(left, a.m_scale, right, b.m_scale, scale);
    if (a.m_negative == b.m_negative)
        return Decimal(a.m_negative, addMagnitudes(left, right), scale);
    if (left >= right) // equal lengths: byte order is numeric order
        return Decimal(a.m_negative, subtractMagnitudes(left, right), scale);
    return Decimal(b.m_negative, subtractMagnitudes(right, left), scale);
}

Decimal Decimal::rounded(int decimals) const
{
    if (m_scale <= decimals)
        return *this;
    // Leading zeros make room for the digit before the point and for a carry into a new first digit.
    const std::size_t dropped = std::size_t(m_scale - decimals);
    std::string digits(std::size_t(m_scale) + 2, '0');
    digits += m_digits;
    const bool up = digits[digits.size() - dropped] >= '5';
    digits.resize(digits.size() - dropped);
    for (std::size_t i = digits.size(); up && i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            break;
        }
        digits[i] = '0';
    }
    return Decimal(m_negative, std::move(digits), decimals);
}

std::optional<Decimal> CellNumber(QStringView text)
{
    const QStringView cell = withoutSkippedEnds(text);
    if (cell.isEmpty() || cell == u"-")
        return Decimal();
    Scan scan = scanNumber(cell, true);
    if (!scan.digitSeen || scan.refused)
        return std::nullopt;
    return Decimal::fromDigits(scan.negative, std::move(scan.digits), scan.scale, scan.exponent);
}

Decimal NumericValue(QStringView text)
{
    return CellNumber(text).value_or(Decimal());
}

std::optional<Decimal> WholeNumber(QStringView text)
{
    const QStringView number = withoutSkippedEnds(text);
    Scan scan = scanNumber(number, false);
    if (!scan.digitSeen || scan.refused || scan.end != number.size())
        return std::nullopt;
    return Decimal::fromDigits(scan.negative, std::move(scan.digits), scan.scale, scan.exponent);
}

QString NumberText(const Decimal &value)
{
    if (value.isZero())
        return QStringLiteral("0");
    const std::size_t scale = std::size_t(value.m_scale);
    // At least one digit before the point.
    const std::size_t leadingZeros = value.m_digits.size() <= scale ? scale - value.m_digits.size() + 1 : 0;
    return numberText(value.m_negative, leadingZeros, value.m_digits, 0, scale);
}

QString FixedNumberText(const Decimal &value, int decimals)
{
    const Decimal rounded = value.rounded(decimals);
    const std::size_t places = std::size_t(decimals);
    const std::size_t trailingZeros = places - std::size_t(rounded.m_scale);
    const std::size_t length = rounded.m_digits.size() + trailingZeros;
    const std::size_t leadingZeros = length <= places ? places - length + 1 : 0;
    return numberText(rounded.m_negative, leadingZeros, rounded.m_digits, trailingZeros, places);
}

} // namespace sources
