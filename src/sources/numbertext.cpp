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
    bool digitSeen = false;
    qsizetype end = 0;
};

// Reads a number from the start of the text: a sign, then digits, "," between digits before the point, and one
// point; blanks inside are skipped when blanksInside says so. Stops at the first character that cannot go on.
Scan scanNumber(QStringView text, bool blanksInside)
{
    Scan scan;
    qsizetype i = 0;
    const qsizetype length = text.size();
    if (i < length && (text.at(i) == u'-' || text.at(i) == u'+')) {
        scan.negative = text.at(i) == u'-';
        ++i;
    }
    bool integerDigitSeen = false;
    bool pointSeen = false;
    for (; i < length; ++i) {
        const QChar c = text.at(i);
        if (blanksInside && isSkipped(c))
            continue;
        if (isDigit(c)) {
            scan.digits.push_back(char(c.unicode()));
            scan.digitSeen = true;
            if (pointSeen)
                ++scan.scale;
            else
                integerDigitSeen = true;
        } else if (c == u',' && integerDigitSeen && !pointSeen) {
            continue;
        } else if (c == u'.' && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
    }
    scan.end = i;
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

Decimal NumericValue(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isSkipped(text.at(start)))
        ++start;
    Scan scan = scanNumber(text.sliced(start), true);
    return Decimal(scan.negative, std::move(scan.digits), scan.scale);
}

std::optional<Decimal> WholeNumber(QStringView text)
{
    const QStringView number = withoutSkippedEnds(text);
    Scan scan = scanNumber(number, false);
    if (!scan.digitSeen || scan.end != number.size() || number.back() == u',')
        return std::nullopt;
    return Decimal(scan.negative, std::move(scan.digits), scan.scale);
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
