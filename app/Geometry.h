#pragma once

#include <QRect>
#include <QSize>

// Where the window's own controls stand, in pixels of the design from the window's top-left
// corner. The options panel places its controls itself; everything else is here.
namespace Geometry {

constexpr QSize window(446, 479);

constexpr QRect imgClose(411, 10, 25, 22);
constexpr QRect imgMin(382, 10, 25, 22);
constexpr QRect imgStart(332, 410, 97, 43);
constexpr QRect imgToolbar[] = {
    {16, 55, 43, 61}, {85, 56, 67, 61}, {169, 54, 54, 61}, {241, 54, 43, 61}, {308, 53, 43, 61}};
constexpr QRect LV(14, 128, 413, 196);
constexpr QRect picText(138, 214, 149, 19);
constexpr QRect pb(16, 431, 303, 21);
constexpr QRect lblPB(94, 414, 157, 13);
constexpr QRect lblWhy(16, 457, 162, 14);
constexpr QRect txtDebug(284, 188, 143, 135);
// Where the background paints the captions of the two drop-downs.
constexpr QRect cmbDPICaption(18, 349, 33, 17);
constexpr QRect cmbOutputCaption(145, 349, 33, 17);
// Parked outside the visible area, like the scan list and the menu mailbox always were.
constexpr QRect offscreen(-1000, -1000, 10, 10);

} // namespace Geometry
