#pragma once

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

    // A piece that holds blanks or quotes becomes one quoted argument, so no
    // text the user chose can split into further converter options.
    static QString quoted(const QString &piece);

    // Whether a typed size can be a geometry of the converter ("1024x768", "50%", "x600",
    // "800x600>", …): only its characters are judged, so no form it knows is turned away, but
    // words, other signs and blanks inside are.
    static bool isResizeGeometry(const QString &resizeText);
};
