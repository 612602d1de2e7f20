#include "engine/WorkFiles.h"

#include "platform/FileCopy.h"
#include "platform/ProcessTerminator.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

const QString pidSuffix = QStringLiteral(".pid");

} // namespace

WorkFiles::WorkFiles(const QString &workFolder, int slot)
    : m_workFolder(workFolder)
    , m_folder(slot == 0 ? workFolder : workFolder + QStringLiteral("/slot%1").arg(slot))
    , m_slot(slot)
{}

QString WorkFiles::pidFile() const
{
    return m_workFolder + QStringLiteral("/converter%1").arg(m_slot) + pidSuffix;
}

bool WorkFiles::prepareFolder() const
{
    return QDir().mkpath(m_folder);
}

bool WorkFiles::copyIn(const QString &source, const std::atomic_bool &cancel) const
{
    return FileCopy::copy(source, input(), cancel);
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

QString WorkFiles::producedResult() const
{
    for (const QString &candidate : {result(), m_folder + QStringLiteral("/tmp1-0.jpg")}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.size() > 0)
            return candidate;
    }
    return QString();
}

void WorkFiles::terminateLeftovers(const QString &workFolder)
{
    const QStringList pidFiles = QDir(workFolder).entryList({u'*' + pidSuffix}, QDir::Files);
    for (const QString &name : pidFiles) {
        QFile file(workFolder + u'/' + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        bool isNumber = false;
        const qint64 pid = file.readAll().trimmed().toLongLong(&isNumber);
        if (isNumber)
            ProcessTerminator::terminateIfCommandLineContains(pid, workFolder + u'/');
    }
}
