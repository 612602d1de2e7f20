#pragma once

// The window's geometry moved to platform/WindowGeometry.h, where the options panel reads it
// too. This header remains only while app/CMakeLists.txt still lists it among the sources.
#include "platform/WindowGeometry.h"
