#include "queue/FileSearch.h"
#include "queue/FolderScan.h"
#include "queue/frmMenu.h"
#include "tests/queue/QueueFixture.h"
#include "tests/support/TestFiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

class TestFolderScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cancelLeavesQueueAndRecomputesHint_data();
    void cancelLeavesQueueAndRecomputesHint();
    void queuesTreeInSearchOrderBehindEarlierEntries();
    void searchingHintShownOnlyDuringScan();
    void folderWithoutImagesShowsNormalHint();
    void removeCommandDuringScanDiscardsFoundSoFar_data();
    void removeCommandDuringScanDiscardsFoundSoFar();
    void secondAddFolderDuringScan();
    void windowDestroyedDuringScan();
};

namespace {

// A tree of images in nested folders, with other files among them.
void makeTree(const QString &root, const QString &tag)
{
    for (const QString &path :
         {QStringLiteral("%1-1.jpg"), QStringLiteral("%1-2.png"), QStringLiteral("s1/%1-3.gif"),
          QStringLiteral("s1/t/%1-4.bmp"), QStringLiteral("s2/%1-5.tif"),
          QStringLiteral("s2/%1-6.jpeg"), QStringLiteral("s3/u/v/%1-7.TIFF")}) {
        QVERIFY(TestFiles::write(root + u'/' + path.arg(tag), "x"));
    }
    QVERIFY(TestFiles::write(root + QStringLiteral("/s1/notes.txt"), "x"));
}

QStringList searchOrder(const QString &root)
{
    QListWidget list;
    FileSearch::ScanFolder(root, &list);
    QStringList paths;
    for (int i = 0; i < list.count(); ++i)
        paths.append(list.item(i)->text());
    return paths;
}

// Runs `action` once, from the event loop, as soon as the scan list holds `count` entries.
void whenScanListReaches(QueueWindow &w, int count, std::function<void()> action)
{
    auto pending = std::make_shared<bool>(true);
    QObject::connect(w.queue->List1()->model(), &QAbstractItemModel::rowsInserted, w.queue,
                     [&w, count, pending, action] {
                         if (*pending && w.queue->List1()->count() == count) {
                             *pending = false;
                             QTimer::singleShot(0, QCoreApplication::instance(), action);
                         }
                     });
}

} // namespace

void TestFolderScan::cancelLeavesQueueAndRecomputesHint_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("emptiedByRun");
    QTest::addColumn<bool>("hintShown");
    QTest::newRow("empty queue") << QStringList() << false << true;
    QTest::newRow("queued entries")
        << QStringList{QStringLiteral("/p/a.jpg"), QStringLiteral("/p/b.png")} << false << false;
    QTest::newRow("emptied by a run") << QStringList{QStringLiteral("/p/a.jpg")} << true << true;
}

void TestFolderScan::cancelLeavesQueueAndRecomputesHint()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, emptiedByRun);
    QFETCH(bool, hintShown);
    QueueWindow w;
    FolderScan scan(w.queue, &w.window);
    for (const QString &entry : entries)
        w.queue->AddToQueue(entry);
    w.queue->setDropHintShown(w.queue->count() == 0);
    if (emptiedByRun) {
        while (w.queue->count() > 0)
            w.queue->model()->removeHead();
        QVERIFY(!w.queue->isDropHintVisible());
    }
    QStringList prompts;
    QList<QWidget *> owners;
    scan.folderBrowser().setPicker([&](QWidget *owner, const QString &prompt) {
        owners.append(owner);
        prompts.append(prompt);
        return QString();
    });

    scan.AddFolder();

    QCOMPARE(prompts, QStringList{QStringLiteral("请选择一个文件夹")});
    QCOMPARE(owners, QList<QWidget *>{&w.window});
    QCOMPARE(w.queue->model()->paths(), emptiedByRun ? QStringList() : entries);
    QVERIFY(w.inStep());
    QCOMPARE(w.queue->isDropHintVisible(), hintShown);
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());
    QCOMPARE(w.queue->List1()->count(), 0);
}

void TestFolderScan::queuesTreeInSearchOrderBehindEarlierEntries()
{
    QTemporaryDir dir;
    makeTree(dir.path(), QStringLiteral("a"));
    QueueWindow w;
    FolderScan scan(w.queue, &w.window);
    scan.folderBrowser().setPicker([&](QWidget *, const QString &) { return dir.path(); });
    w.queue->AddToQueue(QStringLiteral("/earlier.jpg"));

    scan.AddFolder();

    const QStringList order = searchOrder(dir.path());
    QCOMPARE(order.size(), 7);
    QCOMPARE(w.queue->model()->paths(),
             QStringList{QStringLiteral("/earlier.jpg")} + TestFiles::native(order));
    QVERIFY(w.inStep());
    QCOMPARE(w.queue->List1()->count(), 0);
    QVERIFY(!w.queue->isDropHintVisible());
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());

    // The same folder again queues everything a second time.
    scan.AddFolder();
    QCOMPARE(w.queue->model()->paths(),
             QStringList{QStringLiteral("/earlier.jpg")} + TestFiles::native(order + order));
}

