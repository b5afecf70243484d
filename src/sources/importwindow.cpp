#include "sources/importwindow.h"

namespace sources {

QString ImportWindow::sourceText(SourceBox) const
{
    return QString();
}

void ImportWindow::setSourceText(SourceBox, const QString &) {}

QString ImportWindow::selectedSourceKey() const
{
    return QString();
}

QStringList ImportWindow::importTypeEntries() const
{
    return {};
}

void ImportWindow::clearImportTypes() {}

void ImportWindow::addImportType(const QString &, const QString &) {}

bool ImportWindow::selectImportType(const QString &)
{
    return false;
}

QString ImportWindow::importTypeSourceFile() const
{
    return QString();
}

void ImportWindow::runStopped(const QString &, bool) {}

} // namespace sources
