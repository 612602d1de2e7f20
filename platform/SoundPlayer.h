#pragma once

#include <QString>

// Plays a WAV file and returns when it has finished, as the end-of-run chime expects. The wait is
// bounded by the sound's own length plus a short margin, so a machine without an audio device
// never hangs the window; a missing file gives the system beep instead. On Windows the system's
// own synchronous player plays it, which knows when it has ended.
class SoundPlayer
{
public:
    static void playToEnd(const QString &wavPath);

    // The playing time the WAV header announces (its data size over its byte rate), in
    // milliseconds; 0 when the file is no WAV or lacks either.
    static int durationMs(const QString &wavPath);
};
