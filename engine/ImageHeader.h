#pragma once

#include <QString>

// Reads just enough of an image file's header to answer questions the command line depends on.
namespace ImageHeader {

// The formats that need more than the command line of the others.
enum class Format {
    Other,
    Heic, // HEIF with HEVC images: an iPhone's photos
    Avif, // HEIF with AV1 images
    Webp,
};

struct Facts {
    Format format = Format::Other;
    // The image can hold transparent pixels: an alpha channel or a transparent colour.
    bool transparent = false;

    // A HEIF image, whose alpha the converter's coder drops.
    bool isHeif() const { return format == Format::Heic || format == Format::Avif; }
    // The largest image a HEIF file announces, in pixels; 0 for other formats.
    quint64 width = 0;
    quint64 height = 0;
};

// What the command line of one image depends on. The format is told by the file's first bytes,
// not its name, and transparency is the converter's view of the first image (PNG, GIF, BMP,
// TIFF and BigTIFF, WebP, HEIF; JPEG never has any). Reads a few hundred KB at most; nothing is
// known of anything missing, unreadable, damaged before the answer or not an image.
Facts read(const QString &path);

// The checksum a PNG chunk carries over its type and data (CRC-32 of ISO 3309).
quint32 pngCrc(const QByteArray &bytes);

} // namespace ImageHeader
