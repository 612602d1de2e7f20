#pragma once

class frmPrinting;

// What the window's controls are called and described as for assistive technology, and the
// order the keyboard visits them in.
namespace WindowDescriptions {

void describeControls(frmPrinting &window);
void setTabOrder(frmPrinting &window);

} // namespace WindowDescriptions
