#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The one place that knows which operating system Tessaly runs on: where things live and how
// the desktop is asked to show them. Everything else asks here.
namespace Platform {

// The folder of the running executable, without a trailing separator.
QString programFolder();

// The converter and the end sound, looked for under a program folder.
QString converterPath(const QString &programFolder);
QString converterPolicyFolder(const QString &programFolder);
// libheif's own decoder, for HEIF and AVIF images whose alpha the converter would drop.
QString heifDecoderPath(const QString &programFolder);
// Which of HEIC, AVIF and WEBP the converter this build ships reads, besides BMP, JPEG, GIF, PNG
// and TIFF.
QStringList converterFormats();
QString soundPath(const QString &programFolder);

// The scratch root and the two scratch folders in it. On Linux the root is per user; on
// Windows it is the root of drive C:. Only paths: asking for them creates nothing.
QString scratchRoot();
QString jpgTmpFolder();
QString tmpQuenbyFolder();
// Creates the scratch root when it is missing and, on Linux, leaves it open to its owner alone,
// even when someone else had opened it wider. Called before anything is put in it.
void ensureScratchRoot();
// A per-user folder for the lock that keeps Tessaly to one window.
QString instanceFolder();

// Where results go when the user has not chosen a folder.
QString defaultOutputFolder();

// The settings file.
QString settingsPath();

// The separator the platform's paths use; the helpers that cut paths split on it.
bool isPathSeparator(QChar c);
QChar nativeSeparator();

// One entry of a folder as listed: its name as the file system holds it, and whether a search
// of a tree enters it. A plain folder is a real directory that is not hidden; on Windows one
// whose only attribute is the directory's own. Links and junctions are never plain, so one that
// points back to a parent cannot send a search round in circles.
struct FolderEntry {
    QString name;
    bool plainFolder = false;
};

// The folder's entries, read whole and the folder closed again before it returns; none when it
// cannot be listed. Names are kept exactly, and a folder as deep as the system allows is listed.
std::vector<FolderEntry> listFolder(const QString &folder);

} // namespace Platform
