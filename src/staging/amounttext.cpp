#include "staging/amounttext.h"

#include <optional>

namespace staging {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// What reading the number at the start of a text found.
struct LeadingNumber
{
    bool negative = false;
    bool anyDigit = false;
    bool anyNonZeroDigit = false;
    bool wholeText = false; // nothing but blanks after the number
};

LeadingNumber readLeadingNumber(QStringView text)
{
    LeadingNumber number;
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text.at(i)))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        number.negative = text.at(i) == u'-';
        ++i;
    }
    bool pointSeen = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isBlank(c))
            continue;
        if (isDigit(c)) {
            number.anyDigit = true;
            number.anyNonZeroDigit = number.anyNonZeroDigit || c != u'0';
        } else if (c == u'.' && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
    }
    number.wholeText = i == text.size();
    return number;
}

bool isPlainZero(QStringView text)
{
    if (text.trimmed().isEmpty())
        return true;
    const LeadingNumber number = readLeadingNumber(text);
    return number.wholeText && number.anyDigit && !number.anyNonZeroDigit;
}

// The voucher currency's amount of a two-currency text, "[-]<currency><amount> @ <base><rate>/<currency> = ...";
// none for any other text.
std::optional<QStringView> twoCurrencyAmount(QStringView text)
{
    const qsizetype at = text.indexOf(u" @ ");
    if (at < 0)
        return std::nullopt;
    const qsizetype equals = text.indexOf(u" = ", at);
    if (equals < 0)
        return std::nullopt;
    const QStringView rate = text.sliced(at + 3, equals - at - 3);
    const qsizetype slash = rate.lastIndexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    const QStringView currency = rate.sliced(slash + 1);
    QStringView amount = text.first(at);
    if (amount.startsWith(u'-'))
        amount = amount.sliced(1);
    if (!amount.startsWith(currency))
        return std::nullopt;
    return amount.sliced(currency.size());
}

} // namespace

bool isZeroAmount(QStringView text)
{
    if (isPlainZero(text))
        return true;
    const std::optional<QStringView> amount = twoCurrencyAmount(text);
    return amount && !amount->trimmed().isEmpty() && isPlainZero(*amount);
}

bool leadingNumberIsPositive(QStringView text)
{
    const LeadingNumber number = readLeadingNumber(text);
    return !number.negative && number.anyNonZeroDigit;
}

} // namespace staging
