#include "masters/numbertext.h"

#include <algorithm>

namespace masters {

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

Decimal NumericValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype length = text.size();
    auto skip = [&] {
        while (i < length && isSkipped(text.at(i)))
            ++i;
    };

    skip();
    bool negative = false;
    if (i < length && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }

    QByteArray digits;
    int scale = 0;
    bool integerDigitSeen = false;
    bool pointSeen = false;
    for (; i < length; ++i) {
        const QChar c = text.at(i);
        if (isSkipped(c))
            continue;
        if (isDigit(c)) {
            digits.append(char(c.unicode()));
            if (pointSeen)
                ++scale;
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
    return Decimal(negative, digits, scale);
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

} // namespace masters
