#pragma once

#include "controls/colours.h"

#include <QFont>
#include <QImage>
#include <QRegion>

class QPainter;

namespace controls {

// Nearest integer, halves to the even neighbour.
int rounded(double value);

// A rectangle as the control's drawing code holds one: right and bottom exclusive.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    Rect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    QRect toQRect() const { return {left, top, right - left, bottom - top}; }
    bool operator==(const Rect &) const = default;
};

// Pen styles of the edge lines.
namespace PenStyle {
inline constexpr int Solid = 0;
inline constexpr int Dot = 2; // one pixel on, one off, counted from the line's start
} // namespace PenStyle

// The off-screen raster every redraw paints into, with the drawing state that outlives one call: the pen
// of the last line, the clip region and the font. Every operation draws exact pixels (no antialiasing)
// and keeps to the clip.
class BackBuffer
{
public:
    bool exists() const { return !m_image.isNull(); }
    void create(int width, int height);
    void drop() { m_image = QImage(); }
    void assign(const QImage &image) { m_image = image; }
    const QImage &image() const { return m_image; }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }

    void selectPen(OleColour colour, int style = PenStyle::Solid);
    OleColour penColour() const { return m_penColour; }

    void setClip(const QRegion &region) { m_clip = region; }
    void removeClip() { m_clip = QRegion(); }
    const QRegion &clip() const { return m_clip; }

    void setFont(const QFont &font) { m_font = font; }
    const QFont &font() const { return m_font; }

    OleColour pixel(int x, int y) const;
    void setPixel(int x, int y, OleColour colour);
    void invertPixel(int x, int y);
    // Fills left..right-1 by top..bottom-1; the pen becomes the fill colour, as a filled rectangle leaves it.
    void fillRect(const Rect &rect, OleColour colour);
    // One line in the current pen from `from` towards `to`; `to` itself is not drawn.
    void line(QPoint from, QPoint to);
    // The dotted rectangle of a focused button: every other pixel of the border inverted.
    void focusRect(const Rect &rect);
    // The one-pixel inner border of a region, solid or every other pixel.
    void frameRegion(const QRegion &region, OleColour colour, bool dotted = false);

    // Text broken at line feeds and at word boundaries within the rectangle's width, drawn without a background.
    void drawText(const Rect &rect, int alignment, const QString &text, OleColour colour);
    QSize measureText(int width, int height, const QString &text) const;
    // Draws an image at a place, keeping to the clip.
    void drawImage(QPoint at, const QImage &image);

private:
    bool visible(int x, int y) const;
    void beginPainter(QPainter &painter);

    QImage m_image;
    OleColour m_penColour = Colour::Black;
    int m_penStyle = PenStyle::Solid;
    QRegion m_clip;
    QFont m_font;
};

// Fills the whole raster with colour bands from colour1 to colour2 along a gradient mode (1 left to right,
// 2 right to left, 3 top to bottom, 4 bottom to top). A raster of a quarter of the screen's extent
// (`screenExtent` pixels) or more gets bands two pixels wide, the last of which reaches the edge.
void fillGradient(BackBuffer &buffer, int mode, int screenExtent, OleColour colour1, OleColour colour2);

} // namespace controls
