#pragma once

#include "support/scriptedprompter.h"

#include <QRegularExpression>
#include <QStringList>

namespace tallytest {

// The errors the trap reported so far, one "<location code> <error number>" per error box, so that a test
// states in one line which procedure failed and why.
inline QStringList reportedErrors(const testsupport::ScriptedPrompter &prompter)
{
    static const QRegularExpression location(QStringLiteral("=> LOCATION CODE: (\\S+)\\(\\)"));
    static const QRegularExpression number(QStringLiteral("Error = (-?\\d+)$"));
    QStringList reported;
    for (const auto &box : prompter.boxes()) {
        reported.append(location.match(box.prompt).captured(1) + QLatin1Char(' ') +
                        number.match(box.title).captured(1));
    }
    return reported;
}

inline QString reportedError(const char *location, qint32 number)
{
    return QString::fromLatin1(location) + QLatin1Char(' ') + QString::number(number);
}

} // namespace tallytest
