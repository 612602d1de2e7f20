#pragma once

#include "engine/HeaderFile.h"

// The newer photo formats' headers: HEIF (the container of HEIC and AVIF) and WebP.
namespace ImageHeader {

struct HeifFacts {
    bool heif = false;  // the file's brands say HEIF
    bool avif = false;  // and its images are AV1's, not HEVC's
    bool alpha = false; // an alpha plane goes with an image in it
    // The largest image it announces: a primary image may be a grid of smaller ones.
    quint64 width = 0;
    quint64 height = 0;
};

// From the file type box and the item properties of the metadata box.
HeifFacts readHeif(HeaderFile &file);

// From the first chunk: an extended header's alpha flag, or a lossless image's.
bool webpHasAlpha(HeaderFile &file);

} // namespace ImageHeader
