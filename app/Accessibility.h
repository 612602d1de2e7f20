#pragma once

// How assistive technology sees the window's own controls, which the generic widget description
// leaves as unnamed, unusable panes: the picture buttons are buttons named after their command,
// the links are links, the quality thumb is a slider with the quality as its value and the
// caption as its text, the progress bar reads its status label, and the main window offers what
// the user can see, its popup menu included, and nothing that is hidden.
namespace Accessibility {

// Once per process, before the first control is described.
void install();

} // namespace Accessibility
