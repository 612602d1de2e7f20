#include "queue/FolderScan.h"
#include "queue/QueueCommands.h"
#include "queue/QueueModel.h"
#include "tests/queue/QueueFixture.h"
#include "tests/support/TestFiles.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

class TestQueueModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void viewsFollowEveryOperation();
    void removeHeadOfLongQueueTouchesNoOtherRow();
    void highlightedEntryStaysHighlightedWhenTheHeadGoes();
    void manyPathsAreOneInsertion();
    void commandLineQueuesFilesInOneInsertionPerRun();
    void windowIsServedWhileGivenFilesAreLookedAt();
    void scanOfThousandsIsOneInsertion();
    void removalsDuringScan();
    void outsideRowsAreLeftAlone();
    void entriesCannotBeEditedInTheList();
    void rowsFollowTheFont();
};

namespace {

// Every signal by which a model tells its views what changed.
struct ModelSignals {
    explicit ModelSignals(QAbstractItemModel *model)
        : aboutToInsert(model, &QAbstractItemModel::rowsAboutToBeInserted)
        , inserted(model, &QAbstractItemModel::rowsInserted)
        , aboutToRemove(model, &QAbstractItemModel::rowsAboutToBeRemoved)
        , removed(model, &QAbstractItemModel::rowsRemoved)
        , moved(model, &QAbstractItemModel::rowsMoved)
        , dataChanged(model, &QAbstractItemModel::dataChanged)
        , layoutAboutToChange(model, &QAbstractItemModel::layoutAboutToBeChanged)
        , layoutChanged(model, &QAbstractItemModel::layoutChanged)
        , aboutToReset(model, &QAbstractItemModel::modelAboutToBeReset)
        , reset(model, &QAbstractItemModel::modelReset)
    {}

    // Only row changes of the given kind were reported, each with its announcement.
    bool onlyRowChanges() const
    {
        return moved.isEmpty() && dataChanged.isEmpty() && layoutAboutToChange.isEmpty() &&
               layoutChanged.isEmpty() && aboutToReset.isEmpty() && reset.isEmpty() &&
               aboutToInsert.size() == inserted.size() && aboutToRemove.size() == removed.size();
    }

    QSignalSpy aboutToInsert;
    QSignalSpy inserted;
    QSignalSpy aboutToRemove;
    QSignalSpy removed;
    QSignalSpy moved;
    QSignalSpy dataChanged;
    QSignalSpy layoutAboutToChange;
    QSignalSpy layoutChanged;
    QSignalSpy aboutToReset;
    QSignalSpy reset;
};

// The first and last row of a reported insertion or removal.
QPair<int, int> rows(const QSignalSpy &spy, int at)
{
    return {spy.at(at).at(1).toInt(), spy.at(at).at(2).toInt()};
}

QStringList numberedPaths(int count, const QString &folder = QStringLiteral("/p"))
{
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("%1/img%2.%3")
                         .arg(folder)
                         .arg(i)
                         .arg(i % 2 ? QStringLiteral("png") : QStringLiteral("jpeg")));
    return paths;
}

// Scrolled to its top, the list on screen shows the queue's head in its top row.
bool headOnTop(const QueueWindow &w)
{
    w.queue->LV()->scrollToTop();
    QCoreApplication::processEvents();
    const QModelIndex top = w.queue->LV()->indexAt(QPoint(2, 2));
    return w.queue->count() == 0
               ? !top.isValid()
               : top.row() == 0 && top.data().toString() == TestFiles::native(w.entry(0));
}

QStringList makeImages(const QString &root, int folders, int perFolder)
{
    QStringList made;
    for (int f = 0; f < folders; ++f) {
        for (int i = 0; i < perFolder; ++i) {
            const QString path = QStringLiteral("%1/f%2/%3.jpg").arg(root).arg(f).arg(i);
            if (!TestFiles::write(path, "x"))
                return {};
            made.append(path);
        }
    }
    return made;
}

} // namespace

