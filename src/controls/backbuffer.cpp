#include "controls/backbuffer.h"

#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace controls {

int rounded(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
        return int(floor) + 1;
    return int(floor);
}

namespace {

// Linear steps from one colour to another, single precision as the bands were always measured.
std::vector<OleColour> BuildGradientColors(int count, OleColour colour1, OleColour colour2)
{
    std::vector<OleColour> colours;
    if (count < 1)
        return colours;
    colours.push_back(colour1);
    const int u = count - 1;
    float r = float(colour1 & 0xFF);
    float g = float((colour1 >> 8) & 0xFF);
    float b = float((colour1 >> 16) & 0xFF);
    const float stepR = (float(colour2 & 0xFF) - r) / float(qMax(u, 1));
    const float stepG = (float((colour2 >> 8) & 0xFF) - g) / float(qMax(u, 1));
    const float stepB = (float((colour2 >> 16) & 0xFF) - b) / float(qMax(u, 1));
    for (int i = 1; i <= u; ++i) {
        r = qBound(0.0f, r + stepR, 255.0f);
        g = qBound(0.0f, g + stepG, 255.0f);
        b = qBound(0.0f, b + stepB, 255.0f);
        colours.push_back(RGB(int(r), int(g), int(b)));
    }
    return colours;
}

constexpr int textFlags(int alignment)
{
    return Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::AlignTop | alignment;
}

} // namespace

void BackBuffer::create(int width, int height)
{
    m_image = QImage(qMax(width, 1), qMax(height, 1), QImage::Format_RGB32);
    m_image.fill(toQRgb(Colour::Black));
}

void BackBuffer::selectPen(OleColour colour, int style)
{
    m_penColour = colour;
    m_penStyle = style;
}

bool BackBuffer::visible(int x, int y) const
{
    return x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height() &&
           (m_clip.isNull() || m_clip.contains(QPoint(x, y)));
}

OleColour BackBuffer::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return Colour::None;
    return fromQRgb(m_image.pixel(x, y));
}

void BackBuffer::setPixel(int x, int y, OleColour colour)
{
    if (visible(x, y))
        m_image.setPixel(x, y, toQRgb(colour));
}

void BackBuffer::invertPixel(int x, int y)
{
    if (visible(x, y))
        m_image.setPixel(x, y, m_image.pixel(x, y) ^ 0x00FFFFFFU);
}

void BackBuffer::beginPainter(QPainter &painter)
{
    painter.begin(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!m_clip.isNull())
        painter.setClipRegion(m_clip);
}

void BackBuffer::fillRect(const Rect &rect, OleColour colour)
{
    if (rect.width() > 0 && rect.height() > 0 && exists()) {
        QPainter painter;
        beginPainter(painter);
        painter.fillRect(rect.toQRect(), QColor(toQRgb(colour)));
    }
    selectPen(colour);
}

void BackBuffer::line(QPoint from, QPoint to)
{
    // Bresenham's walk; the end point is left out, as a polyline leaves out its last point.
    int x = from.x();
    int y = from.y();
    const int dx = std::abs(to.x() - x);
    const int dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1;
    const int sy = y < to.y() ? 1 : -1;
    int error = dx + dy;
    for (int step = 0; x != to.x() || y != to.y(); ++step) {
        if (m_penStyle != PenStyle::Dot || step % 2 == 0)
            setPixel(x, y, m_penColour);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void BackBuffer::focusRect(const Rect &rect)
{
    const auto dot = [this](int x, int y) {
        if ((x + y) % 2 == 0)
            invertPixel(x, y);
    };
    for (int x = rect.left; x < rect.right; ++x) {
        dot(x, rect.top);
        if (rect.bottom - 1 > rect.top)
            dot(x, rect.bottom - 1);
    }
    for (int y = rect.top + 1; y < rect.bottom - 1; ++y) {
        dot(rect.left, y);
        if (rect.right - 1 > rect.left)
            dot(rect.right - 1, y);
    }
}

void BackBuffer::frameRegion(const QRegion &region, OleColour colour, bool dotted)
{
    const QRegion inner = region & region.translated(1, 0) & region.translated(-1, 0) & region.translated(0, 1) &
                          region.translated(0, -1);
    for (const QRect &band : region - inner) {
        for (int y = band.top(); y <= band.bottom(); ++y) {
            for (int x = band.left(); x <= band.right(); ++x) {
                if (!dotted || (x + y) % 2 == 0)
                    setPixel(x, y, colour);
            }
        }
    }
}

void BackBuffer::drawText(const Rect &rect, int alignment, const QString &text, OleColour colour)
{
    if (!exists())
        return;
    QPainter painter;
    beginPainter(painter);
    painter.setFont(m_font);
    painter.setPen(QColor(toQRgb(colour)));
    painter.drawText(rect.toQRect(), textFlags(alignment), text);
}

QSize BackBuffer::measureText(int width, int height, const QString &text) const
{
    const QFontMetrics metrics(m_font);
    return metrics.boundingRect(QRect(0, 0, qMax(width, 0), qMax(height, 0)), textFlags(Qt::AlignLeft), text).size();
}

void BackBuffer::drawImage(QPoint at, const QImage &image)
{
    if (!exists())
        return;
    QPainter painter;
    beginPainter(painter);
    painter.drawImage(at, image);
}

void fillGradient(BackBuffer &buffer, int mode, int screenExtent, OleColour colour1, OleColour colour2)
{
    const bool horizontal = mode == 1 || mode == 2;
    const int width = buffer.width();
    const int height = buffer.height();
    const int extent = horizontal ? width : height;
    const int ratio = extent > 0 ? screenExtent / extent : 0;
    const int band = ratio >= 4 ? 1 : 2;
    const int count = band == 1 ? extent : extent / 2;
    const std::vector<OleColour> colours = BuildGradientColors(count, colour1, colour2);
    const bool reversed = mode == 2 || mode == 4;
    for (int i = 0; i < count; ++i) {
        const int start = i * band;
        const int end = i == count - 1 ? extent : start + band;
        const OleColour colour = colours.at(std::size_t(reversed ? count - 1 - i : i));
        buffer.fillRect(horizontal ? Rect{start, 0, end, height} : Rect{0, start, width, end}, colour);
    }
}

} // namespace controls
