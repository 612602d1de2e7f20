#include "queue/FileSearch.h"

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QListWidget>
#include <QPointer>
#include <QtConcurrent>
#include <QTimer>

#include <vector>

namespace {

// Only this many subfolders of one folder are searched, in the order they are listed.
constexpr qsizetype maxSubfoldersPerFolder = 200;

using FolderListing = std::vector<Platform::FolderEntry>;

// A folder of hundreds of thousands of entries, or one on a slow network share, takes its time
// to list; the window is served meanwhile. A search told to stop no longer waits for it. The
// listing is read whole before anything else runs, so at most one enumeration is ever open,
// also when a command served meanwhile starts a second search.
FolderListing listServingTheWindow(const QString &folder, const std::function<bool()> &goOn)
{
    QFutureWatcher<FolderListing> listing;
    QEventLoop loop;
    QObject::connect(&listing, &QFutureWatcher<FolderListing>::finished, &loop, &QEventLoop::quit);
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&] {
        if (!goOn())
            loop.quit();
    });
    listing.setFuture(QtConcurrent::run(Platform::listFolder, folder));
    stopCheck.start(50);
    if (!listing.isFinished())
        loop.exec();
    return listing.isFinished() ? listing.result() : FolderListing();
}

void serveWindowEvents()
{
    QCoreApplication::processEvents();
}

// Searches one folder's own entries: its images go to the list, and its first plain
// subfolders come back, in listing order, to be searched afterwards.
QStringList searchFolderEntries(const QString &folder, const QPointer<QListWidget> &list,
                                const std::function<bool()> &goOn)
{
    const FolderListing entries = listServingTheWindow(folder, goOn);
    QStringList subfolders;
    for (std::size_t i = 0; i < entries.size() && goOn(); ++i) {
        const Platform::FolderEntry &entry = entries[i];
        if (entry.plainFolder) {
            if (subfolders.size() < maxSubfoldersPerFolder)
                subfolders.append(FileSearch::joinPath(folder, entry.name));
        } else if (FileSearch::isImageName(FileSearch::TrimEntryName(entry.name))) {
            // The path keeps the name exactly as listed, so it always names the real file.
            list->addItem(FileSearch::joinPath(folder, entry.name));
        }
        if (i > 0)
            serveWindowEvents();
    }
    return subfolders;
}

} // namespace

namespace FileSearch {

void ScanFolder(const QString &folder, QListWidget *list,
                const std::function<bool()> &stopRequested)
{
    // An empty path would name the working folder, which nobody chose.
    if (folder.isEmpty())
        return;
    const QPointer<QListWidget> target(list);
    const std::function<bool()> goOn = [&] {
        return target && !(stopRequested && stopRequested());
    };
    // Folders still to search, the next one last. An explicit stack rather than recursion keeps
    // the depth-first order without tying the depth of a tree to the depth of the call stack.
    std::vector<QString> pending{folder};
    while (!pending.empty() && goOn()) {
        const QString current = std::move(pending.back());
        pending.pop_back();
        const QStringList subfolders = searchFolderEntries(current, target, goOn);
        pending.insert(pending.end(), subfolders.crbegin(), subfolders.crend());
    }
}

QString TrimEntryName(const QString &name)
{
    qsizetype length = name.size();
    while (length > 0 && (name.at(length - 1) == QChar(u'\0') || name.at(length - 1) == u' '))
        --length;
    return name.left(length);
}

bool isImageName(const QString &name)
{
    static const QStringList extensions = [] {
        QStringList accepted = {QStringLiteral(".bmp"), QStringLiteral(".jpg"),
                                QStringLiteral(".gif"), QStringLiteral(".png"),
                                QStringLiteral(".tif"), QStringLiteral(".tiff"),
                                QStringLiteral(".jpeg")};
        // Only what the converter this build ships can read: a folder of images it cannot
        // turn into JPEGs would only fill the queue with failures.
        const QStringList formats = Platform::converterFormats();
        if (formats.contains(QStringLiteral("HEIC")))
            accepted += {QStringLiteral(".heic"), QStringLiteral(".heif")};
        if (formats.contains(QStringLiteral("AVIF")))
            accepted.append(QStringLiteral(".avif"));
        if (formats.contains(QStringLiteral("WEBP")))
            accepted.append(QStringLiteral(".webp"));
        return accepted;
    }();
    for (const QString &extension : extensions) {
        if (name.endsWith(extension, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString joinPath(const QString &folder, const QString &name)
{
    if (!folder.isEmpty() && Platform::isPathSeparator(folder.back()))
        return folder + name;
    return folder + Platform::nativeSeparator() + name;
}

} // namespace FileSearch
