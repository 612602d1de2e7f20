#pragma once

#include <QString>

// Plays a WAV file to its end in the background, as the end-of-run chime expects, and returns at
// once. The player is let go when the sound has ended, and never later than the sound's own length
// plus a short margin, so a machine without an audio device keeps nothing playing; a missing file
// gives the system beep instead. On Windows the system's own player plays it.
class SoundPlayer
{
public:
    static void play(const QString &wavPath);

    // The playing time the WAV header announces (its data size over its byte rate), in
    // milliseconds; 0 when the file is no WAV or lacks either.
    static int durationMs(const QString &wavPath);
};
