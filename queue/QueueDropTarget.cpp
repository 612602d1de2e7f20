#include "queue/QueueDropTarget.h"

#include "platform/NativePath.h"
#include "queue/ImageQueue.h"

#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QMimeData>
#include <QTableView>
#include <QUrl>

#include <algorithm>

QueueDropTarget::QueueDropTarget(ImageQueue *queue)
    : QObject(queue)
    , m_queue(queue)
{
    // The list view itself takes what is dropped on its header or scroll bars.
    for (QWidget *target :
         {queue->LV()->viewport(), static_cast<QWidget *>(queue->LV()),
          static_cast<QWidget *>(queue->picText()), static_cast<QWidget *>(queue->lblText())}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
}

bool QueueDropTarget::offersFiles(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl &url) { return url.isLocalFile(); });
}

void QueueDropTarget::oleDragDrop(QDropEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QMimeData *data = event->mimeData();
    if (data && data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        QStringList paths;
        for (const QUrl &url : urls) {
            const QString path = NativePath::fromFileUrl(url);
            if (!path.isEmpty())
                paths.append(path);
        }
        m_queue->AddToQueue(paths);
    }
    if (m_queue->count() > 0)
        m_queue->hideDropHint();
}

bool QueueDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (offersFiles(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop:
        oleDragDrop(static_cast<QDropEvent *>(event));
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
