#include "sources/readers/numberformats.h"

namespace sources {

namespace {

bool isDatePart(QChar c)
{
    switch (c.toLower().unicode()) {
    case u'd':
    case u'm':
    case u'y':
    case u'h':
    case u's':
        return true;
    default:
        return false;
    }
}

// "[h]", "[mm]", "[ss]": elapsed time.
bool isElapsedTime(QStringView bracketed)
{
    if (bracketed.isEmpty())
        return false;
    const QChar first = bracketed.front().toLower();
    if (first != u'h' && first != u'm' && first != u's')
        return false;
    for (const QChar c : bracketed) {
        if (c.toLower() != first)
            return false;
    }
    return true;
}

} // namespace

bool isBuiltInDateFormat(int index)
{
    // 14 to 22 and 45 to 47 everywhere; 27 to 36 and 50 to 58 are the date formats of East Asian versions.
    return (index >= 14 && index <= 22) || (index >= 27 && index <= 36) || (index >= 45 && index <= 47) ||
           (index >= 50 && index <= 58);
}

bool isDateFormatCode(QStringView code)
{
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            if (end < 0)
                return false;
            i = end;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i; // an escaped character, a space as wide as one, a fill character
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i + 1);
            if (end < 0)
                return false;
            if (isElapsedTime(code.sliced(i + 1, end - i - 1)))
                return true;
            i = end;
        } else if (isDatePart(c)) {
            return true;
        }
    }
    return false;
}

} // namespace sources
