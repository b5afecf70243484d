#pragma once

#include "sources/readers/sourcereader.h"

#include <functional>
#include <memory>

namespace sources {

// SourceConnectionString: how each kind of source is named when it is opened, for listing and loading alike.
// Paths, passwords and names are passed on exactly as typed; the readers quote what they hand to a driver.

// An Excel workbook: the path.
SourceSpec workbookSource(const QString &path);
// A text or CSV file: the folder it lies in; each text or CSV file there is one table.
SourceSpec textFileSource(const QString &path);
// An Access database; an empty password opens it without one, and a password of blanks is a password.
SourceSpec accessSource(const QString &path, const QString &password);
// An ODBC data source with the user name and password of its login.
SourceSpec odbcSource(const QString &dataSourceName, const QString &user, const QString &password);

// Opens a source for a listing or a load. Raises errors::RuntimeError when it cannot be opened.
std::unique_ptr<SourceReader> connectSource(const SourceSpec &spec);

using SourceConnector = std::function<std::unique_ptr<SourceReader>(const SourceSpec &spec)>;

// Opens sources through another connector for the object's lifetime; tests use it to hand the listings and
// loaders a source of their own. Overrides nest.
class SourceConnectorOverride final
{
public:
    explicit SourceConnectorOverride(SourceConnector connector);
    ~SourceConnectorOverride();
    Q_DISABLE_COPY_MOVE(SourceConnectorOverride)

private:
    SourceConnector m_previous;
};

// The directory lookup of a path: the name of the file found there, without its folder, or "" when no file is
// there. Folders and hidden files count as absent.
QString directoryLookup(const QString &path);

} // namespace sources
