#include "controls/buttonhost.h"
#include "controls/ctlbutton.h"

namespace controls {

using namespace ButtonState;

OleColour ctlButton::sysColour(OleColour colour) const
{
    return ConvertSysColor(colour, m_host.systemColours());
}

int ctlButton::scaleWidth() const
{
    return m_host.clientSize().width();
}

int ctlButton::scaleHeight() const
{
    return m_host.clientSize().height();
}

void ctlButton::RedrawButton()
{
    if (m_delayDrawing || !m_buffer.exists())
        return;
    // A window without width or height has no face to draw.
    if (scaleWidth() <= 0 || scaleHeight() <= 0)
        return;
    EdgeTable edges;
    qint16 edgeState = 0;
    qint16 clipResult = 0;
    (this->*painterOf(m_buttonStyle))(edges, edgeState, clipResult);
    const OleColour frameColour = edges.colours.at(12);
    if (clipResult == 0)
        return;
    ManageBackBuffer(false);
    if (clipResult > 1)
        outlineShapedWindow(frameColour, clipResult);
    m_host.Refresh();
}

void ctlButton::ManageBackBuffer(bool create)
{
    if (!create) {
        m_host.copyToWindow(m_buffer.image());
        return;
    }
    UpdateDrawingResource(QStringLiteral("Font"));
    if (!m_buffer.exists())
        m_buffer.create(scaleWidth(), scaleHeight());
}

void ctlButton::UpdateDrawingResource(const QString &aspect)
{
    if (aspect.compare(QLatin1String("Font"), Qt::CaseInsensitive) == 0)
        updateFont();
    else if (aspect.compare(QLatin1String("Picture"), Qt::CaseInsensitive) == 0)
        measurePicture();
    else if (aspect.compare(QLatin1String("BackColor"), Qt::CaseInsensitive) == 0)
        updateFaceColours();
}

void ctlButton::updateFont()
{
    QFont font = m_host.Font();
    // The character height in pixels, as the point size gives it on this screen.
    if (font.pointSizeF() > 0)
        font.setPixelSize(qMax(1, rounded(20 * font.pointSizeF() / m_host.twipsPerPixel().height())));
    m_buffer.setFont(font);
}

void ctlButton::updateFaceColours()
{
    m_faceColor = m_shadeColor = sysColour(m_backColor);
    m_hoverFaceColor = sysColour(m_hoverBackColor);
    switch (m_buttonStyle) {
    case 7:
        m_faceColor = ShiftColor(m_faceColor, 31);
        m_shadeColor = ShiftColor(Colour::Grey, -16);
        m_hoverFaceColor = ShiftColor(m_hoverFaceColor, 31);
        m_valueFaceColor = ShiftColor(Colour::Grey, 16, true);
        break;
    case 2:
        m_faceColor = ShiftColor(m_faceColor, 48, true);
        m_shadeColor = ShiftColor(m_faceColor, -32, true);
        m_hoverFaceColor = ShiftColor(m_hoverFaceColor, 48, true);
        m_valueFaceColor = ShiftColor(Colour::White, -32, true);
        break;
    case 3:
        m_shadeColor = ShiftColor(Colour::Grey, 12);
        m_valueFaceColor = ShiftColor(m_shadeColor, 31);
        break;
    default:
        m_valueFaceColor = ShiftColor(Colour::White, -32);
        break;
    }
}

void ctlButton::FillButtonFace(OleColour face, qint16 &edgeState, qint16 &clipResult, OleColour gradient,
                               OleColour hover)
{
    PrepareShapeClip(clipResult);
    if (clipResult == 0)
        return;
    edgeState = showsPressed() ? 2 : (m_stateFlags & StateDefault) ? 1 : 0;
    if (hover < 0)
        hover = face;
    const bool hoverLook = m_hovering && ((!showsPressed() && m_mode == 0) || (!m_value && m_mode > 0));
    const OleColour fill = hoverLook ? hover : face;
    const int width = scaleWidth();
    const int height = scaleHeight();

    if (!m_value && m_buttonShape < 7 && m_gradientMode != 0) {
        if (m_hovering && !showsPressed() && m_gradientColor != m_hoverBackColor)
            m_buffer.fillRect({0, 0, width, height}, fill);
        else
            DrawGradient(face, gradient < 0 ? face : gradient);
        return;
    }
    if (m_buttonStyle == 2 && (m_host.Enabled() || m_mode > 0)) {
        // The face darkens by 25 toward the bottom, row by row.
        for (int i = 0; i <= height; ++i)
            m_buffer.fillRect({0, i, width, i + 1},
                              ShiftColor(fill, rounded(-(25.0f / float(height)) * float(i)), true));
        return;
    }
    m_buffer.fillRect({0, 0, width, height}, fill);
}

void ctlButton::DrawGradient(OleColour colour1, OleColour colour2)
{
    const bool horizontal = m_gradientMode == 1 || m_gradientMode == 2;
    const QSizeF screen = m_host.screenTwips();
    const QSizeF perPixel = m_host.twipsPerPixel();
    const int screenPixels = horizontal ? rounded(screen.width()) / qMax(1, rounded(perPixel.width()))
                                        : rounded(screen.height()) / qMax(1, rounded(perPixel.height()));
    fillGradient(m_buffer, m_gradientMode, screenPixels, colour1, colour2);
}

void ctlButton::DrawCaptionAndPicture(OleColour face, OleColour text, bool pressedByValue, bool singlePass,
                                      std::optional<OleColour> hoverText)
{
    Rect caption = m_captionRect;
    Rect picture = m_pictureRect;
    if ((pressedByValue || showsPressed()) && m_buttonStyle != 3) {
        const int dx = m_buttonShape <= 3 ? 1 : 0;
        caption = caption.translated(dx, 1);
        picture = picture.translated(dx, 1);
    }
    if (!(m_value && m_buttonShape >= 7))
        DrawPicture(picture);
    if (m_caption.isEmpty() || (m_buttonShape > 4 && !m_value))
        return;

    QString shown = m_caption;
    shown.replace(QLatin1String("||"), QLatin1String("\n"));
    static constexpr int alignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    const int alignment = alignments[qBound(0, m_captionAlign, 2)];

    OleColour colour = text;
    const bool enabled = m_host.Enabled();
    if (enabled) {
        if (m_hovering && !showsPressed())
            colour = sysColour(hoverText.value_or(m_hoverForeColor));
        else if (m_buttonStyle == 7 && !(!m_value && m_gradientMode != 0))
            colour = text;
        else
            colour = sysColour(m_host.ForeColor());
        if (m_captionStyle != 0) {
            const int amount = m_captionStyle == 2 ? 40 : -40;
            caption = caption.translated(-1, 0);
            m_buffer.drawText(caption, alignment, shown, ShiftColor(face, amount));
            caption = caption.translated(2, 2);
            m_buffer.drawText(caption, alignment, shown, ShiftColor(face, -amount));
            caption = caption.translated(-1, -1);
        }
    } else if (text < 0 || m_gradientMode != 0) {
        colour = Colour::White;
        caption = caption.translated(1, 1);
        singlePass = false;
    }
    m_buffer.drawText(caption, alignment, shown, sysColour(colour));
    if (!enabled && !singlePass)
        m_buffer.drawText(caption.translated(-1, -1), alignment, shown, Colour::Grey);
}

void ctlButton::DrawFocusFrame(OleColour colour, bool solid, bool &aroundCaption, const EdgeTable &edges)
{
    Q_UNUSED(edges);
    if (!(m_stateFlags & StateDefault) || m_buttonShape >= 7)
        return;
    if (m_buttonShape >= 4) {
        if (m_buttonStyle == 2)
            return;
        aroundCaption = true;
    }
    const int width = scaleWidth();
    const int height = scaleHeight();
    // A system colour is turned into RGB and no colour into black, on every shape.
    m_buffer.selectPen(colour == Colour::None ? Colour::Black : sysColour(colour));

    if (m_buttonShape >= 1 && m_buttonShape <= 3) {
        const int l = m_shapeLeft != 0 ? 1 : 0;
        const int r = width > m_shapeRight ? 1 : 0;
        const QPoint points[] = {{m_shapeLeft + 4 - 6 * l, height - 5},
                                 {4 + 4 * l, 4},
                                 {m_shapeRight + 4 * r - 5, 4},
                                 {width - 5 - 6 * r, height - 5},
                                 {m_shapeLeft - 4 * l + 3, height - 5}};
        for (int i = 0; i + 1 < 5; ++i)
            m_buffer.line(points[i], points[i + 1]);
        return;
    }

    Rect frame;
    if (aroundCaption) {
        Rect base = m_captionRect;
        if (m_caption.isEmpty()) {
            base = m_pictureRect;
            base.bottom = qMin(base.bottom, height - 4);
            base.right = qMin(base.right, width - 4);
        }
        const int e = (m_captionRect.right < m_shapeRight - 4 && m_captionRect.left > m_shapeLeft + 4) ? 2 : 1;
        const int f = ((m_value || showsPressed()) && m_buttonStyle != 3) ? 1 : 0;
        const int g = m_buttonShape <= 3 ? 1 : 0;
        frame = {base.left + f * g - e, base.top + f - e, base.right + e + 2 * f * g, base.bottom + e + 2 * f};
    } else {
        frame = {m_shapeLeft + 4, 4, m_shapeRight - 4, height - 8 + 4};
    }
    if (!solid) {
        m_buffer.focusRect(frame);
        return;
    }
    const QPoint corners[] = {{frame.left, frame.top},
                              {frame.right - 1, frame.top},
                              {frame.right - 1, frame.bottom - 1},
                              {frame.left, frame.bottom - 1},
                              {frame.left, frame.top}};
    for (int i = 0; i + 1 < 5; ++i)
        m_buffer.line(corners[i], corners[i + 1]);
}

} // namespace controls
