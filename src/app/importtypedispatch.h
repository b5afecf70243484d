#pragma once

#include <QString>

#include <optional>

namespace sources {
class ImportWindow;
}

namespace app {

// A posting procedure: it reads the company list and the work grid of the window it is given, posts, writes
// each result into the grid and traps its own errors.
using PostingProcedure = void (*)(sources::ImportWindow &window);

// What the Post dispatch does for an import type: the procedure the import-type table names, and the function
// that is that procedure, or nullptr while the program has none (its keywords then post nothing).
struct PostingRoute
{
    QString procedureName;
    PostingProcedure procedure = nullptr;
};

// The route of the type one of whose keywords equals importType exactly, when the table names a procedure for it.
std::optional<PostingRoute> findPostingRoute(const QString &importType);

// Calls the posting procedure of an upper-case import type, or none; returns whether one ran.
bool ImportTypeDispatch(const QString &importType, sources::ImportWindow &window);

} // namespace app
