#pragma once

#include <QObject>

class CCommonDialogs;
class FolderScan;
class ImageQueue;
class QPoint;
class QWidget;
class QueueDropTarget;
class frmMenu;

// The queue's commands as the window's toolbar reaches them (items 0, 1 and 2), together with
// the popup menu and the drop targets that also change the queue.
class QueueCommands : public QObject
{
    Q_OBJECT

public:
    // `dialogs` is the window's shared common-dialogs object; it must outlive this one.
    QueueCommands(ImageQueue *queue, CCommonDialogs *dialogs, QWidget *window);

    static const QString &openTitle();
    static const QString &openFilter();

    // Toolbar item 0: asks for one file and queues it.
    void addFile();
    // Toolbar item 1: asks for a folder and queues the images of its tree.
    void AddFolder();
    // Toolbar item 2: the remove menu at a point of the screen.
    void popupRemoveMenu(const QPoint &globalPos);

    frmMenu *menu() const { return m_menu; }
    FolderScan *folderScan() const { return m_folderScan; }
    QueueDropTarget *dropTarget() const { return m_dropTarget; }

private:
    ImageQueue *m_queue;
    CCommonDialogs *m_dialogs;
    frmMenu *m_menu;
    FolderScan *m_folderScan;
    QueueDropTarget *m_dropTarget;
};
