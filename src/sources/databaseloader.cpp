#include "sources/databaseloader.h"

#include "sources/importwindow.h"
#include "sources/loadsteps.h"
#include "sources/sourceconnection.h"

namespace sources {

void LoadAccessData(ImportWindow &window, const QString &importType, const QString &userName, const QString &password)
{
    Q_UNUSED(userName) // a database password is all an Access file asks for
    loading::runLoad(window, QStringLiteral("F01-0004"), [&] {
        // A database names its tables plainly, so the import type itself is the name wanted.
        return loading::loadSource(window, importType, accessSource(window.sourceText(SourceBox::txtMdbPath), password),
                                   importType, loading::databaseProfile);
    });
}

void LoadODBCData(ImportWindow &window, const QString &importType, const QString &dataSourceName,
                  const QString &userName, const QString &password)
{
    loading::runLoad(window, QStringLiteral("F01-0006"), [&] {
        return loading::loadSource(window, importType, odbcSource(dataSourceName, userName, password), importType,
                                   loading::databaseProfile);
    });
}

} // namespace sources
