#include "controls/buttonhost.h"
#include "controls/ctlbutton.h"

#include <QPolygon>

namespace controls {

using namespace ButtonState;

namespace {

// How far a pressed custom-click button moves its window, by CustomClick 1..8.
constexpr QPoint clickOffsets[] = {{0, 0}, {0, -1}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1}, {1, 0}, {0, 1}, {-1, 0}};

QRegion triangle(QPoint a, QPoint b, QPoint c)
{
    return QRegion(QPolygon({a, b, c}), Qt::WindingFill);
}

QRegion ellipse(int left, int top, int right, int bottom)
{
    return QRegion(left, top, right - left, bottom - top, QRegion::Ellipse);
}

} // namespace

void ctlButton::clipTo(const std::optional<QRegion> &region)
{
    if (region)
        m_buffer.setClip(*region);
    else
        m_buffer.removeClip();
}

void ctlButton::drawRamp(OleColour top, OleColour bottom)
{
    const qint32 mode = m_gradientMode;
    m_gradientMode = 3;
    DrawGradient(top, bottom);
    m_gradientMode = mode;
}

QRegion ctlButton::cutCorners(QRegion region, bool left, bool right) const
{
    const int width = scaleWidth();
    const int height = scaleHeight();
    const auto pixel = [](int x, int y) { return QRegion(x, y, 1, 1); };
    switch (m_buttonStyle) {
    case 1:
        if (left)
            region -= pixel(0, 0) + pixel(0, height - 1);
        if (right)
            region -= pixel(width - 1, height - 1) + pixel(width - 1, 0);
        break;
    case 3:
        // The shaded edge cuts its corners only while it is enabled.
        if (!m_host.Enabled())
            break;
        if (left)
            region -= pixel(0, height - 1);
        if (right)
            region -= pixel(width - 1, 0);
        break;
    case 2:
    case 7:
        if (left) {
            region -= triangle({0, 0}, {2, 0}, {0, 2});
            region -= triangle({0, height}, {3, height}, {0, height - 3});
        }
        if (right) {
            region -= triangle({width, 0}, {width - 2, 0}, {width, 2});
            region -= triangle({width, height}, {width - 3, height}, {width, height - 3});
        }
        break;
    default:
        break;
    }
    return region;
}

void ctlButton::resizeFromShape(QSize size)
{
    DelayDrawing(true);
    m_host.resizeClient(size);
    if (m_buffer.width() != size.width() || m_buffer.height() != size.height()) {
        m_buffer.drop();
        ManageBackBuffer(true);
    }
    m_shapeRight = scaleWidth();
    m_delayDrawing = false;
}

void ctlButton::BuildButtonRegion()
{
    m_shapeLeft = 0;
    m_shapeRight = scaleWidth();
    m_buffer.removeClip();
    m_innerRegion1.reset();
    m_innerRegion2.reset();

    QRegion region;
    switch (m_buttonShape) {
    case 0:
        region = cutCorners(QRegion(0, 0, scaleWidth() + 1, scaleHeight() + 1), true, true);
        break;
    case 1:
    case 2:
    case 3: {
        // The slanted sides run at 45 degrees; the face keeps at least 5 pixels between them.
        const int height = scaleHeight();
        const int d = rounded(4 * double(float(height + 1) / 4.0f));
        int width = scaleWidth();
        while (width - d < 5)
            width += 5;
        if (width != scaleWidth())
            resizeFromShape({width, height});
        const int e = scaleWidth() - d;
        QPolygon points({{0, 0}, {0, height + 1}, {scaleWidth() + 1, height + 1}, {scaleWidth() + 1, 0}});
        if (m_buttonShape != 2) {
            points[1] = {d, height + 1};
            m_shapeLeft = d;
        }
        if (m_buttonShape != 1) {
            points[3] = {e + 1, 0};
            m_shapeRight = e;
        }
        region = cutCorners(QRegion(points, Qt::WindingFill), m_buttonShape == 2, m_buttonShape == 1);
        break;
    }
    case 4:
    case 5:
    case 6: {
        const int width = scaleWidth();
        const int height = scaleHeight();
        region = ellipse(0, 0, width, height);
        if (m_buttonStyle != 5) {
            if (m_buttonShape == 6)
                m_buffer.frameRegion(region, Colour::Black);
            else
                drawRamp(Colour::White, Colour::Grey);
        }
        m_innerRegion1 = ellipse(1, 1, width - 1, height - 1);
        m_innerRegion2 = ellipse(2, 2, width - 2, height - 2);
        break;
    }
    default: {
        // A custom shape without a measured picture keeps the window's outline as it is.
        if (m_pictureWidth <= 0 || m_pictureHeight <= 0)
            return;
        resizeFromShape(FitPictureSize(scaleWidth(), scaleHeight()));
        region = QRegion(0, 0, scaleWidth(), scaleHeight());
        PreparePictureImage(scaleWidth(), scaleHeight(), &region);
        if (m_innerRegion1 && m_innerRegion2) {
            const QRect outline = region.boundingRect();
            const QRect inner1 = m_innerRegion1->boundingRect();
            const QRect inner2 = m_innerRegion2->boundingRect();
            m_innerRegion1->translate(outline.left() - inner1.left() + 1, outline.top() - inner1.top() + 1);
            m_innerRegion2->translate(outline.left() - inner2.left() + 2, outline.top() - inner2.top() + 2);
        }
        if (m_buttonShape == 8)
            drawRamp(Colour::White, Colour::Grey);
        else
            m_buffer.frameRegion(region, sysColour(m_backColor));
        clipTo(m_innerRegion1);
        break;
    }
    }
    m_host.setWindowRegion(region);
}

