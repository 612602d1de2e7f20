#pragma once

#include <QString>

// The run's scratch folders under the scratch root: the work folder, where images are copied and
// converted, and the second, empty one. They exist only while a run goes.
namespace ScratchFolders {

// Made as a run starts: the scratch root (the user's alone), the empty folder and the work
// folder, with an old jpgtmp.pdf removed from it. Returns the work folder.
QString prepare();

// Removes both folders with everything in them. Takes as long as the files in them take to
// delete, so a run does it away from the window.
void remove();

// At start-up: ends the converters that a run cut short left behind, then removes the folders.
void cleanUp();

} // namespace ScratchFolders