void TestQueueModel::viewsFollowEveryOperation()
{
    QueueWindow w;
    w.window.resize(446, 479);
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    QVERIFY(w.inStep());
    QVERIFY(headOnTop(w));

    w.queue->AddToQueue(QStringLiteral("/p/one.jpg"));
    QVERIFY(w.inStep());
    QVERIFY(headOnTop(w));

    w.queue->AddToQueue(numberedPaths(50));
    QCOMPARE(w.queue->count(), 51);
    QVERIFY(w.inStep());
    QVERIFY(headOnTop(w));

    for (const int row : {0, 25, 48}) {
        const QString removed = w.entry(row);
        w.select(row);
        w.queue->txtAction()->setText(ImageQueue::removeSelectedCommand());
        QVERIFY(!w.queue->model()->paths().contains(removed));
        QVERIFY(w.inStep());
        QVERIFY(headOnTop(w));
    }
    QCOMPARE(w.queue->count(), 48);

    const QString second = w.entry(1);
    w.queue->model()->removeHead();
    QCOMPARE(w.entry(0), second);
    QCOMPARE(w.listHead(), second);
    QVERIFY(w.inStep());
    QVERIFY(headOnTop(w));

    w.queue->ClearQueue();
    QVERIFY(w.inStep());
    QVERIFY(headOnTop(w));

    w.queue->AddToQueue(numberedPaths(3));
    QCOMPARE(w.queue->model()->paths(), numberedPaths(3));
    QVERIFY(w.inStep());
    QVERIFY(headOnTop(w));
}

void TestQueueModel::removeHeadOfLongQueueTouchesNoOtherRow()
{
    QueueWindow w;
    w.window.resize(446, 479);
    w.window.show();
    const QStringList paths = numberedPaths(100000);
    w.queue->AddToQueue(paths);
    QCoreApplication::processEvents();
    ModelSignals model(w.queue->model());

    w.queue->model()->removeHead();

    QCOMPARE(model.removed.size(), 1);
    QCOMPARE(rows(model.removed, 0), qMakePair(0, 0));
    QCOMPARE(model.aboutToRemove.size(), 1);
    QCOMPARE(rows(model.aboutToRemove, 0), qMakePair(0, 0));
    QCOMPARE(model.inserted.size(), 0);
    QVERIFY(model.onlyRowChanges());
    QCOMPARE(w.queue->count(), 99999);
    QCOMPARE(w.entry(0), paths.at(1));
    QCOMPARE(w.entry(99998), paths.last());
    QVERIFY(w.inStep());
    QVERIFY(headOnTop(w));
}

void TestQueueModel::highlightedEntryStaysHighlightedWhenTheHeadGoes()
{
    QueueWindow w;
    w.queue->AddToQueue(numberedPaths(5));
    w.select(3);
    const QString highlighted = w.entry(3);

    w.queue->model()->removeHead();

    // The same entry is still the one a remove command takes, now one row higher.
    QCOMPARE(w.queue->LV()->currentIndex().row(), 2);
    w.queue->RemoveCurrent();
    QVERIFY(!w.queue->model()->paths().contains(highlighted));
    QCOMPARE(w.queue->model()->paths(), numberedPaths(5).mid(1, 2) + numberedPaths(5).mid(4));
    QVERIFY(w.inStep());
}

void TestQueueModel::manyPathsAreOneInsertion()
{
    QueueWindow w;
    w.window.show();
    w.queue->AddToQueue(QStringLiteral("/first.jpg"));
    ModelSignals model(w.queue->model());
    const QStringList paths = numberedPaths(100000);

    w.queue->AddToQueue(paths);
    w.queue->AddToQueue(QStringList());

    QCOMPARE(model.inserted.size(), 1);
    QCOMPARE(rows(model.inserted, 0), qMakePair(1, 100000));
    QVERIFY(model.onlyRowChanges());
    QCOMPARE(model.removed.size(), 0);
    QCOMPARE(w.queue->model()->paths(), QStringList{QStringLiteral("/first.jpg")} + paths);
    QVERIFY(w.inStep());
}

