#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace controls {

// What the button's Picture and MouseIcon hold: a bitmap (any raster image) or an icon (drawn at any size),
// with the file or resource it came from so that a saved design can name it again.
class ButtonPicture
{
public:
    enum class Kind
    {
        None,
        Bitmap,
        Icon
    };

    ButtonPicture() = default;
    static ButtonPicture bitmap(const QImage &image, const QString &source = QString());
    static ButtonPicture icon(const QIcon &icon, QSize size, const QString &source = QString());
    // An .svg, .ico or .cur file is an icon, any other image file a bitmap; a file that cannot be read
    // gives no picture.
    static ButtonPicture fromFile(const QString &path);

    bool isNull() const { return m_kind == Kind::None; }
    Kind kind() const { return m_kind; }
    // The size the picture measures: the bitmap's pixels or the icon's own size (0 x 0 when it has none).
    QSize size() const { return m_size; }
    const QImage &image() const { return m_image; }
    const QIcon &iconImage() const { return m_icon; }
    QString source() const { return m_source; }
    // The picture rendered at a size: a bitmap scaled, an icon drawn at that size.
    QImage rendered(QSize size) const;

    bool operator==(const ButtonPicture &other) const;

private:
    Kind m_kind = Kind::None;
    QSize m_size;
    QImage m_image;
    QIcon m_icon;
    QString m_source;
};

} // namespace controls
