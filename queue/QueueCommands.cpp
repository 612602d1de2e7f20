#include "queue/QueueCommands.h"

#include "platform/NativePath.h"
#include "queue/FolderScan.h"
#include "queue/frmMenu.h"
#include "queue/ImageQueue.h"
#include "queue/QueueDropTarget.h"

#include <utility>

QueueCommands::QueueCommands(ImageQueue *queue, FileAsker askForFile, QWidget *window)
    : QObject(queue)
    , m_queue(queue)
    , m_askForFile(std::move(askForFile))
    , m_menu(new frmMenu(queue, window))
    , m_folderScan(new FolderScan(queue, window))
{
    new QueueDropTarget(queue); // a child of the queue, serving it for as long as it lives
}

const QString &QueueCommands::openTitle()
{
    static const QString text = QStringLiteral("打开文件");
    return text;
}

const QString &QueueCommands::openFilter()
{
    static const QString text =
        QStringLiteral("所有文件(All Files, *.*)|*.*|JPG图片文件(*.jpg)|*.jpg|BMP文件(*.bmp)|*.bmp|"
                       "GIF文件(*.gif)|*.gif|PNG图片(*.png)|*.png");
    return text;
}

void QueueCommands::addFile()
{
    const std::optional<QString> chosen = m_askForFile(openTitle(), openFilter());
    if (!chosen)
        return;
    // The dialog shows a name that is not UTF-8 with replacement characters.
    const QString path = NativePath::recoverFromDialog(*chosen);
    if (!path.isEmpty())
        m_queue->AddToQueue(path);
    m_queue->setDropHintShown(m_queue->count() == 0);
}

void QueueCommands::AddFolder()
{
    m_folderScan->AddFolder();
}

void QueueCommands::addPaths(const QStringList &paths)
{
    // Files are queued together, in one insertion per run of files between two folders.
    QStringList files;
    for (const QString &path : paths) {
        if (m_folderScan->isAborted())
            return; // the window closed during the search of a folder before this path
        std::error_code error;
        const auto status = std::filesystem::status(NativePath::toFileSystem(path), error);
        if (std::filesystem::is_directory(status)) {
            m_queue->AddToQueue(std::exchange(files, {}));
            m_folderScan->queueFolder(NativePath::absolutePath(path));
        } else if (std::filesystem::exists(status)) {
            files.append(NativePath::absolutePath(path));
        }
    }
    m_queue->AddToQueue(files);
    if (m_queue->count() > 0)
        m_queue->hideDropHint();
}

void QueueCommands::popupRemoveMenu(const QPoint &globalPos)
{
    m_menu->popup(globalPos);
}
