#pragma once

#include <QString>
#include <QStringList>

namespace testsupport {

class ScriptedPrompter;

// The errors the trap reported so far, one "<location code> <error number>" per error box, so that a test
// states in one line which procedure failed and why. Any other box shows as "box [<title>] <prompt>".
QStringList reportedErrors(const ScriptedPrompter &prompter);
QString reportedError(const QString &location, qint32 number);
inline QString reportedError(const char *location, qint32 number)
{
    return reportedError(QString::fromLatin1(location), number);
}

// Only the location codes of the error boxes, for errors whose number the platform decides.
QStringList reportedLocations(const ScriptedPrompter &prompter);

// The location codes of the entries of an error log's text, in order.
QStringList loggedLocations(const QString &log);

} // namespace testsupport
