#pragma once

#include <QString>

#include <functional>

class QListWidget;

// The recursive search of a folder tree for image files, recognised by their names.
namespace FileSearch {

// Appends the full path of every image file in the folder's tree to the list, depth first:
// a folder's own images in the order the file system lists them, then the trees of its first
// 200 plain subfolders, one after the other. Window events are served after every directory
// entry but the first, so the window stays usable and other commands may run meanwhile. A
// folder that cannot be listed contributes nothing. Stops early when the list is destroyed or
// when `stopRequested`, asked after every entry, says so.
void ScanFolder(const QString &folder, QListWidget *list,
                const std::function<bool()> &stopRequested = {});

// The name with every NUL and blank at its end removed; empty when nothing else is left.
QString TrimEntryName(const QString &name);

// Whether the name ends in .bmp, .jpg, .gif, .png, .tif, .tiff or .jpeg, in any case, or in one of
// .heic, .heif, .avif and .webp whose format the converter reads. A name that is only the
// extension (".jpg") counts.
bool isImageName(const QString &name);

// The folder and the name with one separator between them, none added when the folder
// already ends with one (a root).
QString joinPath(const QString &folder, const QString &name);

} // namespace FileSearch
