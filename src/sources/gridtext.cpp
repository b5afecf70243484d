#include "sources/gridtext.h"

namespace sources {

QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return first == 0 && last == text.size() ? text : text.mid(first, last - first);
}

bool isBlank(const QString &text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

QString fieldKey(const QString &name)
{
    return trimSpaces(name).toUpper();
}

} // namespace sources
