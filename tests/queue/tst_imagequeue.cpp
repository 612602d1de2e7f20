#include "queue/frmMenu.h"
#include "queue/ImageQueue.h"
#include "tests/queue/QueueFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>

class TestImageQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatTag_data();
    void formatTag();
    void addKeepsOrderAndDuplicates();
    void removeCurrentAt_data();
    void removeCurrentAt();
    void removeCurrentWithoutCurrentItem();
    void removeCurrentOnEmptyQueueShowsHint();
    void txtActionOnlyExactCommandRemoves_data();
    void txtActionOnlyExactCommandRemoves();
    void clearQueue_data();
    void clearQueue();
    void hintStaysHiddenAfterRunEmptiedQueue();
    void menuCaptions();
    void menuRemoveSelectedOnlyWritesMailbox();
    void menuRemoveAllClears();
    void popupShowsMenu();
    void deleteKeyRemovesTheSelectedEntry();
    void tabLeavesTheList();
};

namespace {

QStringList threePaths()
{
    return {QStringLiteral("/p/a.jpg"), QStringLiteral("/p/b.png"), QStringLiteral("/p/c.gif")};
}

void fill(ImageQueue *queue, const QStringList &paths)
{
    for (const QString &path : paths)
        queue->AddToQueue(path);
}

} // namespace

void TestImageQueue::formatTag_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("tag");
    QTest::newRow("jpg") << QStringLiteral("/pics/a.jpg") << QStringLiteral("JPG");
    QTest::newRow("jpeg") << QStringLiteral("/pics/a.jpeg") << QStringLiteral("PEG");
    QTest::newRow("tiff") << QStringLiteral("/pics/a.TiFf") << QStringLiteral("IFF");
    QTest::newRow("folder") << QStringLiteral("/pics/album") << QStringLiteral("BUM");
    QTest::newRow("blanks trimmed") << QStringLiteral("  /pics/b.png  ") << QStringLiteral("PNG");
    QTest::newRow("only blanks trimmed")
        << QStringLiteral("/pics/b.pn\t") << QStringLiteral("PN\t");
    QTest::newRow("short") << QStringLiteral("ab") << QStringLiteral("AB");
    QTest::newRow("chinese") << QStringLiteral("/图片/照片") << QStringLiteral("/照片");
    QTest::newRow("empty") << QString() << QString();
    // The newer photo formats by their names, in any case, whatever the converter reads.
    QTest::newRow("heic") << QStringLiteral("/DCIM/IMG_0001.HEIC") << QStringLiteral("HEIC");
    QTest::newRow("heif") << QStringLiteral("/pics/a.heif") << QStringLiteral("HEIF");
    QTest::newRow("avif") << QStringLiteral("/pics/a.Avif ") << QStringLiteral("AVIF");
    QTest::newRow("webp") << QStringLiteral("/pics/a.webp") << QStringLiteral("WEBP");
    QTest::newRow("no dot before heic") << QStringLiteral("/pics/aheic") << QStringLiteral("EIC");
    QTest::newRow("heic as a folder") << QStringLiteral("/pics/a.heic/b") << QStringLiteral("C/B");
}

void TestImageQueue::formatTag()
{
    QFETCH(QString, path);
    QFETCH(QString, tag);
    QueueWindow w;
    w.queue->AddToQueue(path);
    QCOMPARE(w.shown(0, QueueModel::FormatColumn), tag);
    // The entry itself is kept exactly as given, blanks included.
    QCOMPARE(w.entry(0), path);
    QCOMPARE(w.listHead(), path);
}

void TestImageQueue::addKeepsOrderAndDuplicates()
{
    QueueWindow w;
    const QStringList paths{QStringLiteral("/p/b.png"), QStringLiteral("/p/a.jpg"),
                            QStringLiteral("/p/b.png")};
    fill(w.queue, paths);
    QCOMPARE(w.queue->model()->paths(), paths);
    QVERIFY(w.inStep());
    // Adding never touches the hint; the callers decide.
    QVERIFY(w.queue->isDropHintVisible());
}

void TestImageQueue::removeCurrentAt_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("head") << 0;
    QTest::newRow("middle") << 1;
    QTest::newRow("tail") << 2;
}

