#include "sources/readers/sourcereader.h"

#include "sources/readers/accessreader.h"
#include "sources/readers/odbcreader.h"
#include "sources/readers/textfolderreader.h"
#include "sources/readers/workbookreader.h"

#include <QFileInfo>

namespace sources {

std::unique_ptr<SourceReader> openSource(const SourceSpec &spec)
{
    switch (spec.kind) {
    case SourceKind::Workbook:
        return std::make_unique<WorkbookReader>(spec.location);
    case SourceKind::TextFolder:
        return std::make_unique<TextFolderReader>(spec.location);
    case SourceKind::Access:
        return std::make_unique<AccessReader>(spec.location, spec.password);
    case SourceKind::Odbc:
        return std::make_unique<OdbcReader>(spec.location, spec.user, spec.password);
    }
    return nullptr;
}

QString textTableName(const QString &filePath)
{
    return QFileInfo(filePath).fileName();
}

QString textFolder(const QString &filePath)
{
    return QFileInfo(filePath).absolutePath();
}

} // namespace sources
