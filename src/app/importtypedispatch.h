#pragma once

#include "sources/importtypes.h"

#include <QString>

namespace app {

// The procedure that posts the import type one of whose keywords equals importType exactly: the one the masters'
// or the vouchers' table names under the type's first keyword; nullptr when no procedure posts the type.
sources::PostingProcedure findPostingProcedure(const QString &importType);

// Calls the posting procedure of an upper-case import type, or none; returns whether one ran.
bool ImportTypeDispatch(const QString &importType, sources::ImportWindow &window);

} // namespace app
