#include "queue/FolderScan.h"

#include "queue/FileSearch.h"
#include "queue/ImageQueue.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QWidget>

FolderScan::FolderScan(ImageQueue *queue, QWidget *window)
    : QObject(queue)
    , m_queue(queue)
    , m_window(window)
{}

void FolderScan::AddFolder()
{
    queueFolder(m_folderBrowser.browse(m_window, FolderBrowser::folderPrompt()));
}

void FolderScan::queueFolder(const QString &folder)
{
    m_queue->showDropHint(ImageQueue::searchingHintText());
    if (!folder.isEmpty()) {
        // Commands served during the search may close the window and take this object with it.
        const QPointer<FolderScan> alive(this);
        FileSearch::ScanFolder(folder, m_queue->List1(),
                               [alive] { return !alive || alive->m_aborted; });
        if (!alive || m_aborted)
            return;
        moveScanListIntoQueue();
    }
    m_queue->lblText()->setText(ImageQueue::normalHintText());
    m_queue->setDropHintShown(m_queue->count() == 0);
    m_window->repaint();
}

void FolderScan::abort()
{
    m_aborted = true;
}

void FolderScan::moveScanListIntoQueue()
{
    QListWidget *scanList = m_queue->List1();
    QStringList found;
    found.reserve(scanList->count());
    for (int row = 0; row < scanList->count(); ++row)
        found.append(scanList->item(row)->text());
    scanList->clear();
    // One insertion however much was found: the list is told once, not once per image.
    m_queue->AddToQueue(found);
}
