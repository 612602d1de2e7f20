#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file in one step: the new contents are written whole to a temporary file beside it,
// which then takes the file's name. Until then the old file stays as it was, byte for byte, and
// when anything fails (a full disk, no permission) the temporary file is removed again, so
// nothing half-written is left. A link standing at the path is replaced by the file; what it
// points to is never written.
//
// Paths are NativePath texts, so a name in any encoding works. The reasons are the user's
// language.
namespace AtomicFile {

bool replace(const QString &path, const QByteArray &bytes, QString *reason);
bool replaceWithCopyOf(const QString &path, const QString &source, QString *reason);

// Why a file operation failed, from the system's error number.
QString describeError(int error);

// Where a settings file that is a link should be written: the link's own target when both the
// link and the file it names belong to the user running Tessaly (a set-up the user made, such as
// a folder of configuration files kept elsewhere), otherwise the path itself.
QString ownLinkTarget(const QString &path);

} // namespace AtomicFile
