#include "sources/sourceconnection.h"

#include <QFileInfo>

namespace sources {

namespace {

SourceConnector &installedConnector()
{
    static SourceConnector connector;
    return connector;
}

} // namespace

SourceSpec workbookSource(const QString &path)
{
    return {SourceKind::Workbook, path, QString(), QString()};
}

SourceSpec textFileSource(const QString &path)
{
    return {SourceKind::TextFolder, textFolder(path), QString(), QString()};
}

SourceSpec accessSource(const QString &path, const QString &password)
{
    return {SourceKind::Access, path, QString(), password};
}

SourceSpec odbcSource(const QString &dataSourceName, const QString &user, const QString &password)
{
    return {SourceKind::Odbc, dataSourceName, user, password};
}

std::unique_ptr<SourceReader> connectSource(const SourceSpec &spec)
{
    const SourceConnector &connector = installedConnector();
    return connector ? connector(spec) : openSource(spec);
}

SourceConnectorOverride::SourceConnectorOverride(SourceConnector connector)
    : m_previous(std::exchange(installedConnector(), std::move(connector)))
{}

SourceConnectorOverride::~SourceConnectorOverride()
{
    installedConnector() = std::move(m_previous);
}

QString directoryLookup(const QString &path)
{
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return QString();
    return info.fileName();
}

} // namespace sources
