#pragma once

#include <QString>

// Reads just enough of an image file's header to answer questions the command line depends on.
namespace ImageHeader {

// True when the image can hold transparent pixels: an alpha channel or a transparent colour.
// The format is told by the file's first bytes, not its name, and the answer is the converter's
// view of the first image (PNG, GIF, BMP, TIFF and BigTIFF; JPEG never has any). Reads a few
// hundred KB at most; false for anything missing, unreadable, damaged before the answer or not
// an image.
bool hasTransparency(const QString &path);

// The checksum a PNG chunk carries over its type and data (CRC-32 of ISO 3309).
quint32 pngCrc(const QByteArray &bytes);

} // namespace ImageHeader