void TestQueueModel::commandLineQueuesFilesInOneInsertionPerRun()
{
    QTemporaryDir dir;
    const QStringList before = makeImages(dir.path() + QStringLiteral("/before"), 1, 2000);
    const QStringList folder = makeImages(dir.path() + QStringLiteral("/tree"), 2, 3);
    const QStringList after = makeImages(dir.path() + QStringLiteral("/after"), 1, 2);
    QVERIFY(!before.isEmpty() && !folder.isEmpty() && !after.isEmpty());
    QueueWindow w;
    QueueCommands commands(w.queue, cancelledOpen, &w.window);
    ModelSignals model(w.queue->model());

    commands.addPaths(before +
                      QStringList{dir.path() + QStringLiteral("/tree"),
                                  dir.path() + QStringLiteral("/missing.jpg")} +
                      after);

    // The files before the folder, the folder's images, the files after it.
    QCOMPARE(model.inserted.size(), 3);
    QCOMPARE(rows(model.inserted, 0), qMakePair(0, 1999));
    QCOMPARE(rows(model.inserted, 1), qMakePair(2000, 2005));
    QCOMPARE(rows(model.inserted, 2), qMakePair(2006, 2007));
    QVERIFY(model.onlyRowChanges());
    QCOMPARE(w.queue->count(), 2008);
    const QStringList queued = w.queue->model()->paths();
    QCOMPARE(queued.mid(0, 2000), TestFiles::native(before));
    const QStringList found = queued.mid(2000, 6);
    const QStringList shownFolder = TestFiles::native(folder);
    QCOMPARE(QSet<QString>(found.cbegin(), found.cend()),
             QSet<QString>(shownFolder.cbegin(), shownFolder.cend()));
    QCOMPARE(queued.mid(2006), TestFiles::native(after));
    QVERIFY(w.inStep());
    QVERIFY(!w.queue->isDropHintVisible());
}

void TestQueueModel::windowIsServedWhileGivenFilesAreLookedAt()
{
    QTemporaryDir dir;
    const QStringList files = makeImages(dir.path() + QStringLiteral("/files"), 1, 2000);
    QVERIFY(!files.isEmpty());
    QueueWindow w;
    QueueCommands commands(w.queue, cancelledOpen, &w.window);
    bool served = false;
    QTimer::singleShot(0, this, [&] { served = true; });

    commands.addPaths(files + QStringList{dir.path() + QStringLiteral("/missing.jpg")});

    QVERIFY(served);
    QCOMPARE(w.queue->model()->paths(), TestFiles::native(files));
}

void TestQueueModel::scanOfThousandsIsOneInsertion()
{
    QTemporaryDir dir;
    const QStringList made = makeImages(dir.path(), 3, 1000);
    QVERIFY(!made.isEmpty());
    QueueWindow w;
    w.window.show();
    FolderScan scan(w.queue, &w.window);
    scan.folderBrowser().setPicker([&](QWidget *, const QString &) { return dir.path(); });
    w.queue->AddToQueue(QStringLiteral("/earlier.jpg"));
    ModelSignals model(w.queue->model());

    scan.AddFolder();

    QCOMPARE(model.inserted.size(), 1);
    QCOMPARE(rows(model.inserted, 0), qMakePair(1, 3000));
    QVERIFY(model.onlyRowChanges());
    QCOMPARE(w.queue->count(), 3001);
    const QStringList queued = w.queue->model()->paths();
    const QStringList shownMade = TestFiles::native(made);
    QCOMPARE(QSet<QString>(queued.cbegin() + 1, queued.cend()),
             QSet<QString>(shownMade.cbegin(), shownMade.cend()));
    QVERIFY(w.inStep());
    QVERIFY(w.scanList().isEmpty());
}

