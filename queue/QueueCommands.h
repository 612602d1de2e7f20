#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

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
    // Shows an open dialog for one existing file with the given title and filter (description
    // and pattern alternating, separated by "|"); the chosen path, or nothing when cancelled.
    // The window owns the dialogs, so the queue is handed a way to ask rather than the dialogs.
    using FileAsker =
        std::function<std::optional<QString>(const QString &title, const QString &filter)>;

    QueueCommands(ImageQueue *queue, FileAsker askForFile, QWidget *window);

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
    // While a run takes the queue's entries, given paths wait and are queued, in the order
    // given, once they are no longer held: the run's count and its bar stay as they started.
    void holdGivenPaths(bool hold);

    frmMenu *menu() const { return m_menu; }
    FolderScan *folderScan() const { return m_folderScan; }

private:
    ImageQueue *m_queue;
    FileAsker m_askForFile;
    frmMenu *m_menu;
    FolderScan *m_folderScan;
    bool m_holdingGivenPaths = false;
    QStringList m_heldPaths;
};
