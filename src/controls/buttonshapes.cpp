#include "controls/buttonhost.h"
#include "controls/ctlbutton.h"

namespace controls {

using namespace ButtonState;

void ctlButton::BuildButtonRegion()
{
    const int width = scaleWidth();
    const int height = scaleHeight();
    m_shapeLeft = 0;
    m_shapeRight = width;
    m_buffer.removeClip();
    m_innerRegion1.reset();
    m_innerRegion2.reset();
    m_host.setWindowRegion(QRegion(0, 0, width + 1, height + 1));
}

void ctlButton::PrepareShapeClip(qint16 &clipResult)
{
    clipResult = MoveForCustomClick() ? 0 : 1;
}

bool ctlButton::MoveForCustomClick()
{
    return false;
}

void ctlButton::outlineShapedWindow(OleColour frameColour, qint16 clipResult)
{
    Q_UNUSED(frameColour);
    Q_UNUSED(clipResult);
}

} // namespace controls
