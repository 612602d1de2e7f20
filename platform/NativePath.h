#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <filesystem>

// File names exactly as the file system holds them. On Linux a name is a string of bytes, and
// Qt reads those bytes as UTF-8: a name in another encoding (GBK from an archive made on a
// Chinese Windows system, Latin-1) would come back changed and name no file. Here every byte
// that is not part of valid UTF-8 is kept in the text as one lone surrogate, U+DC80 to U+DCFF,
// and given back as the same byte, so such a path survives the queue, the scan and the hand-over
// to a running window, and the result's name keeps the source's bytes. A valid UTF-8 name comes
// out exactly as Qt would decode it. Qt's own file classes cannot open a path that holds such a
// byte; anything that touches a user's file goes through toFileSystem() instead.
namespace NativePath {

QString fromNative(const QByteArray &bytes);
QByteArray toNative(const QString &path);

std::filesystem::path toFileSystem(const QString &path);
QString fromFileSystem(const std::filesystem::path &path);

// The path made absolute against the working folder, with "." and ".." parts resolved as text,
// written with the system's separators.
QString absolutePath(const QString &path);

// Whether the path holds a byte that is not UTF-8.
bool hasForeignBytes(const QString &path);

// The path as the user should read it: bytes that are no UTF-8 are read as GB18030 (what a
// Chinese Windows system writes) when that makes sense of them, else shown as \xNN.
QString displayPath(const QString &path);

// A path as a file dialog returns it: Qt shows a name that is not UTF-8 with replacement
// characters, so the path it returns names no file. Finds the real entry of each such part in
// its folder; the path itself when it exists or nothing matches.
QString recoverFromDialog(const QString &path);

// The program's arguments after its name, as the system passed them (on Windows its UTF-16
// command line, elsewhere argv's bytes).
QStringList commandLineArguments(int argc, char *argv[]);

// The local path of a dropped "file:" URL, taken from its percent-encoded bytes so that no byte
// is lost; empty for anything that is not a local file.
QString fromFileUrl(const QUrl &url);

} // namespace NativePath
