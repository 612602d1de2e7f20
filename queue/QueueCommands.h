#pragma once

#include <QObject>

class CCommonDialogs;
class FolderScan;
class ImageQueue;
class QPoint;
class QWidget;
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
    // Paths given to the program (its command line, a later start): files are queued as they
    // are, folders are searched like Add Folder, paths that do not exist are passed over.
    void addPaths(const QStringList &paths);

    frmMenu *menu() const { return m_menu; }
    FolderScan *folderScan() const { return m_folderScan; }

private:
    ImageQueue *m_queue;
    CCommonDialogs *m_dialogs;
    frmMenu *m_menu;
    FolderScan *m_folderScan;
};
