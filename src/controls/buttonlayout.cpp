#include "controls/buttonhost.h"
#include "controls/ctlbutton.h"

#include <QPainter>

#include <cstdlib>

namespace controls {

using namespace ButtonState;

namespace {

// Components within this distance of the transparent colour count as transparent.
constexpr int TransparentTolerance = 3;

bool nearColour(QRgb pixel, QRgb transparent)
{
    return std::abs(qRed(pixel) - qRed(transparent)) <= TransparentTolerance &&
           std::abs(qGreen(pixel) - qGreen(transparent)) <= TransparentTolerance &&
           std::abs(qBlue(pixel) - qBlue(transparent)) <= TransparentTolerance;
}

Rect clampedToFace(Rect rect, int left, int right, int height)
{
    rect.top = qMax(rect.top, 4);
    rect.left = qMax(rect.left, left + 4);
    rect.right = qMin(rect.right, right - 4);
    if (height - 5 < rect.bottom)
        rect.bottom = height - 5;
    return rect;
}

} // namespace

void ctlButton::measurePicture()
{
    if (m_picture.isNull()) {
        m_scaledPicture.reset();
        m_pictureWidth = m_pictureHeight = 0;
        return;
    }
    const QSize size = m_picture.size();
    if (m_picture.kind() == ButtonPicture::Kind::Bitmap) {
        m_pictureIsIcon = false;
    } else if (size.width() > 0 && size.height() > 0) {
        m_pictureIsIcon = true;
    }
    m_pictureWidth = size.width();
    m_pictureHeight = size.height();
}

QSize ctlButton::FitPictureSize(int boxWidth, int boxHeight) const
{
    // A picture that measures nothing fits nowhere: it is treated as no picture.
    if (m_pictureWidth <= 0 || m_pictureHeight <= 0)
        return {0, 0};
    const double scale = qMin(double(boxWidth) / double(m_pictureWidth), double(boxHeight) / double(m_pictureHeight));
    return {rounded(m_pictureWidth * scale), rounded(m_pictureHeight * scale)};
}

void ctlButton::LayoutCaptionAndPicture(bool rebuildPicture)
{
    const int width = scaleWidth();
    const int height = scaleHeight();
    int left = 0;
    int right = width;
    int room = m_shapeRight;
    switch (m_buttonShape) {
    case 1:
        left = m_shapeLeft - m_shapeLeft / 3 + 3;
        room = width - left;
        break;
    case 2:
        right = (width - m_shapeRight) / 3 + m_shapeRight;
        room = right;
        break;
    case 3:
        left = m_shapeLeft - m_shapeLeft / 3 + 3;
        right = (width - m_shapeRight) / 3 + m_shapeRight;
        room = right - left;
        break;
    case 7:
    case 8:
        left = 3;
        right = room = m_shapeRight - 3;
        break;
    default:
        break;
    }

    const int box = m_pictureBoxSize;
    const bool hasPicture = m_pictureWidth + m_pictureHeight > 0;
    int pl = 0, pr = 0, pt = 0, pb = 0;
    if (hasPicture && box <= 32) {
        if (m_pictureAlign <= 1)
            pl = box;
        else if (m_pictureAlign <= 3)
            pr = box;
        else if (m_pictureAlign == 4)
            pt = box;
        else
            pb = box;
    }

    int tw = 0;
    int th = 0;
    if (!m_caption.isEmpty()) {
        QString shown = m_caption;
        shown.replace(QLatin1String("||"), QLatin1String("\n"));
        const QSize measured = m_buffer.measureText(room - 8 - pl - pr, height - 8 - pt - pb, shown);
        const int grow = m_captionStyle != 0 ? 2 : 0;
        tw = measured.width() + grow;
        th = measured.height() + grow;
    }

    Rect caption{0, 0, tw, th};
    int dx = 0;
    if (m_captionAlign == 2) {
        if (m_pictureAlign == 1 && pl > 0)
            dx = (room - (tw + pl + 4)) / 2 + left + 4 + pl;
        else if (m_pictureAlign == 3 && pr > 0)
            dx = (room - (tw + pr + 4)) / 2 + left;
        else
            dx = (room - (pr + pl) - tw) / 2 + left + pl;
    } else if (m_captionAlign == 1) {
        dx = right - pr - 4 - tw - (pr > 0 ? 4 : 0);
    } else {
        dx = pl + left + 4 + (pl > 0 ? 4 : 0);
    }
    caption = caption.translated(dx, 0);

    Rect picture;
    if (hasPicture) {
        int px = 0;
        int py = 0;
        switch (m_pictureAlign) {
        case 0:
            px = left + 4;
            break;
        case 1:
            px = m_caption.isEmpty() ? left + 4 : caption.left - 4 - pl;
            break;
        case 2:
            px = right - 4 - pr;
            break;
        case 3:
            px = m_caption.isEmpty() ? right - 4 - pr : caption.right + 4;
            break;
        default:
            px = (room - box) / 2 + left;
            break;
        }
        if (m_pictureAlign <= 3) {
            caption = caption.translated(0, (height - th) / 2);
            py = (height - box) / 2;
        } else if (m_pictureAlign == 4) {
            py = (height - (th + pt)) / 2;
            caption = caption.translated(0, py + 2 + pt);
        } else {
            py = (height - (th + pb)) / 2 + th + 4;
            caption = caption.translated(0, py - 2 - th);
        }
        picture = {px, py, px + box, py + box};
    } else {
        caption = caption.translated(0, (height - th) / 2);
    }
    m_captionRect = clampedToFace(caption, left, right, height);

    if (box <= 32) {
        m_pictureRect = clampedToFace(picture, left, right, height);
    } else if (box == 40) {
        m_pictureRect = m_buttonShape == 6 ? Rect{1, 1, width - 1, height - 1} : Rect{3, 3, width - 3, height - 3};
        rebuildPicture = true;
    } else if (m_buttonShape >= 7) {
        m_pictureRect = {0, 0, width, height};
    } else if (hasPicture) {
        const QSize fitted = FitPictureSize(room - 12, height - 12);
        const int px = (room - fitted.width()) / 2 + left;
        const int py = (height - fitted.height()) / 2;
        m_pictureRect = {px, py, px + fitted.width(), py + fitted.height()};
        rebuildPicture = true;
    }
    if (rebuildPicture)
        PreparePictureImage(m_pictureRect.width(), m_pictureRect.height(), nullptr);
}

void ctlButton::PreparePictureImage(int width, int height, QRegion *region)
{
    if (m_picture.isNull())
        return;
    m_scaledPicture.reset();
    if (m_pictureIsIcon || width <= 0 || height <= 0)
        return;
    QImage scaled = m_picture.rendered(QSize(width, height));
    const QRgb transparent = scaled.pixel(0, 0);
    if (region) {
        const QRegion whole(0, 0, scaleWidth(), scaleHeight());
        m_innerRegion1 = whole;
        m_innerRegion2 = whole;
    }
    for (int y = 0; y < height; ++y) {
        int runStart = -1;
        for (int x = 0; x <= width; ++x) {
            const bool match = x < width && nearColour(scaled.pixel(x, y), transparent);
            if (match) {
                scaled.setPixel(x, y, transparent);
                if (runStart < 0)
                    runStart = x;
                continue;
            }
            if (runStart >= 0 && region) {
                const QRect run(runStart, y, x - runStart, 1);
                *region -= run;
                *m_innerRegion1 -= run.adjusted(-1, -1, 1, 1);
                *m_innerRegion2 -= run.adjusted(-2, -2, 2, 2);
            }
            runStart = -1;
        }
    }
    m_scaledPicture = scaled;
}

void ctlButton::DrawPicture(Rect rect)
{
    if (m_pictureWidth + m_pictureHeight < 1)
        return;
    if (!m_scaledPicture && !m_pictureIsIcon)
        PreparePictureImage(rect.width(), rect.height(), nullptr);
    if (m_buttonShape >= 7) {
        rect = {0, 0, scaleWidth(), scaleHeight()};
        if (showsPressed())
            rect = {1, 1, rect.right - 1, rect.bottom - 1};
    }
    if (rect.width() <= 0 || rect.height() <= 0)
        return;

    QImage drawn;
    if (m_pictureIsIcon) {
        drawn = m_picture.rendered(QSize(rect.width(), rect.height()));
    } else if (m_scaledPicture) {
        // The bitmap's pixel (0,0) colour is transparent; the picture fills the rectangle, stretched to it
        // (a pressed custom shape draws it one pixel smaller on every side).
        const QImage stretched =
            m_scaledPicture->scaled(rect.width(), rect.height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QRgb transparent = m_scaledPicture->pixel(0, 0);
        drawn = QImage(stretched.size(), QImage::Format_ARGB32);
        for (int y = 0; y < stretched.height(); ++y) {
            for (int x = 0; x < stretched.width(); ++x) {
                const QRgb pixel = stretched.pixel(x, y);
                drawn.setPixel(x, y, (pixel & 0xFFFFFFU) == (transparent & 0xFFFFFFU) ? 0U : (pixel | 0xFF000000U));
            }
        }
    }
    if (drawn.isNull())
        return;
    if (m_host.Enabled()) {
        m_buffer.drawImage(QPoint(rect.left, rect.top), drawn);
        return;
    }
    // Disabled: drawn on white and reduced to black and white, so the picture shows as a silhouette:
    // where it is white (or transparent) the face stays, elsewhere the grey shows.
    QImage white(rect.width(), rect.height(), QImage::Format_RGB32);
    white.fill(Qt::white);
    {
        QPainter painter(&white);
        painter.drawImage(0, 0, drawn);
    }
    const quint32 brush = toQRgb(Colour::Grey);
    for (int y = 0; y < white.height(); ++y) {
        for (int x = 0; x < white.width(); ++x) {
            const OleColour face = m_buffer.pixel(rect.left + x, rect.top + y);
            if (face == Colour::None)
                continue;
            const quint32 source = (white.pixel(x, y) & 0xFFFFFFU) == 0xFFFFFFU ? 0xFFFFFFU : 0U;
            const quint32 destination = toQRgb(face) & 0xFFFFFFU;
            m_buffer.setPixel(rect.left + x, rect.top + y,
                              fromQRgb((source & destination) | (~source & brush & 0xFFFFFFU)));
        }
    }
}

} // namespace controls
