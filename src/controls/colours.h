#pragma once

#include <QRgb>
#include <QtGlobal>

#include <array>

namespace controls {

// A colour as the button's properties hold it: 0x00BBGGRR, or 0x80000000 + n for system colour n.
using OleColour = qint32;

// Colours the control uses by value.
namespace Colour {
inline constexpr OleColour None = -1; // "no colour" where an argument allows it
inline constexpr OleColour Black = 0x000000;
inline constexpr OleColour White = 0xFFFFFF;
inline constexpr OleColour Grey = 0x808080;
inline constexpr OleColour ButtonFace = OleColour(0x8000000FU); // system colour 15
inline constexpr OleColour ButtonText = OleColour(0x80000012U); // system colour 18
} // namespace Colour

inline constexpr OleColour RGB(int r, int g, int b)
{
    return OleColour(r + 256 * g + 65536 * b);
}

// The one conversion between the control's colours and the raster's: every pixel read or written goes
// through these two.
inline constexpr QRgb toQRgb(OleColour rgb)
{
    return qRgb(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
inline constexpr OleColour fromQRgb(QRgb pixel)
{
    return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

// RGB of each system colour, by index; an index past the end reads as black.
using SystemColours = std::array<OleColour, 31>;

// The classic desktop scheme: the colours a host falls back on where its own palette says nothing.
const SystemColours &classicSystemColours();

// A system colour value becomes the RGB of its index; an RGB value comes back unchanged.
OleColour ConvertSysColor(OleColour colour, const SystemColours &table);

// Moves each component by amount (blue by amount x B \ 192 when blue is scaled) and clamps it to 0..255.
OleColour ShiftColor(OleColour colour, int amount, bool blueScaled = false);

} // namespace controls
