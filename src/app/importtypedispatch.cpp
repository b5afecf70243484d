#include "app/importtypedispatch.h"

#include "masters/masterposting.h"
#include "vouchers/voucherposting.h"

#include <span>

namespace app {

namespace {

sources::PostingProcedure findIn(std::span<const sources::PostingHandler> handlers, QLatin1String keyword)
{
    for (const sources::PostingHandler &handler : handlers) {
        if (handler.keyword == keyword)
            return handler.post;
    }
    return nullptr;
}

} // namespace

sources::PostingProcedure findPostingProcedure(const QString &importType)
{
    const sources::ImportType *type = sources::findImportType(importType);
    if (!type)
        return nullptr;
    const QLatin1String keyword = type->keywords.front().text;
    if (const sources::PostingProcedure post = findIn(masters::masterHandlers, keyword))
        return post;
    return findIn(vouchers::voucherHandlers, keyword);
}

bool ImportTypeDispatch(const QString &importType, sources::ImportWindow &window)
{
    const sources::PostingProcedure post = findPostingProcedure(importType);
    if (!post)
        return false;
    post(window);
    return true;
}

} // namespace app
