#include "controls/colours.h"

#include <algorithm>

namespace controls {

const SystemColours &classicSystemColours()
{
    static const SystemColours table = {
        RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
        RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
        RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
        RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
        RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
        RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
        RGB(236, 233, 216),
    };
    return table;
}

OleColour ConvertSysColor(OleColour colour, const SystemColours &table)
{
    if (colour >= 0)
        return colour;
    const auto index = std::size_t(colour & 0xFF);
    return index < table.size() ? table.at(index) : Colour::Black;
}

OleColour ShiftColor(OleColour colour, int amount, bool blueScaled)
{
    const int r = colour & 0xFF;
    const int g = (colour / 256) & 0xFF;
    const int b = (colour / 65536) & 0xFF;
    const auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    return RGB(clamp(r + amount), clamp(g + amount), clamp(blueScaled ? b + amount * b / 192 : b + amount));
}

} // namespace controls
