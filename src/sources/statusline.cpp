#include "sources/statusline.h"

namespace sources {

QString statusLineText(const QString &msg)
{
    if (msg.isEmpty())
        return {};
    return msg + QLatin1String(".........");
}

} // namespace sources
