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
    Q_UNUSED(style);
    return &ctlButton::PaintGreyBevel;
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

void ctlButton::PaintGreyBevel(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult)
{
    const OleColour face = (m_mode > 0 && m_value) ? m_valueFaceColor : m_faceColor;
    FillButtonFace(face, edgeState, clipResult, sysColour(m_gradientColor), m_hoverFaceColor);
    if (clipResult == 0)
        return;
    const OleColour text = (!m_host.Enabled() && m_mode > 0) ? Colour::Grey : None;
    DrawCaptionAndPicture(face, text, m_value, m_mode > 0);

    OleColour frame = text;
    if (m_buttonShape <= 3) {
        const OleColour light = RGB(233, 233, 233);
        if (m_value || (m_heldDown && m_mode > 0)) {
            edgeState = 3;
            frame = Colour::Black;
        } else if (m_buttonShape >= 1) {
            frame = ShiftColor(face, -48);
        }
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

} // namespace controls
