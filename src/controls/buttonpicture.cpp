#include "controls/buttonpicture.h"

#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

namespace controls {

ButtonPicture ButtonPicture::bitmap(const QImage &image, const QString &source)
{
    ButtonPicture picture;
    if (image.isNull())
        return picture;
    picture.m_kind = Kind::Bitmap;
    picture.m_image = image.convertToFormat(QImage::Format_RGB32);
    picture.m_size = image.size();
    picture.m_source = source;
    return picture;
}

ButtonPicture ButtonPicture::icon(const QIcon &icon, QSize size, const QString &source)
{
    ButtonPicture picture;
    if (icon.isNull())
        return picture;
    picture.m_kind = Kind::Icon;
    picture.m_icon = icon;
    picture.m_size = size.isValid() ? size : QSize(0, 0);
    picture.m_source = source;
    return picture;
}

ButtonPicture ButtonPicture::fromFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("svg")) {
        const QSvgRenderer renderer(path);
        if (!renderer.isValid())
            return {};
        return icon(QIcon(path), renderer.defaultSize(), path);
    }
    if (suffix == QLatin1String("ico") || suffix == QLatin1String("cur")) {
        const QImage image(path);
        return image.isNull() ? ButtonPicture() : icon(QIcon(path), image.size(), path);
    }
    return bitmap(QImage(path), path);
}

QImage ButtonPicture::rendered(QSize size) const
{
    if (m_kind == Kind::Bitmap)
        return m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (m_kind == Kind::Icon) {
        QPainter painter(&image);
        m_icon.paint(&painter, QRect(QPoint(0, 0), size));
    }
    return image;
}

bool ButtonPicture::operator==(const ButtonPicture &other) const
{
    return m_kind == other.m_kind && m_size == other.m_size && m_source == other.m_source && m_image == other.m_image &&
           m_icon.cacheKey() == other.m_icon.cacheKey();
}

} // namespace controls
