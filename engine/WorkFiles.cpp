#include "engine/WorkFiles.h"

#include "platform/FileCopy.h"
#include "platform/ProcessTerminator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

WorkFiles::WorkFiles(const QString &workFolder, int slot)
    : m_folder(slot == 0 ? workFolder : workFolder + QStringLiteral("/slot%1").arg(slot))
{}

bool WorkFiles::prepareFolder() const
{
    return QDir().mkpath(m_folder);
}

qint64 WorkFiles::copyIn(const QString &source, const std::atomic_bool &cancel,
                         qint64 largest) const
{
    return FileCopy::copy(source, input(), cancel, largest);
}

void WorkFiles::clear() const
{
    QFile::remove(input());
    QFile::remove(result());
    const QStringList frames =
        QDir(m_folder).entryList({QStringLiteral("tmp1-*.jpg")}, QDir::Files | QDir::Hidden);
    for (const QString &frame : frames)
        QFile::remove(m_folder + u'/' + frame);
}

QString WorkFiles::producedResult(qint64 *bytes) const
{
    for (const QString &candidate : {result(), m_folder + QStringLiteral("/tmp1-0.jpg")}) {
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
