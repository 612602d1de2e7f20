#pragma once

#include "engine/ImageHeader.h"
#include "engine/RunOptions.h"

#include <QString>

// The converter's command line for one image: the program folder's converter, the work copy,
// the optional resize, the quality and the result file.
struct ConverterCommand {
    QString programFolder;
    QString input;
    QString resizeText; // empty: the size stays
    qint16 quality = 75;
    QString output;
    // Transparent sources are laid onto white; JPEG has no transparency of its own.
    bool flattenOntoWhite = false;

    QString commandLine() const;

    // The command of a run: its options, from a work file to the slot's result.
    static ConverterCommand forRun(const QString &programFolder, const RunOptions &options,
                                   const QString &input, const QString &output,
                                   bool flattenOntoWhite);
    // libheif's decoder, writing `input`'s image losslessly, alpha and all, as `output` (a PNG).
    static QString decoderCommandLine(const QString &programFolder, const QString &input,
                                      const QString &output);
    // Whether an image of this many pixels is more than the converter's policy lets it take on
    // (200 megapixels, or 32K pixels a side), so that one can be turned away before libheif
    // decodes it whole.
    static bool exceedsLimits(quint64 width, quint64 height);
    // Whether the converter this build ships reads images of the format.
    static bool reads(ImageHeader::Format format);

    // A piece that holds blanks or quotes becomes one quoted argument, so no
    // text the user chose can split into further converter options.
    static QString quoted(const QString &piece);

    // Whether a typed size can be a geometry of the converter ("1024x768", "50%", "x600",
    // "800x600>", …): only its characters are judged, so no form it knows is turned away, but
    // words, other signs and blanks inside are.
    static bool isResizeGeometry(const QString &resizeText);
};
