#pragma once

#include <QString>

// Plays a WAV file and returns when it has finished, as the end-of-run chime expects. The wait is
// bounded by the sound's own length plus a short margin, so a machine without an audio device
// never hangs the window; a missing file gives the system beep instead.
class SoundPlayer
{
public:
    static void playToEnd(const QString &wavPath);

    // The playing time the WAV header announces, in milliseconds; 0 when it is no PCM WAV.
    static int durationMs(const QString &wavPath);
};
