#include "queue/QueueCommands.h"

#include "dialogs/CCommonDialogs.h"
#include "platform/NativePath.h"
#include "queue/FolderScan.h"
#include "queue/frmMenu.h"
#include "queue/ImageQueue.h"
#include "queue/QueueDropTarget.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QPointer>
#include <QtConcurrent>

#include <utility>

namespace {

// A path given to the program, as the queue takes it: a folder to search or a file to queue.
// Paths that do not exist are left out.
struct GivenPath {
    QString absolute;
    bool isFolder = false;
};

QList<GivenPath> lookAt(const QStringList &paths)
{
    QList<GivenPath> found;
    for (const QString &path : paths) {
        std::error_code error;
        const auto status = std::filesystem::status(NativePath::toFileSystem(path), error);
        if (std::filesystem::exists(status))
            found.append({NativePath::absolutePath(path), std::filesystem::is_directory(status)});
    }
    return found;
}

} // namespace

QueueCommands::QueueCommands(ImageQueue *queue, CCommonDialogs *dialogs, QWidget *window)
    : QObject(queue)
    , m_queue(queue)
    , m_dialogs(dialogs)
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
    m_dialogs->setFilename(QString());
    m_dialogs->setTitle(openTitle());
    m_dialogs->setFilter(openFilter());
    if (!m_dialogs->ShowOpen())
        return;
    // The dialog shows a name that is not UTF-8 with replacement characters.
    const QString path = NativePath::recoverFromDialog(m_dialogs->Filename());
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
    // A hundred thousand paths keep the file system busy longer than the window may go
    // unanswered, so they are looked at away from it while the window is served.
    QFutureWatcher<QList<GivenPath>> lookedAt;
    QEventLoop waiting;
    connect(&lookedAt, &QFutureWatcher<QList<GivenPath>>::finished, &waiting, &QEventLoop::quit);
    lookedAt.setFuture(QtConcurrent::run(lookAt, paths));
    // Commands served meanwhile may close the window and take this object with it.
    const QPointer<QueueCommands> alive(this);
    waiting.exec();
    if (!alive)
        return;
    // Files are queued together, in one insertion per run of files between two folders.
    QStringList files;
    for (const GivenPath &path : lookedAt.result()) {
        if (m_folderScan->isAborted())
            return; // the window closed during the search of a folder before this path
        if (path.isFolder) {
            m_queue->AddToQueue(std::exchange(files, {}));
            m_folderScan->queueFolder(path.absolute);
        } else {
            files.append(path.absolute);
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
