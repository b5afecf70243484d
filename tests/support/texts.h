#pragma once

#include <QStringList>

#include <initializer_list>

namespace testsupport {

// A list of texts written as UTF-8 literals, for expected values in tests.
inline QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << QString::fromUtf8(text);
    return list;
}

} // namespace testsupport
