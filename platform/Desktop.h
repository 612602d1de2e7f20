#pragma once

#include <QString>

// Hand-offs to the desktop: they need a running GUI, so they live apart from the paths in
// Platform.h, which the engine reads without one.
namespace Platform {

// Hands a folder or a page to the desktop; returns whether the desktop accepted it. A folder is
// not handed over while folders open in Tessaly itself.
bool openInFileBrowser(const QString &folder);
bool openWebPage(const QString &urlOrFile);
// Whether the desktop opens folders with Tessaly: it offers to, so on a desktop without a file
// manager it may become the default, and showing a folder would only start it again.
bool foldersOpenInTessaly();

} // namespace Platform
