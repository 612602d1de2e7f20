#pragma once

#include "platform/FolderBrowser.h"

#include <QObject>

class ImageQueue;
class QWidget;

// The Add Folder command: the user picks a folder, its whole tree is searched for images into
// the scan list, and what the search found is queued in search order.
class FolderScan : public QObject
{
    Q_OBJECT

public:
    FolderScan(ImageQueue *queue, QWidget *window);

    void AddFolder();
    // Searches a folder that is already chosen (an empty one searches nothing) and queues its
    // images, with the same hints as AddFolder.
    void queueFolder(const QString &folder);
    // Ends every running search at once and queues nothing more: the window is closing.
    void abort();
    bool isAborted() const { return m_aborted; }

    // The picker behind the folder browser can be replaced.
    FolderBrowser &folderBrowser() { return m_folderBrowser; }

private:
    void moveScanListIntoQueue();

    ImageQueue *m_queue;
    QWidget *m_window;
    FolderBrowser m_folderBrowser;
    bool m_aborted = false;
};
