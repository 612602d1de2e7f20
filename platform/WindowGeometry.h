#pragma once

#include <QRect>
#include <QSize>

// Where every control of the main window stands, in pixels of the design from the window's
// top-left corner: the window's own controls and the options panel's alike, in one table that
// the window, the panel and their tests all read. Here rather than beside the window so that
// the options panel can place its controls without depending on the window.
namespace Geometry {

// The density the layout was drawn at. Positions the window keeps in twips (the slider's) are
// these pixels times this.
constexpr int twipsPerPixel = 15;

constexpr int twips(int pixels)
{
    return pixels * twipsPerPixel;
}

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

// The options panel. cmbDPI is wider than first drawn (59 pixels): no face shows "1280x1024"
// and the arrow in that width.
constexpr QRect cmbDPI(54, 347, 84, 21);
constexpr QRect cmbOutput(182, 347, 95, 21);
constexpr QRect lblCF(300, 350, 121, 17);
// The slider thumb at its design place; a drag moves it along the row.
constexpr QRect imgSlider(234, 371, 11, 20);
constexpr QRect lblCompress(280, 373, 87, 17);
constexpr QRect lblDefault(374, 373, 43, 17);

// Where the background paints the captions of the two drop-downs.
constexpr QRect cmbDPICaption(18, 349, 33, 17);
constexpr QRect cmbOutputCaption(145, 349, 33, 17);
// Parked outside the visible area, like the scan list and the menu mailbox always were.
constexpr QRect offscreen(-1000, -1000, 10, 10);

} // namespace Geometry
