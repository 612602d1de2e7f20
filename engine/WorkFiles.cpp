#include "engine/WorkFiles.h"

#include "platform/FileCopy.h"
#include "platform/NativePath.h"
#include "platform/ProcessTerminator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <functional>
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

void WorkFiles::clear(bool leftovers) const
{
    std::error_code error;
    std::filesystem::remove(NativePath::toFileSystem(result()), error);
    if (leftovers)
        removeMatching([](const QString &name) {
            return (name.startsWith(QStringLiteral("tmp1-")) &&
                    name.endsWith(QStringLiteral(".jpg"))) ||
                   name.startsWith(QStringLiteral("decoded-"));
        });
}

QString WorkFiles::decodedStem(quint64 entry)
{
    return QStringLiteral("decoded-%1").arg(entry);
}

QString WorkFiles::decoded(quint64 entry) const
{
    return m_folder + u'/' + decodedStem(entry) + QStringLiteral(".png");
}

void WorkFiles::removeDecoded(quint64 entry) const
{
    const QString stem = decodedStem(entry);
    removeMatching([&stem](const QString &name) {
        return name.startsWith(stem) &&
               (name.size() == stem.size() + 4 || name.at(stem.size()) == u'-');
    });
}

void WorkFiles::removeMatching(const std::function<bool(const QString &)> &matches) const
{
    // Listed without a name filter: a filter is a pattern compiled anew on every call.
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (matches(name))
            QFile::remove(m_folder + u'/' + name);
    }
}

QString WorkFiles::producedDecoding(quint64 entry) const
{
    const QString several = m_folder + u'/' + decodedStem(entry) + QStringLiteral("-1.png");
    for (const QString &candidate : {decoded(entry), several}) {
        if (QFileInfo(candidate).size() > 0)
            return candidate;
    }
    return QString();
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