void ctlButton::PrepareShapeClip(qint16 &clipResult)
{
    if (MoveForCustomClick()) {
        clipResult = 0;
        return;
    }
    clipResult = 1;
    if (m_buttonStyle == 5 && !m_hovering && !showsPressed() && !m_value) {
        m_buffer.removeClip();
        return;
    }
    m_buffer.removeClip();
    if (m_buttonStyle == 5 && (m_value || (m_buttonShape != 6 && m_buttonShape != 7))) {
        drawRamp(Colour::White, Colour::Grey);
        clipTo(m_innerRegion2);
        clipResult = 4;
    }
    if ((!showsPressed() && !m_value) || m_buttonShape == 6 || m_buttonShape == 7) {
        if (m_buttonShape == 6 && !m_hovering)
            return;
        if (m_buttonShape == 6 || m_buttonShape == 7)
            m_buffer.frameRegion(m_host.windowRegion(), m_buttonShape == 6 ? Colour::Black : sysColour(m_backColor));
        clipTo(m_innerRegion1);
        clipResult = 3;
        return;
    }
    clipTo(m_innerRegion1);
    drawRamp(Colour::Grey, Colour::White);
    clipTo(m_innerRegion2);
    clipResult = 4;
}

void ctlButton::outlineShapedWindow(OleColour frameColour, qint16 clipResult)
{
    if (clipResult <= 1 || m_buttonShape < 4)
        return;
    std::optional<QRegion> region;
    if (m_buttonShape >= 7) {
        if (m_hovering && !showsPressed()) {
            if (m_buttonStyle != 2) {
                frameColour = m_hoverFaceColor;
                if (frameColour == sysColour(m_backColor))
                    return;
            }
            region = m_host.windowRegion();
        } else if (m_stateFlags & StateDefault) {
            region = m_buttonShape == 8 ? m_innerRegion2 : m_innerRegion1;
            if (m_value && m_buttonStyle != 2)
                frameColour = ShiftColor(m_shadeColor, -32);
        }
    } else if (m_buttonStyle == 2 && !showsPressed()) {
        region = m_innerRegion1;
    } else if (m_buttonShape == 6) {
        region = m_host.windowRegion();
    }
    if (region)
        m_host.frameOnWindow(*region, frameColour);
}

bool ctlButton::MoveForCustomClick()
{
    if (m_customClick <= 0 || m_customClick > 8 || m_mode != 0)
        return false;
    const QPoint offset = clickOffsets[m_customClick];
    const QPoint place = m_host.windowRect().topLeft();
    if (showsPressed() && !(m_stateFlags & StateMoved)) {
        m_host.moveWindow(place + offset);
        m_stateFlags |= StateMoved;
        ManageBackBuffer(false);
        m_host.Refresh();
        return true;
    }
    // Back home with the first face fill that no longer shows pressed.
    if ((m_stateFlags & StateMoved) && !showsPressed()) {
        m_host.moveWindow(place - offset);
        m_stateFlags &= ~StateMoved;
    }
    return false;
}

} // namespace controls
