#include "staging/amounttext.h"

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

} // namespace

bool isZeroAmount(QStringView text)
{
    if (text.trimmed().isEmpty())
        return true;
    const LeadingNumber number = readLeadingNumber(text);
    return number.wholeText && number.anyDigit && !number.anyNonZeroDigit;
}

bool leadingNumberIsPositive(QStringView text)
{
    const LeadingNumber number = readLeadingNumber(text);
    return !number.negative && number.anyNonZeroDigit;
}

} // namespace staging
