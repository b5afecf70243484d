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
void align(QByteArray &a, int scaleA, QByteArray &b, int scaleB, int &scale)
{
    scale = std::max(scaleA, scaleB);
    a.append(QByteArray(scale - scaleA, '0'));
    b.append(QByteArray(scale - scaleB, '0'));
    const qsizetype length = std::max(a.size(), b.size());
    a.prepend(QByteArray(length - a.size(), '0'));
    b.prepend(QByteArray(length - b.size(), '0'));
}

QByteArray addMagnitudes(const QByteArray &a, const QByteArray &b)
{
    QByteArray sum(a.size() + 1, '0');
    int carry = 0;
    for (qsizetype i = a.size() - 1; i >= 0; --i) {
        const int digit = (a.at(i) - '0') + (b.at(i) - '0') + carry;
        sum[i + 1] = char('0' + digit % 10);
        carry = digit / 10;
    }
    sum[0] = char('0' + carry);
    return sum;
}

// a - b for equally long magnitudes with a >= b.
QByteArray subtractMagnitudes(const QByteArray &a, const QByteArray &b)
{
    QByteArray difference(a.size(), '0');
    int borrow = 0;
    for (qsizetype i = a.size() - 1; i >= 0; --i) {
        int digit = (a.at(i) - '0') - (b.at(i) - '0') - borrow;
        borrow = digit < 0 ? 1 : 0;
        difference[i] = char('0' + digit + borrow * 10);
    }
    return difference;
}

// Where a number read from a text ends, and what it is.
struct Scan
{
    bool negative = false;
    QByteArray digits;
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
            scan.digits.append(char(c.unicode()));
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

Decimal::Decimal(bool negative, QByteArray digits, int scale)
    : m_negative(negative), m_digits(std::move(digits)), m_scale(scale)
{
    normalise();
}

void Decimal::normalise()
{
    while (m_scale > 0 && m_digits.endsWith('0')) {
        m_digits.chop(1);
        --m_scale;
    }
    qsizetype leading = 0;
    while (leading < m_digits.size() && m_digits.at(leading) == '0')
        ++leading;
    m_digits.remove(0, leading);
    if (m_digits.isEmpty()) {
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
    QByteArray left = a.m_digits;
    QByteArray right = b.m_digits;
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
    const int dropped = m_scale - decimals;
    QByteArray digits = QByteArray(m_scale + 2, '0') + m_digits;
    const bool up = digits.at(digits.size() - dropped) >= '5';
    digits.chop(dropped);
    for (qsizetype i = digits.size() - 1; up && i >= 0; --i) {
        if (digits.at(i) != '9') {
            digits[i] = char(digits.at(i) + 1);
            break;
        }
        digits[i] = '0';
    }
    return Decimal(m_negative, digits, decimals);
}

Decimal NumericValue(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isSkipped(text.at(start)))
        ++start;
    const Scan scan = scanNumber(text.sliced(start), true);
    return Decimal(scan.negative, scan.digits, scan.scale);
}

std::optional<Decimal> WholeNumber(QStringView text)
{
    const QStringView number = withoutSkippedEnds(text);
    const Scan scan = scanNumber(number, false);
    if (!scan.digitSeen || scan.end != number.size() || number.back() == u',')
        return std::nullopt;
    return Decimal(scan.negative, scan.digits, scan.scale);
}

QString NumberText(const Decimal &value)
{
    if (value.isZero())
        return QStringLiteral("0");
    QByteArray digits = value.m_digits;
    if (digits.size() <= value.m_scale)
        digits.prepend(QByteArray(value.m_scale - digits.size() + 1, '0'));
    if (value.m_scale > 0)
        digits.insert(digits.size() - value.m_scale, '.');
    if (value.m_negative)
        digits.prepend('-');
    return QString::fromLatin1(digits);
}

QString FixedNumberText(const Decimal &value, int decimals)
{
    const Decimal rounded = value.rounded(decimals);
    QByteArray digits = rounded.m_digits + QByteArray(decimals - rounded.m_scale, '0');
    if (digits.size() <= decimals)
        digits.prepend(QByteArray(decimals - digits.size() + 1, '0'));
    if (decimals > 0)
        digits.insert(digits.size() - decimals, '.');
    if (rounded.m_negative)
        digits.prepend('-');
    return QString::fromLatin1(digits);
}

} // namespace sources
