#include "tests/support/SmallFileSystem.h"

#include <QFile>
#include <QProcess>
#include <QStorageInfo>

namespace {

const QString fillerName = QStringLiteral(".filler");

} // namespace

SmallFileSystem::SmallFileSystem(int kibibytes)
{
#ifdef Q_OS_WIN
    // Nothing to mount one with; the cases that need it skip.
    Q_UNUSED(kibibytes);
    return;
#endif
    if (!m_folder.isValid())
        return;
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=%1k,mode=0777").arg(kibibytes), QStringLiteral("tmpfs"),
                 m_folder.path()});
    m_mounted = mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
                mount.exitCode() == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (!m_mounted)
        return;
    QProcess umount;
    umount.start(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder.path()});
    umount.waitForFinished(10000);
}

bool SmallFileSystem::fill()
{
    QFile filler(filePath(fillerName));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    // The last bytes of a block that no longer fits whole.
    while (filler.write(block.constData(), 1) == 1) {
    }
    filler.close();
    return QStorageInfo(path()).bytesAvailable() == 0;
}

void SmallFileSystem::makeRoom()
{
    QFile::remove(filePath(fillerName));
}
