#include "sources/databaseloader.h"

#include "sources/importtypes.h"
#include "sources/importwindow.h"
#include "sources/registermap.h"
#include "sources/sourceconnection.h"

namespace sources {

namespace {

using loading::LoadEnd;

LoadEnd loadFromDatabase(ImportWindow &window, const QString &importType, const SourceSpec &spec)
{
    const QString listText = window.importTypeText().toUpper();
    const LoadRoute route = loadRoute(listText);
    if (route == LoadRoute::Placeholder)
        return LoadEnd::Empty;
    if (route == LoadRoute::Unknown)
        return loading::reportUnknownType(window, importType);

    const std::unique_ptr<SourceReader> source = connectSource(spec);
    if (route == LoadRoute::Register)
        return loading::loadRegister(window, *source, importType, loading::databaseProfile);

    // Tables come before views in the listing, so a view counts only when no table matched.
    const std::optional<QString> table = loading::findTable(source->tables(), importType);
    if (!table)
        return LoadEnd::Empty;
    return loading::loadTable(window, *source, *table, importType, listText, loading::databaseProfile);
}

} // namespace

void LoadAccessData(ImportWindow &window, const QString &importType, const QString &userName, const QString &password)
{
    Q_UNUSED(userName) // a database password is all an Access file asks for
    loading::runLoad(window, QStringLiteral("F01-0004"), [&] {
        return loadFromDatabase(window, importType, accessSource(window.sourceText(SourceBox::txtMdbPath), password));
    });
}

void LoadODBCData(ImportWindow &window, const QString &importType, const QString &dataSourceName,
                  const QString &userName, const QString &password)
{
    loading::runLoad(window, QStringLiteral("F01-0006"), [&] {
        return loadFromDatabase(window, importType, odbcSource(dataSourceName, userName, password));
    });
}

} // namespace sources
