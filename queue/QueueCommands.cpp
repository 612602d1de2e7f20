#include "queue/QueueCommands.h"

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

// The paths given to the program as the queue takes them: whether each is a folder to search,
// a file to queue or nothing (it does not exist), and the absolute path of each that exists.
enum PathKind : char { Missing, File, Folder };
struct GivenPaths {
    QByteArray kinds;
    QStringList absolute;
};

GivenPaths lookAt(const QStringList &paths)
{
    GivenPaths given;
    given.kinds.fill(Missing, paths.size());
    given.absolute.reserve(paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i) {
        std::error_code error;
        const auto status = std::filesystem::status(NativePath::toFileSystem(paths[i]), error);
        if (!std::filesystem::exists(status))
            continue;
        given.kinds[i] = std::filesystem::is_directory(status) ? Folder : File;
        // A path that is already absolute shares the caller's text: a hundred thousand of
        // them cost no second copy.
        const QString absolute = NativePath::absolutePath(paths[i]);
        given.absolute.append(absolute == paths[i] ? paths[i] : absolute);
    }
    return given;
}

} // namespace

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

void QueueCommands::holdGivenPaths(bool hold)
{
    m_holdingGivenPaths = hold;
    if (!hold && !m_heldPaths.isEmpty())
        addPaths(std::exchange(m_heldPaths, {}));
}

void QueueCommands::addPaths(const QStringList &paths)
{
    if (m_holdingGivenPaths) {
        m_heldPaths += paths;
        return;
    }
    // A hundred thousand paths keep the file system busy longer than the window may go
    // unanswered, so they are looked at away from it while the window is served.
    QFutureWatcher<GivenPaths> lookedAt;
    QEventLoop waiting;
    connect(&lookedAt, &QFutureWatcher<GivenPaths>::finished, &waiting, &QEventLoop::quit);
    lookedAt.setFuture(QtConcurrent::run(lookAt, paths));
    // Commands served meanwhile may close the window and take this object with it.
    const QPointer<QueueCommands> alive(this);
    waiting.exec();
    if (!alive)
        return;
    // A run may have started while they were looked at; they wait for its end like the rest.
    if (m_holdingGivenPaths) {
        m_heldPaths += paths;
        return;
    }
    // Files are queued together, in one insertion per run of files between two folders.
    QStringList files;
    const GivenPaths given = lookedAt.result();
    qsizetype existing = 0;
    for (const char kind : given.kinds) {
        if (m_folderScan->isAborted())
            return; // the window closed during the search of a folder before this path
        if (kind == Folder) {
            m_queue->AddToQueue(std::exchange(files, {}));
            m_folderScan->queueFolder(given.absolute.at(existing++));
        } else if (kind == File) {
            files.append(given.absolute.at(existing++));
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