void TestFolderScan::searchingHintShownOnlyDuringScan()
{
    QTemporaryDir dir;
    makeTree(dir.path(), QStringLiteral("a"));
    QueueWindow w;
    w.window.show();
    FolderScan scan(w.queue, &w.window);
    scan.folderBrowser().setPicker([&](QWidget *, const QString &) { return dir.path(); });
    QString textDuringScan;
    bool shownDuringScan = false;
    whenScanListReaches(w, 1, [&] {
        textDuringScan = w.queue->lblText()->text();
        shownDuringScan = w.queue->isDropHintVisible();
    });

    scan.AddFolder();

    QCOMPARE(textDuringScan, QStringLiteral("搜索文件..."));
    QVERIFY(shownDuringScan);
    QVERIFY(!w.queue->isDropHintVisible());
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());
}

void TestFolderScan::folderWithoutImagesShowsNormalHint()
{
    QTemporaryDir dir;
    QVERIFY(TestFiles::write(dir.path() + QStringLiteral("/sub/readme.txt"), "x"));
    QueueWindow w;
    FolderScan scan(w.queue, &w.window);
    w.queue->hideDropHint();
    scan.folderBrowser().setPicker([&](QWidget *, const QString &) { return dir.path(); });

    scan.AddFolder();

    QCOMPARE(w.queue->count(), 0);
    QVERIFY(w.queue->isDropHintVisible());
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());
}

void TestFolderScan::removeCommandDuringScanDiscardsFoundSoFar_data()
{
    QTest::addColumn<bool>("removeAll");
    QTest::newRow("remove selected") << false;
    QTest::newRow("remove all") << true;
}

void TestFolderScan::removeCommandDuringScanDiscardsFoundSoFar()
{
    QFETCH(bool, removeAll);
    QTemporaryDir dir;
    makeTree(dir.path(), QStringLiteral("a"));
    QueueWindow w;
    FolderScan scan(w.queue, &w.window);
    frmMenu menu(w.queue, &w.window);
    scan.folderBrowser().setPicker([&](QWidget *, const QString &) { return dir.path(); });
    const QStringList earlier{QStringLiteral("/p/1.jpg"), QStringLiteral("/p/2.jpg")};
    for (const QString &entry : earlier)
        w.queue->AddToQueue(entry);
    w.select(0);
    int discarded = -1;
    whenScanListReaches(w, 3, [&] {
        discarded = w.queue->List1()->count();
        if (removeAll)
            menu.menuRemoveAll()->trigger();
        else
            menu.menuRemoveSelected()->trigger();
        QCOMPARE(w.queue->List1()->count(), 0);
    });

    scan.AddFolder();

    QVERIFY(discarded >= 3);
    const QStringList order = searchOrder(dir.path());
    const QStringList kept = removeAll ? QStringList() : earlier.mid(1);
    QCOMPARE(w.queue->model()->paths(), kept + TestFiles::native(order.mid(discarded)));
    QVERIFY(w.inStep());
    QCOMPARE(w.queue->List1()->count(), 0);
}

void TestFolderScan::secondAddFolderDuringScan()
{
    QTemporaryDir outer;
    QTemporaryDir inner;
    makeTree(outer.path(), QStringLiteral("out"));
    makeTree(inner.path(), QStringLiteral("in"));
    QueueWindow w;
    FolderScan scan(w.queue, &w.window);
    QStringList answers{outer.path(), inner.path()};
    scan.folderBrowser().setPicker([&](QWidget *, const QString &) { return answers.takeFirst(); });
    int foundBeforeInner = -1;
    whenScanListReaches(w, 2, [&] {
        foundBeforeInner = w.queue->List1()->count();
        scan.AddFolder();
    });

    scan.AddFolder();

    QVERIFY(answers.isEmpty());
    QVERIFY(foundBeforeInner >= 2);
    const QStringList outerOrder = searchOrder(outer.path());
    QCOMPARE(w.queue->model()->paths(),
             TestFiles::native(outerOrder.mid(0, foundBeforeInner) + searchOrder(inner.path()) +
                               outerOrder.mid(foundBeforeInner)));
    QVERIFY(w.inStep());
    QCOMPARE(w.queue->List1()->count(), 0);
    QVERIFY(!w.queue->isDropHintVisible());
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());
}

void TestFolderScan::windowDestroyedDuringScan()
{
    QTemporaryDir dir;
    makeTree(dir.path(), QStringLiteral("a"));
    auto *w = new QueueWindow;
    auto *scan = new FolderScan(w->queue, &w->window);
    const QPointer<FolderScan> alive(scan);
    scan->folderBrowser().setPicker([&](QWidget *, const QString &) { return dir.path(); });
    whenScanListReaches(*w, 1, [w] { delete w; });

    // Must return quietly without touching the destroyed window (AddressSanitizer would tell).
    scan->AddFolder();

    QVERIFY(alive.isNull());
}

QTEST_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
