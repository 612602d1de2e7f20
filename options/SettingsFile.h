#pragma once

#include <QString>
#include <QStringConverter>

class CompressionOptions;

// The six-line settings file that carries the options from one run of the program to the next:
// output folder, quality, resize text, thumb position, quality caption, output choice, one per
// line, in the system's encoding (UTF-8 with a byte-order mark where that cannot hold them). The
// thumb position is kept in design units (15 twips per pixel) so that it means the same place on a
// screen of any density.
class SettingsFile
{
public:
    // Applies what the file holds over the defaults already set. Never fails and never asks
    // anything: a missing file, a missing line or a value that cannot be read leaves that value
    // as it was; no folder chooser opens. The code page is the system's; another one can be
    // named where the system has only UTF-8, to try what a Windows code page makes of a file.
    static void LoadSettings(CompressionOptions &options, const QString &path,
                             QStringConverter::Encoding codePage = QStringConverter::System);

    // Replaces the file in one step, creating its folder when needed; an old file stays whole
    // when the new one cannot be written. On failure returns false with a message for the user
    // that names the file and the reason. Written in the code page when it holds every
    // character, else as UTF-8 with a byte-order mark, which the reader takes as UTF-8.
    static bool SaveSettings(const CompressionOptions &options, const QString &path,
                             QString *errorMessage,
                             QStringConverter::Encoding codePage = QStringConverter::System);
};