void TestImageQueue::removeCurrentAt()
{
    QFETCH(int, row);
    QueueWindow w;
    fill(w.queue, threePaths());
    w.queue->hideDropHint();
    w.select(row);

    w.queue->RemoveCurrent();

    QStringList expected = threePaths();
    expected.removeAt(row);
    QCOMPARE(w.queue->model()->paths(), expected);
    QVERIFY(w.inStep());
    QVERIFY(!w.queue->isDropHintVisible());
}

void TestImageQueue::removeCurrentWithoutCurrentItem()
{
    QueueWindow w;
    fill(w.queue, threePaths());
    w.queue->hideDropHint();
    w.queue->List1()->addItem(QStringLiteral("/found/so/far.jpg"));
    w.queue->LV()->setCurrentIndex({});

    w.queue->RemoveCurrent();

    QCOMPARE(w.queue->model()->paths(), threePaths());
    QVERIFY(w.inStep());
    QVERIFY(!w.queue->isDropHintVisible());
    QCOMPARE(w.queue->List1()->count(), 0);

    // An item that is current but no longer highlighted is not the one the user means.
    w.select(1);
    w.queue->LV()->clearSelection();
    w.queue->RemoveCurrent();
    QCOMPARE(w.queue->model()->paths(), threePaths());
}

void TestImageQueue::removeCurrentOnEmptyQueueShowsHint()
{
    QueueWindow w;
    w.queue->AddToQueue(QStringLiteral("/p/only.jpg"));
    w.queue->showDropHint(ImageQueue::searchingHintText());
    w.queue->hideDropHint();
    w.select(0);

    w.queue->RemoveCurrent();
    QCOMPARE(w.queue->count(), 0);
    QVERIFY(w.inStep());
    QVERIFY(w.queue->isDropHintVisible());
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());

    // Once more on the now empty queue: nothing to remove, and the hint shows again.
    w.queue->showDropHint(ImageQueue::searchingHintText());
    w.queue->hideDropHint();
    w.queue->RemoveCurrent();
    QCOMPARE(w.queue->count(), 0);
    QVERIFY(w.queue->isDropHintVisible());
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());
}

void TestImageQueue::txtActionOnlyExactCommandRemoves_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("removes");
    QTest::newRow("command") << QStringLiteral("RemoveSelected") << true;
    QTest::newRow("lower case") << QStringLiteral("removeselected") << false;
    QTest::newRow("upper case") << QStringLiteral("REMOVESELECTED") << false;
    QTest::newRow("trailing blank") << QStringLiteral("RemoveSelected ") << false;
    QTest::newRow("leading blank") << QStringLiteral(" RemoveSelected") << false;
    QTest::newRow("other text") << QStringLiteral("Text2") << false;
    QTest::newRow("remove all") << QStringLiteral("RemoveAll") << false;
}

void TestImageQueue::txtActionOnlyExactCommandRemoves()
{
    QFETCH(QString, text);
    QFETCH(bool, removes);
    QueueWindow w;
    fill(w.queue, threePaths());
    w.queue->hideDropHint();
    w.queue->List1()->addItem(QStringLiteral("/found/1.jpg"));
    w.select(1);

    w.queue->txtAction()->setText(text);

    QStringList expected = threePaths();
    if (removes)
        expected.removeAt(1);
    QCOMPARE(w.queue->model()->paths(), expected);
    QVERIFY(w.inStep());
    QCOMPARE(w.queue->List1()->count(), removes ? 0 : 1);
    QCOMPARE(w.queue->txtAction()->text(), QString());
}

void TestImageQueue::clearQueue_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("empty") << QStringList();
    QTest::newRow("three") << threePaths();
}

void TestImageQueue::clearQueue()
{
    QFETCH(QStringList, paths);
    QueueWindow w;
    fill(w.queue, paths);
    w.queue->showDropHint(ImageQueue::searchingHintText());
    w.queue->hideDropHint();
    w.queue->List1()->addItem(QStringLiteral("/found/1.jpg"));

    w.queue->ClearQueue();

    QCOMPARE(w.queue->count(), 0);
    QVERIFY(w.inStep());
    QCOMPARE(w.queue->List1()->count(), 0);
    QVERIFY(w.queue->isDropHintVisible());
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());
}

