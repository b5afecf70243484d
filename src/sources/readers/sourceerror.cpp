#include "sources/readers/sourceerror.h"

#include "errors/errortrap.h"

namespace sources {

void raiseSourceError(qint32 number, const QString &description, const QString &reader)
{
    throw errors::RuntimeError(number, description, reader);
}

QString noValueGivenMessage()
{
    return QStringLiteral("No value given for one or more required parameters.");
}

QString fileNotFoundMessage(const QString &path)
{
    return QStringLiteral("Could not find file '") + path + QStringLiteral("'.");
}

QString tableNotFoundMessage(const QString &name)
{
    return QStringLiteral("Could not find the table or query '") + name +
           QStringLiteral("'. Make sure it exists and that its name is spelled correctly.");
}

} // namespace sources
