#pragma once

#include <QString>

// The choices a run works with, read once as it starts: the controls are locked while it runs,
// so they cannot change under it.
struct RunOptions {
    qint16 quality = 75;
    // The size list's "不变": no resize at all, whatever resizeText says.
    bool keepSize = true;
    QString resizeText;
    // false: each result beside its image; true: every result in outputFolder.
    bool intoOutputFolder = false;
    QString outputFolder;
};
