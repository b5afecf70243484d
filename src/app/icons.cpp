#include "app/icons.h"

#include <QString>

// The icons and the window's saved design are compiled into this static library; the linker keeps them only when
// someone asks for them.
static void initIconResources()
{
    Q_INIT_RESOURCE(pelko);
}

namespace app::icons {

namespace {

QIcon resourceIcon(const char *name)
{
    ensureResources();
    return QIcon(QStringLiteral(":/pelko/icons/") + QLatin1String(name) + QStringLiteral(".svg"));
}

} // namespace

void ensureResources()
{
    static const bool initialised = [] {
        initIconResources();
        return true;
    }();
    Q_UNUSED(initialised);
}

QIcon refresh()
{
    return resourceIcon("refresh");
}

QIcon post()
{
    return resourceIcon("post");
}

QIcon close()
{
    return resourceIcon("close");
}

QIcon openFolder()
{
    return resourceIcon("openfolder");
}

QIcon connect()
{
    return resourceIcon("connect");
}

QIcon logo()
{
    return resourceIcon("logo");
}

const QList<QIcon> &ilsIcons()
{
    static const QList<QIcon> images = {resourceIcon("statusdone"), resourceIcon("statusfailed"),
                                        resourceIcon("statuschanged"), resourceIcon("statusunknown")};
    return images;
}

QIcon statusImage(int index)
{
    const QList<QIcon> &images = ilsIcons();
    return index >= 0 && index < images.size() ? images.at(index) : QIcon();
}

} // namespace app::icons
