#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace sources {
class ImportWindow;
}

namespace app {

// A posting procedure: it reads the company list and the work grid of the window it is given, posts, writes
// each result into the grid and traps its own errors.
using PostingProcedure = void (*)(sources::ImportWindow &window);

// One row of the Post dispatch: the import-type keywords it answers to and the procedure they post with. A
// procedure that is not part of the program yet is named but has no function: its keywords post nothing.
struct PostingRoute
{
    QStringList keywords;
    QString procedureName;
    PostingProcedure procedure = nullptr;
};

// The dispatch table, in the order the keywords are tested.
const QList<PostingRoute> &postingRoutes();

// The route whose keywords hold importType exactly, or nullptr.
const PostingRoute *findPostingRoute(const QString &importType);

// Calls the posting procedure of an upper-case import type, or none; returns whether one ran.
bool ImportTypeDispatch(const QString &importType, sources::ImportWindow &window);

} // namespace app
