#include "sources/readers/value.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace sources {

namespace {

constexpr qint64 msecsPerDay = 86'400'000;
constexpr qint64 julianDayOfEpoch = 2'440'588; // 1970-01-01
constexpr qint64 maxDays = 100'000'000;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 quotient = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? quotient - 1 : quotient;
}

} // namespace

Value Value::date(const QDate &date, const QTime &time)
{
    if (!date.isValid())
        return Value();
    const qint64 day = date.toJulianDay() - julianDayOfEpoch;
    // QDate reaches far beyond what milliseconds in a qint64 can count; no source holds such a date.
    if (day > maxDays || day < -maxDays)
        return Value();
    const qint64 msecs = time.isValid() ? time.msecsSinceStartOfDay() : 0;
    return dateFromMSecs(day * msecsPerDay + msecs);
}

QString Value::exactDigits() const
{
    return m_value.index() == exactIndex ? std::get<exactIndex>(m_value).digits : QString();
}

double Value::exactToDouble() const
{
    const QByteArray digits = std::get<exactIndex>(m_value).digits.toLatin1();
    double result = 0;
    std::from_chars(digits.constData(), digits.constData() + digits.size(), result);
    return result;
}

QDate Value::toDate() const
{
    return QDate::fromJulianDay(floorDiv(dateMSecs(), msecsPerDay) + julianDayOfEpoch);
}

QTime Value::toTime() const
{
    const qint64 msecs = dateMSecs() - floorDiv(dateMSecs(), msecsPerDay) * msecsPerDay;
    return QTime::fromMSecsSinceStartOfDay(int(msecs));
}

QString numberText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0, which the grids should not show with a sign
    // Fixed notation without a precision is the shortest text that reads back to the same double. It needs at
    // most 309 integer digits, or 324 decimals for the smallest doubles, so the buffer always suffices.
    std::array<char, 400> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

QString gridText(const Value &value)
{
    switch (value.type()) {
    case Value::Type::Null:
        return QString();
    case Value::Type::Number: {
        const QString digits = value.exactDigits();
        return digits.isEmpty() ? numberText(value.toNumber()) : digits;
    }
    case Value::Type::Date: {
        const QDate date = value.toDate();
        // Formatted by hand: QDate::toString parses its format on every call, and a sheet holds many dates.
        std::array<char, 16> buffer;
        const int length =
            std::snprintf(buffer.data(), buffer.size(), "%04d%02d%02d", date.year(), date.month(), date.day());
        return QString::fromLatin1(buffer.data(), length);
    }
    case Value::Type::YesNo:
        return value.toYesNo() ? QStringLiteral("Yes") : QStringLiteral("No");
    case Value::Type::Text:
        return value.toText();
    }
    return QString();
}

double singleToDouble(float value)
{
    // The digits in scientific form: the shortest form overall may write a large number in full, and then with
    // the digits of the binary value (-8540981760) rather than the shortest digits that read back as it.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    double result = value;
    std::from_chars(buffer, written.ptr, result);
    return result;
}

} // namespace sources
