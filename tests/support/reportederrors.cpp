#include "support/reportederrors.h"

#include "support/scriptedprompter.h"

#include <QRegularExpression>

namespace testsupport {

namespace {

const QRegularExpression &locationLine()
{
    static const QRegularExpression location(QStringLiteral("=> LOCATION CODE: (\\S+)\\(\\)"));
    return location;
}

} // namespace

QStringList reportedErrors(const ScriptedPrompter &prompter)
{
    static const QRegularExpression number(QStringLiteral("^Pelko 1\\.0 Error = (-?\\d+)$"));
    QStringList reported;
    for (const ScriptedPrompter::Box &box : prompter.boxes()) {
        const QRegularExpressionMatch title = number.match(box.title);
        if (title.hasMatch())
            reported.append(locationLine().match(box.prompt).captured(1) + QLatin1Char(' ') + title.captured(1));
        else
            reported.append(QStringLiteral("box [") + box.title + QStringLiteral("] ") + box.prompt);
    }
    return reported;
}

QStringList reportedLocations(const ScriptedPrompter &prompter)
{
    QStringList locations;
    for (const QString &error : reportedErrors(prompter))
        locations.append(error.section(QLatin1Char(' '), 0, 0));
    return locations;
}

QString reportedError(const QString &location, qint32 number)
{
    return location + QLatin1Char(' ') + QString::number(number);
}

QStringList loggedLocations(const QString &log)
{
    QStringList locations;
    QRegularExpressionMatchIterator entries = locationLine().globalMatch(log);
    while (entries.hasNext())
        locations.append(entries.next().captured(1));
    return locations;
}

} // namespace testsupport
