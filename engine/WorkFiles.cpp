#include "engine/WorkFiles.h"

#include "platform/FileCopy.h"
#include "platform/NativePath.h"
#include "platform/ProcessTerminator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

WorkFiles::WorkFiles(const QString &workFolder, int slot)
    : m_folder(slot == 0 ? workFolder : workFolder + QStringLiteral("/slot%1").arg(slot))
{}

bool WorkFiles::prepareFolder() const
{
    return QDir().mkpath(m_folder);
}

FileCopy::Result WorkFiles::copyIn(const QString &source, const std::atomic_bool &cancel,
                                   qint64 largest) const
{
    // Renaming replaces a stale copy that a failed copy could have left.
    std::error_code error;
    std::filesystem::rename(NativePath::toFileSystem(spare()), NativePath::toFileSystem(input()),
                            error);
    const FileCopy::Result copied = FileCopy::copy(source, input(), cancel, largest);
    if (copied.outcome != FileCopy::Result::Outcome::Copied)
        QFile::remove(input());
    return copied;
}

bool WorkFiles::setInputAside() const
{
    std::error_code error;
    std::filesystem::rename(NativePath::toFileSystem(input()), NativePath::toFileSystem(spare()),
                            error);
    return !error;
}

void WorkFiles::clear(bool framesWritten) const
{
    std::error_code error;
    std::filesystem::remove(NativePath::toFileSystem(result()), error);
    if (!framesWritten)
        return;
    // Listed without a name filter: a filter is a pattern compiled anew on every call.
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (name.startsWith(QStringLiteral("tmp1-")) && name.endsWith(QStringLiteral(".jpg")))
            QFile::remove(m_folder + u'/' + name);
    }
}

bool WorkFiles::isFrame(const QString &result) const
{
    return result == firstFrame();
}

QString WorkFiles::producedResult(qint64 *bytes) const
{
    for (const QString &candidate : {result(), firstFrame()}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.size() > 0) {
            *bytes = info.size();
            return candidate;
        }
    }
    return QString();
}

void WorkFiles::terminateLeftovers(const QString &workFolder)
{
    ProcessTerminator::terminateProcessesNaming(workFolder + u'/');
}
