#include "controls/buttonhost.h"
#include "controls/ctlbutton.h"

#include <optional>

namespace controls {

using namespace ButtonState;

namespace {

constexpr OleColour None = Colour::None;

// Fills a ring of the edge table: the left and top lines of the ring take `leftTop`, the right and bottom
// lines `rightBottom`. Ring 0 is the inner ring (entries 1..4), 1 the middle, 2 the outer.
void setRing(EdgeTable &edges, int ring, OleColour leftTop, OleColour rightBottom)
{
    const int first = 1 + 4 * ring;
    edges.colours.at(std::size_t(first)) = leftTop;
    edges.colours.at(std::size_t(first + 1)) = leftTop;
    edges.colours.at(std::size_t(first + 2)) = rightBottom;
    edges.colours.at(std::size_t(first + 3)) = rightBottom;
}

} // namespace

ctlButton::Painter ctlButton::painterOf(qint32 style)
{
    static constexpr Painter painters[] = {
        &ctlButton::PaintGreyBevel,  &ctlButton::PaintTwoToneBevel,  &ctlButton::PaintRoundedHotTrack,
        &ctlButton::PaintShadedEdge, &ctlButton::PaintSingleRing,    &ctlButton::PaintRoundedArc,
        &ctlButton::PaintLightEdge,  &ctlButton::PaintRoundedShaded,
    };
    return painters[qBound(0, style, 7)];
}

void ctlButton::DrawBevel(EdgeTable &edges, int outerStyle)
{
    const int l = (m_buttonShape == 1 || m_buttonShape == 3) ? 1 : 0;
    const int r = (m_buttonShape == 2 || m_buttonShape == 3) ? 1 : 0;
    const int a = m_shapeLeft;
    const int b = m_shapeRight;
    const int width = scaleWidth();
    const int height = scaleHeight();
    auto &p = edges.points;

    p[0] = {a + 2 - 4 * l, height - 3};
    p[1] = {2 + 2 * l, 2};
    p[2] = {b - 3 + 3 * r, 2};
    p[3] = {width - 3 - 3 * r, height - 3};
    p[4] = {a + 1 - 4 * l, height - 3};
    p[5] = p[0] + QPoint(l - 1, 1);
    p[6] = p[1] + QPoint(-1 - l, -1);
    p[7] = p[2] + QPoint(1 - r, -1);
    p[8] = p[3] + QPoint(r + 1, 1);
    p[9] = p[4] + QPoint(-1, 1);
    p[10] = {a - l, height - 1 + l};
    p[11] = {0, 0};
    p[12] = {b - 1 + r, 0};
    p[13] = {width - 1, height - 1 + r};
    p[14] = {a - 1 - 2 * l, height - 1};
    p[15] = {width - 1, height - 1};

    std::optional<OleColour> lastColour;
    for (int entry = 1; entry <= 12; ++entry) {
        const OleColour colour = edges.colours.at(std::size_t(entry));
        if (colour < 0)
            continue;
        // A pen is made only when the colour changes from one drawn line to the next.
        if (lastColour != colour)
            m_buffer.selectPen(colour, entry >= 9 && outerStyle >= 0 ? outerStyle : PenStyle::Solid);
        lastColour = colour;
        const int from = entry <= 4 ? entry - 1 : entry <= 8 ? entry : entry + 1;
        m_buffer.line(p.at(std::size_t(from)), p.at(std::size_t(from + 1)));
    }
    // Completes the bottom row of shapes with a slanted right side, in whatever pen is selected now.
    m_buffer.line(p[14], p[15]);
}

void ctlButton::finishPainting(EdgeTable &edges, qint16 &clipResult, OleColour frameColour, bool solid,
                               bool aroundCaption)
{
    if (m_buttonShape <= 5 || (m_buttonShape == 6 && !m_hovering && !showsPressed()))
        clipResult = 1;
    else
        edges.colours.at(12) = Colour::Black;
    DrawFocusFrame(frameColour, solid, aroundCaption, edges);
}

bool ctlButton::valueLook() const
{
    return m_value || (m_heldDown && m_mode > 0);
}

OleColour ctlButton::plainFace() const
{
    return (m_mode > 0 && m_value) ? m_valueFaceColor : m_faceColor;
}

OleColour ctlButton::plainText() const
{
    return (!m_host.Enabled() && m_mode > 0) ? Colour::Grey : None;
}

OleColour ctlButton::bevelFrame(OleColour face, OleColour text) const
{
    if (valueLook())
        return Colour::Black;
    return (m_buttonShape >= 1 && m_buttonShape <= 3) ? ShiftColor(face, -48) : text;
}

bool ctlButton::paintPlainFace(qint16 &edgeState, qint16 &clipResult, OleColour &face, OleColour &text)
{
    face = plainFace();
    FillButtonFace(face, edgeState, clipResult, sysColour(m_gradientColor), m_hoverFaceColor);
    if (clipResult == 0)
        return false;
    text = plainText();
    DrawCaptionAndPicture(face, text, m_value, m_mode > 0);
    return true;
}

void ctlButton::PaintGreyBevel(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    OleColour face = 0;
    OleColour text = 0;
    if (!paintPlainFace(edgeState, clipResult, face, text))
        return;

    OleColour frame = text;
    if (m_buttonShape <= 3) {
        const OleColour light = RGB(233, 233, 233);
        frame = bevelFrame(face, text);
        if (valueLook())
            edgeState = 3;
        switch (edgeState) {
        case 1:
            setRing(edges, 0, light, Colour::Grey);
            setRing(edges, 1, Colour::White, Colour::Black);
            setRing(edges, 2, Colour::Black, Colour::Black);
            break;
        case 2:
            setRing(edges, 0, None, None);
            setRing(edges, 1, None, Colour::Grey);
            setRing(edges, 2, (m_stateFlags & StateDefault) ? Colour::Black : Colour::White, Colour::Black);
            break;
        case 3:
            setRing(edges, 0, None, None);
            setRing(edges, 1, None, light);
            setRing(edges, 2, Colour::Black, Colour::White);
            break;
        default:
            setRing(edges, 0, None, None);
            setRing(edges, 1, light, Colour::Grey);
            setRing(edges, 2, Colour::White, Colour::Black);
            break;
        }
        DrawBevel(edges, -1);
    }
    finishPainting(edges, clipResult, frame, m_value, false);
}

// The two-tone bevel and the single ring share their states: 2 sunken (pressed, or on), 1 raised.
void ctlButton::PaintTwoToneBevel(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    paintRaisedOrSunken(edges, edgeState, clipResult, true);
}

void ctlButton::PaintSingleRing(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    paintRaisedOrSunken(edges, edgeState, clipResult, false);
}

void ctlButton::paintRaisedOrSunken(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult, bool twoTone)
{
    OleColour face = 0;
    OleColour text = 0;
    if (!paintPlainFace(edgeState, clipResult, face, text))
        return;
    if (m_buttonShape <= 3) {
        if (valueLook())
            edgeState = 2;
        else if (edgeState != 2)
            edgeState = 1;
        const bool sunken = edgeState == 2;
        const OleColour upper = sunken ? Colour::Grey : Colour::White;
        const OleColour lower = sunken ? Colour::White : Colour::Grey;
        if (twoTone) {
            setRing(edges, 0, upper, lower);
            setRing(edges, 1, upper, lower);
            setRing(edges, 2, Colour::Black, Colour::Black);
        } else {
            setRing(edges, 0, None, None);
            setRing(edges, 1, None, None);
            setRing(edges, 2, upper, lower);
        }
        DrawBevel(edges, -1);
    }
    finishPainting(edges, clipResult, bevelFrame(face, text), m_value, false);
}

void ctlButton::PaintLightEdge(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    OleColour face = 0;
    OleColour text = 0;
    if (!paintPlainFace(edgeState, clipResult, face, text))
        return;
    if (m_buttonShape <= 3) {
        const OleColour light = ShiftColor(RGB(223, 223, 223), 8);
        // The default look draws as idle.
        edgeState = (valueLook() || showsPressed()) ? 1 : 0;
        const OleColour upper = edgeState == 1 ? Colour::Grey : light;
        const OleColour lower = edgeState == 1 ? light : Colour::Grey;
        setRing(edges, 0, None, None);
        setRing(edges, 1, upper, lower);
        setRing(edges, 2, upper, lower);
        DrawBevel(edges, -1);
    }
    finishPainting(edges, clipResult, bevelFrame(face, text), m_value, false);
}

void ctlButton::PaintRoundedArc(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    OleColour face = 0;
    OleColour text = 0;
    if (!paintPlainFace(edgeState, clipResult, face, text))
        return;
    const OleColour containerShade = ShiftColor(m_containerColor, -32);
    if (m_buttonShape >= 4 && m_buttonShape <= 6 && designTime()) {
        m_buffer.removeClip();
        const int width = scaleWidth();
        const int height = scaleHeight();
        m_buffer.frameRegion(QRegion(0, 0, width - 1, height - 1, QRegion::Ellipse), containerShade, true);
        clipTo(m_innerRegion1);
    }
    if (m_buttonShape <= 3) {
        setRing(edges, 0, None, None);
        setRing(edges, 1, None, None);
        if ((m_stateFlags & StateOver) || m_value) {
            if (valueLook())
                edgeState = 2;
            else if (edgeState == 0)
                edgeState = 1;
            setRing(edges, 2, edgeState == 2 ? Colour::Grey : Colour::White,
                    edgeState == 2 ? Colour::White : Colour::Grey);
        } else if (designTime()) {
            const OleColour ring = ShiftColor(m_containerColor, -64);
            setRing(edges, 2, ring == Colour::Black ? Colour::White : ring,
                    ring == Colour::Black ? Colour::White : ring);
        } else {
            // At rest the button shows no edge at all.
            setRing(edges, 2, None, None);
        }
        DrawBevel(edges, designTime() ? PenStyle::Dot : PenStyle::Solid);
    }
    const OleColour frame = (m_buttonShape >= 1 && !(m_mode > 0 && m_value)) ? containerShade : Colour::Black;
    finishPainting(edges, clipResult, frame, m_value, false);
}

void ctlButton::PaintShadedEdge(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    const bool enabled = m_host.Enabled();
    const OleColour face = (m_mode == 0 && showsPressed()) ? m_shadeColor : plainFace();
    FillButtonFace(face, edgeState, clipResult, sysColour(m_gradientColor), m_hoverFaceColor);
    if (clipResult == 0)
        return;
    const OleColour text = enabled ? Colour::Grey : ShiftColor(Colour::Grey, -16);
    DrawCaptionAndPicture(face, text, false, true);
    if (m_buttonShape <= 3) {
        const OleColour dark = ShiftColor(Colour::Grey, -26);
        if (enabled || m_mode > 0) {
            if (m_mode > 0)
                edgeState = (m_value || m_heldDown) ? 2 : 3;
            else if (edgeState != 2)
                edgeState = 1;
            setRing(edges, 0, None, None);
            setRing(edges, 1, edgeState == 2 ? face : Colour::White, dark);
            setRing(edges, 2, dark, Colour::White);
        } else {
            // Disabled push button: the inner lines vanish into the face.
            setRing(edges, 0, face, face);
            setRing(edges, 1, face, face);
            setRing(edges, 2, dark, dark);
        }
        DrawBevel(edges, -1);
    }
    finishPainting(edges, clipResult, RGB(153, 153, 204), true, true);
}

void ctlButton::PaintRoundedHotTrack(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    const bool enabled = m_host.Enabled();
    const OleColour base = plainFace();
    OleColour face = base;
    if (m_mode == 0) {
        if (showsPressed() && m_gradientMode == 0)
            face = m_shadeColor;
        else if (!enabled)
            face = ShiftColor(base, -24, true);
    }
    const OleColour gradient = m_gradientMode != 0 ? ShiftColor(sysColour(m_gradientColor), 48, true) : face;
    FillButtonFace(face, edgeState, clipResult, gradient, m_hoverFaceColor);
    if (clipResult == 0)
        return;
    DrawCaptionAndPicture(face, enabled ? None : ShiftColor(face, -104, true), m_value, true);

    if (m_buttonShape >= 4) {
        if ((m_stateFlags & StateDefault) && !m_hovering)
            edges.colours.at(12) = RGB(107, 130, 239);
        else if (m_hovering)
            edges.colours.at(12) = RGB(231, 150, 0);
        else
            clipResult = 1;
        return;
    }
    OleColour outline = RGB(0, 60, 115);
    if (enabled) {
        if (valueLook())
            edgeState = (m_stateFlags & StateDefault) ? 1 : 2;
        if ((m_stateFlags & StateOver) && !(m_stateFlags & StatePressed))
            edgeState = 3;
        else if (edgeState == 1 && !m_showFocus)
            edgeState = 0;
        const auto shade = [&](int amount) { return ShiftColor(base, amount, true); };
        // Entries 1..8 by state: idle, focus or default, pressed, hot.
        const std::array<std::array<OleColour, 8>, 4> table = {{
            {shade(-10), shade(10), shade(-24), shade(-32), shade(-5), shade(16), shade(-36), shade(-48)},
            {RGB(181, 209, 240), RGB(189, 215, 247), RGB(181, 209, 240), RGB(140, 174, 231), RGB(140, 174, 231),
             RGB(191, 223, 255), RGB(140, 174, 231), RGB(107, 130, 239)},
            {shade(-22), shade(-24), base, shade(10), shade(-32), shade(-32), shade(5), shade(16)},
            {RGB(255, 203, 107), RGB(255, 219, 140), RGB(255, 203, 107), RGB(255, 178, 49), RGB(255, 178, 49),
             RGB(255, 233, 166), RGB(255, 178, 49), RGB(231, 150, 0)},
        }};
        const auto &row = table.at(std::size_t(qBound(0, int(edgeState), 3)));
        for (int entry = 1; entry <= 8; ++entry)
            edges.colours.at(std::size_t(entry)) = row.at(std::size_t(entry - 1));
    } else {
        setRing(edges, 0, None, None);
        setRing(edges, 1, None, None);
        outline = ShiftColor(base, -84, true);
    }
    setRing(edges, 2, outline, outline);
    DrawBevel(edges, -1);
    const int width = scaleWidth();
    const int height = scaleHeight();
    if (m_shapeLeft == 0) {
        m_buffer.setPixel(1, height - 2, outline);
        m_buffer.setPixel(1, 1, outline);
    }
    if (width == m_shapeRight) {
        m_buffer.setPixel(width - 2, height - 2, outline);
        m_buffer.setPixel(width - 2, 1, outline);
    }
}

void ctlButton::PaintRoundedShaded(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    const bool enabled = m_host.Enabled();
    const bool pressedCommand = m_mode == 0 && showsPressed();
    OleColour face = m_faceColor;
    if (pressedCommand)
        face = m_shadeColor;
    if (m_mode > 0 && m_value)
        face = m_valueFaceColor;
    OleColour gradient = face;
    if (!m_value && m_gradientMode != 0) {
        gradient = ShiftColor(sysColour(m_gradientColor), 31);
        if (showsPressed())
            face = m_faceColor;
    }
    FillButtonFace(face, edgeState, clipResult, gradient, m_hoverFaceColor);
    if (clipResult == 0)
        return;

    OleColour text;
    if (pressedCommand || m_value)
        text = (!enabled && m_value) ? ShiftColor(face, -32, true) : m_faceColor;
    else if (enabled)
        text = sysColour(m_host.ForeColor());
    else
        text = m_mode > 0 ? Colour::Grey : None;
    // A hover colour that follows the fore colour gives way to this style's caption colour, handed to the
    // caption as a value: painting never changes a property.
    const bool followsFore = m_hoverForeColor == m_host.ForeColor() || m_value;
    const OleColour frame = followsFore ? m_hoverForeColor : None;
    DrawCaptionAndPicture(face, text, m_value, m_mode > 0, followsFore ? std::optional<OleColour>(text) : std::nullopt);

    if (m_buttonShape <= 3) {
        if (valueLook())
            edgeState = m_value ? 2 : 0;
        OleColour inner = face;
        OleColour c1 = Colour::White;
        OleColour c5 = ShiftColor(face, 31, true);
        OleColour c7 = ShiftColor(face, -64, true);
        if (edgeState == 2) {
            const OleColour g = m_gradientMode != 0 ? m_faceColor : Colour::Grey;
            inner = g;
            c1 = ShiftColor(g, -32);
            c5 = ShiftColor(g, -64);
            c7 = ShiftColor(g, -16);
        }
        setRing(edges, 0, c1, inner);
        setRing(edges, 1, c5, c7);
        setRing(edges, 2, Colour::Black, Colour::Black);
        DrawBevel(edges, -1);
        const int width = scaleWidth();
        const int height = scaleHeight();
        if (m_shapeLeft == 0) {
            m_buffer.setPixel(3, 3, c1);
            m_buffer.setPixel(1, height - 3, inner);
            m_buffer.setPixel(2, 2, c5);
            m_buffer.setPixel(1, height - 2, Colour::Black);
            m_buffer.setPixel(1, 1, Colour::Black);
        }
        if (width == m_shapeRight) {
            m_buffer.setPixel(width - 4, height - 4, inner);
            m_buffer.setPixel(width - 3, 1, inner);
            m_buffer.setPixel(width - 3, height - 3, c7);
            m_buffer.setPixel(width - 2, height - 2, Colour::Black);
            m_buffer.setPixel(width - 2, 1, Colour::Black);
        }
    }
    finishPainting(edges, clipResult, frame, m_value, true);
}

} // namespace controls
