#include "engine/FileHelpers.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace FileHelpers {

namespace {

constexpr QFileDevice::Permissions ownerFull =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

} // namespace

QString GetFileName(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (Platform::isPathSeparator(path.at(i)))
            return path.mid(i + 1);
    }
    return path;
}

QString GetBaseName(const QString &path)
{
    const QString name = GetFileName(path);
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

void DeleteFolderTree(const QString &folder)
{
    QString path = folder;
    while (path.size() > 1 && Platform::isPathSeparator(path.back()))
        path.chop(1);
    const QFileInfo self(path);
    if (self.isSymLink()) {
        QFile::remove(path);
        return;
    }
    if (!self.isDir())
        return;

    // Listing and deleting need the folder itself to be open to us, like "normal" attributes.
    QFile::setPermissions(path, QFile::permissions(path) | ownerFull);
    const QFileInfoList entries = QDir(path).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            DeleteFolderTree(entry.filePath());
        } else {
            if (!entry.isSymLink())
                QFile::setPermissions(entry.filePath(), entry.permissions() | ownerFull);
            QFile::remove(entry.filePath());
        }
    }
    QDir().rmdir(path);
}

} // namespace FileHelpers
