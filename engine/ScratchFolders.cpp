#include "engine/ScratchFolders.h"

#include "engine/FileHelpers.h"
#include "engine/WorkFiles.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>

namespace ScratchFolders {

QString prepare()
{
    // Made again for every run, not only at start-up: the user may have deleted it meanwhile.
    Platform::ensureScratchRoot();
    const QString workFolder = Platform::jpgTmpFolder();
    QDir().mkdir(Platform::tmpQuenbyFolder());
    QDir().mkdir(workFolder);
    QFile::remove(workFolder + QStringLiteral("/jpgtmp.pdf"));
    return workFolder;
}

void remove()
{
    FileHelpers::DeleteFolderTree(Platform::jpgTmpFolder() + u'/');
    FileHelpers::DeleteFolderTree(Platform::tmpQuenbyFolder() + u'/');
}

void cleanUp()
{
    WorkFiles::terminateLeftovers(Platform::jpgTmpFolder());
    remove();
}

} // namespace ScratchFolders
