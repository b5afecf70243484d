#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <variant>

namespace sources {

// One typed value read from a source cell or field. Text is kept as the source holds it; every other kind is
// turned into its grid text only when the grids are filled (gridText).
class Value
{
public:
    enum class Type : quint8
    {
        Null,
        Number,
        Date,
        YesNo,
        Text
    };

    Value() = default;

    static Value number(double value) { return Value(Storage(std::in_place_index<1>, value)); }
    // A number whose digits a double cannot hold (a 64-bit integer past 2^53, a decimal of 18 digits), in plain
    // decimal digits with "." and an optional "-". It shows those digits in the grids and is a number wherever
    // else numbers count, by the double nearest to it.
    static Value exactNumber(QString digits)
    {
        return Value(Storage(std::in_place_index<5>, ExactDigits{std::move(digits)}));
    }
    // A date with its time of day, kept to the millisecond; an invalid date, or one more than 270,000 years
    // from 1970, gives null.
    static Value date(const QDate &date, const QTime &time = QTime(0, 0));
    static Value dateFromMSecs(qint64 msecsSinceEpoch)
    {
        return Value(Storage(std::in_place_index<2>, msecsSinceEpoch));
    }
    static Value yesNo(bool value) { return Value(Storage(std::in_place_index<3>, value)); }
    static Value text(QString value) { return Value(Storage(std::in_place_index<4>, std::move(value))); }

    Type type() const { return m_value.index() == exactIndex ? Type::Number : Type(m_value.index()); }
    bool isNull() const { return m_value.index() == 0; }

    double toNumber() const { return m_value.index() == 1 ? std::get<1>(m_value) : exactToDouble(); }
    // The digits of a number made by exactNumber; "" for any other value.
    QString exactDigits() const;
    // Milliseconds from 1970-01-01 00:00 of a date-time without a time zone.
    qint64 dateMSecs() const { return std::get<2>(m_value); }
    QDate toDate() const;
    QTime toTime() const;
    bool toYesNo() const { return std::get<3>(m_value); }
    const QString &toText() const { return std::get<4>(m_value); }
    // The text, moved out; the value is left an empty text.
    QString takeText() { return std::move(std::get<4>(m_value)); }

    friend bool operator==(const Value &, const Value &) = default;

private:
    struct ExactDigits
    {
        QString digits;
        friend bool operator==(const ExactDigits &, const ExactDigits &) = default;
    };
    // The alternatives stay in the order of Type so that the index is the type; exact numbers come last.
    using Storage = std::variant<std::monostate, double, qint64, bool, QString, ExactDigits>;
    static constexpr size_t exactIndex = 5;
    explicit Value(Storage value) : m_value(std::move(value)) {}
    double exactToDouble() const;

    Storage m_value;
};

// The text a value shows in the grids: text as stored; an exact number its digits; other numbers in the shortest form
// that reads back to the same number, with "." and neither grouping nor exponent (1500.5, 12, -0.25, 1e21 in full
// digits); dates as YYYYMMDD whatever their time of day; Yes/No fields as "Yes"/"No"; null as "".
QString gridText(const Value &value);

// The number text used by gridText.
QString numberText(double value);

// A single-precision field value as the number its own shortest text reads (1.1, not 1.10000002384), the way
// database engines show such fields.
double singleToDouble(float value);

} // namespace sources