void TestQueueModel::removalsDuringScan()
{
    QTemporaryDir dir;
    QVERIFY(!makeImages(dir.path(), 2, 500).isEmpty());
    QueueWindow w;
    w.window.show();
    FolderScan scan(w.queue, &w.window);
    scan.folderBrowser().setPicker([&](QWidget *, const QString &) { return dir.path(); });
    const QStringList earlier = numberedPaths(4);
    w.queue->AddToQueue(earlier);
    ModelSignals model(w.queue->model());
    int discarded = -1;
    bool stepped = false;
    // Half-way through the search: the run takes the head, and the user removes a highlighted
    // entry, which also drops what the search had found so far.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(w.queue->List1()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
        if (w.queue->List1()->count() < 300)
            return;
        disconnect(*connection);
        QTimer::singleShot(0, this, [&] {
            w.queue->model()->removeHead();
            stepped = w.inStep();
            w.select(1);
            discarded = w.queue->List1()->count();
            w.queue->txtAction()->setText(ImageQueue::removeSelectedCommand());
            stepped = stepped && w.inStep() && w.scanList().isEmpty();
        });
    });

    scan.AddFolder();

    QVERIFY(stepped);
    QVERIFY(discarded >= 300);
    QCOMPARE(model.removed.size(), 2);
    QCOMPARE(model.inserted.size(), 1);
    QCOMPARE(rows(model.inserted, 0), qMakePair(2, 2 + 1000 - discarded - 1));
    QVERIFY(model.onlyRowChanges());
    QCOMPARE(w.queue->model()->paths().mid(0, 2), QStringList({earlier.at(1), earlier.at(3)}));
    QCOMPARE(w.queue->count(), 2 + 1000 - discarded);
    QVERIFY(w.inStep());
}

void TestQueueModel::outsideRowsAreLeftAlone()
{
    QueueModel model;
    model.append(numberedPaths(3));
    ModelSignals spies(&model);

    model.removeAt(-1);
    model.removeAt(3);
    QCOMPARE(model.at(-1), QString());
    QCOMPARE(model.at(3), QString());
    QCOMPARE(model.data(model.index(3, 0)), QVariant());
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QCOMPARE(model.columnCount(model.index(0, 0)), 0);

    QCOMPARE(model.paths(), numberedPaths(3));
    QCOMPARE(spies.removed.size(), 0);
    QVERIFY(spies.onlyRowChanges());

    // Emptying an empty queue is harmless too.
    QueueModel empty;
    empty.removeHead();
    empty.clear();
    QCOMPARE(empty.count(), 0);
}

void TestQueueModel::entriesCannotBeEditedInTheList()
{
    QueueWindow w;
    w.queue->AddToQueue(QStringLiteral("/p/a.jpg"));
    const QModelIndex path = w.queue->model()->index(0, QueueModel::PathColumn);
    QVERIFY(!(w.queue->model()->flags(path) & Qt::ItemIsEditable));
    QVERIFY(!w.queue->model()->setData(path, QStringLiteral("/elsewhere.jpg")));
    QCOMPARE(w.entry(0), QStringLiteral("/p/a.jpg"));
    // The whole path is at hand in the tooltip, however the column shortens it.
    QCOMPARE(path.data(Qt::ToolTipRole).toString(), TestFiles::native(QStringLiteral("/p/a.jpg")));
}

void TestQueueModel::rowsFollowTheFont()
{
    QueueWindow w;
    w.queue->AddToQueue(numberedPaths(3));
    QTableView *list = w.queue->LV();
    QFont larger = list->font();
    larger.setPointSizeF(larger.pointSizeF() * 2);

    list->setFont(larger);

    // A row is never lower than a line of the list's text, so no path is cut off at the bottom.
    QVERIFY(list->rowHeight(0) >= QFontMetrics(larger).height());
    QCOMPARE(list->rowHeight(2), list->rowHeight(0));
}

QTEST_MAIN(TestQueueModel)
#include "tst_queuemodel.moc"
