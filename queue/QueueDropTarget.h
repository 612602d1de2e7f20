#pragma once

#include <QObject>

class ImageQueue;
class QDropEvent;
class QMimeData;

// Makes the list view and the drop hint accept files dragged from the file manager: each
// dropped file or folder is queued as it stands, in the order the drop lists them.
class QueueDropTarget : public QObject
{
    Q_OBJECT

public:
    // Serves the list view (its viewport, header and scroll bars), picText and lblText.
    explicit QueueDropTarget(ImageQueue *queue);

    // What every drop target does with a drop.
    void oleDragDrop(QDropEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool offersFiles(const QMimeData *data);

    ImageQueue *m_queue;
};
