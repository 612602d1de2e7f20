#pragma once

#include <QString>

// Reads just enough of an image file's header to answer questions the command line depends on.
namespace ImageHeader {

// True when the image can hold transparent pixels: an alpha channel or a transparent colour.
bool hasTransparency(const QString &path);

} // namespace ImageHeader
