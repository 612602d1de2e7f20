#pragma once

#include <QString>

// Path and folder helpers of the compression run.
namespace FileHelpers {

// The characters after the path's last separator; the whole path when it has none.
QString GetFileName(const QString &path);

// The file name up to, not including, its first dot.
QString GetBaseName(const QString &path);

// Deletes a folder with everything in it, depth first; from any thread. A symbolic link is removed
// as a link: what it points to is never touched. What cannot be deleted stays, and so does the
// folder that still holds it.
void DeleteFolderTree(const QString &folder);

} // namespace FileHelpers