void TestImageQueue::hintStaysHiddenAfterRunEmptiedQueue()
{
    QueueWindow w;
    fill(w.queue, threePaths());
    w.queue->hideDropHint();
    while (w.queue->count() > 0) {
        QCOMPARE(w.entry(0), w.listHead());
        w.queue->model()->removeHead();
        QVERIFY(w.inStep());
    }
    QVERIFY(w.inStep());
    QVERIFY(!w.queue->isDropHintVisible());
    // A removal on the emptied list brings the hint back.
    w.queue->txtAction()->setText(ImageQueue::removeSelectedCommand());
    QVERIFY(w.queue->isDropHintVisible());
}

void TestImageQueue::menuCaptions()
{
    QueueWindow w;
    frmMenu menu(w.queue, &w.window);
    QCOMPARE(menu.menuRemove()->title(), QStringLiteral("Remove"));
    const QList<QAction *> actions = menu.menuRemove()->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions.at(0), menu.menuRemoveSelected());
    QCOMPARE(actions.at(0)->text(), QStringLiteral("移除选中文件"));
    QCOMPARE(actions.at(1), menu.menuRemoveAll());
    QCOMPARE(actions.at(1)->text(), QStringLiteral("移除所有文件"));
    QVERIFY(!menu.menuRemove()->isVisible());
}

void TestImageQueue::menuRemoveSelectedOnlyWritesMailbox()
{
    QueueWindow w;
    frmMenu menu(w.queue, &w.window);
    fill(w.queue, threePaths());
    w.queue->hideDropHint();
    w.select(2);
    QSignalSpy mailbox(w.queue->txtAction(), &QLineEdit::textChanged);

    menu.menuRemoveSelected()->trigger();

    // The command text, and the emptying by the mailbox's own handler (reported first, as it
    // happens inside the first change).
    QCOMPARE(mailbox.size(), 2);
    QCOMPARE(mailbox.at(1).at(0).toString(), ImageQueue::removeSelectedCommand());
    QCOMPARE(mailbox.at(0).at(0).toString(), QString());
    QCOMPARE(w.queue->model()->paths(), threePaths().mid(0, 2));
    QVERIFY(w.inStep());
}

void TestImageQueue::menuRemoveAllClears()
{
    QueueWindow w;
    frmMenu menu(w.queue, &w.window);
    fill(w.queue, threePaths());
    w.queue->hideDropHint();
    QSignalSpy mailbox(w.queue->txtAction(), &QLineEdit::textChanged);

    menu.menuRemoveAll()->trigger();

    QCOMPARE(w.queue->count(), 0);
    QVERIFY(w.inStep());
    QVERIFY(w.queue->isDropHintVisible());
    QCOMPARE(mailbox.size(), 0);
}

void TestImageQueue::popupShowsMenu()
{
    QueueWindow w;
    frmMenu menu(w.queue, &w.window);
    w.window.show();
    menu.popup(w.window.mapToGlobal(QPoint(20, 20)));
    QTRY_VERIFY(menu.menuRemove()->isVisible());
    menu.menuRemove()->close();
    QVERIFY(!menu.menuRemove()->isVisible());
}

QTEST_MAIN(TestImageQueue)
void TestImageQueue::deleteKeyRemovesTheSelectedEntry()
{
    QueueWindow w;
    frmMenu menu(w.queue, &w.window);
    fill(w.queue, threePaths());
    w.window.show();
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QTableView *list = w.queue->LV();
    list->setFocus();
    w.select(1);

    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(w.queue->model()->paths(), QStringList({threePaths().at(0), threePaths().at(2)}));
    QVERIFY(w.inStep());

    // Locked for a run: the key does nothing.
    w.select(0);
    list->setEnabled(false);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(w.queue->count(), 2);
}

void TestImageQueue::tabLeavesTheList()
{
    QueueWindow w;
    auto *next = new QLineEdit(&w.window);
    QWidget::setTabOrder(w.queue->LV(), next);
    fill(w.queue, threePaths());
    w.window.show();
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    w.queue->LV()->setFocus();
    w.select(0);

    QTest::keyClick(w.queue->LV(), Qt::Key_Tab);

    // The keyboard moves on to the next control; the highlighted entry stays where it was.
    QCOMPARE(QApplication::focusWidget(), next);
    QCOMPARE(w.queue->LV()->currentIndex().row(), 0);
}

#include "tst_imagequeue.moc"
