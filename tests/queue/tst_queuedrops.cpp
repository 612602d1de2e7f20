#include "queue/QueueDropTarget.h"
#include "tests/queue/QueueFixture.h"
#include "tests/support/TestFiles.h"

#include <QDropEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

class TestQueueDrops : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dropQueuesFilesInOrder_data();
    void dropQueuesFilesInOrder();
    void dropOfNonFilesAddsNothing_data();
    void dropOfNonFilesAddsNothing();
    void dropOfFolderQueuesFolderItself();
    void dropOfTenThousandFiles();
    void dragOfFilesIsAccepted_data();
    void dragOfFilesIsAccepted();
};

namespace {

// The queue's window with its drop targets in place.
struct DropWindow : QueueWindow {
    QueueDropTarget dropTarget{queue};
};

enum class Target { ListView, ListHeader, ListScrollBar, HintBox, HintLabel };

// The widget a drag over `under` reaches: the window system hands it to the nearest widget,
// itself or a parent, that takes drops.
QWidget *dropSite(QWidget *under)
{
    while (under && !under->acceptDrops())
        under = under->parentWidget();
    return under;
}

QWidget *targetWidget(const QueueWindow &w, Target target)
{
    switch (target) {
    case Target::ListView:
        return w.queue->LV()->viewport();
    case Target::ListHeader:
        return dropSite(w.queue->LV()->horizontalHeader()->viewport());
    case Target::ListScrollBar:
        return dropSite(w.queue->LV()->verticalScrollBar());
    case Target::HintBox:
        return w.queue->picText();
    case Target::HintLabel:
        return w.queue->lblText();
    }
    return nullptr;
}

void addTargetRows(const char *name)
{
    QTest::newRow(qPrintable(QString::fromLatin1(name) + QStringLiteral(" on LV")))
        << Target::ListView;
    QTest::newRow(qPrintable(QString::fromLatin1(name) + QStringLiteral(" on LV's header")))
        << Target::ListHeader;
    QTest::newRow(qPrintable(QString::fromLatin1(name) + QStringLiteral(" on LV's scroll bar")))
        << Target::ListScrollBar;
    QTest::newRow(qPrintable(QString::fromLatin1(name) + QStringLiteral(" on picText")))
        << Target::HintBox;
    QTest::newRow(qPrintable(QString::fromLatin1(name) + QStringLiteral(" on lblText")))
        << Target::HintLabel;
}

QMimeData *filesData(const QStringList &paths)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

// Delivers a drag that ends in a drop as the window system does: the drop only arrives when
// the target accepted the drag. Returns the drop action the target settled on.
Qt::DropAction drop(QWidget *target, const QMimeData *data)
{
    if (!target)
        return Qt::IgnoreAction;
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(QPoint(5, 5), offered, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(QPoint(6, 6), offered, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent event(QPointF(6, 6), offered, data, Qt::LeftButton, Qt::NoModifier);
    event.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(target, &event);
    return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
}

} // namespace

Q_DECLARE_METATYPE(Target)

void TestQueueDrops::dropQueuesFilesInOrder_data()
{
    QTest::addColumn<Target>("target");
    addTargetRows("three files");
}

void TestQueueDrops::dropQueuesFilesInOrder()
{
    QFETCH(Target, target);
    DropWindow w;
    w.queue->AddToQueue(QStringLiteral("/p/queued.jpg"));
    const QStringList dropped{
        QStringLiteral("/p/c.png"),      QStringLiteral("/p/with blank.jpg"),
        QStringLiteral("/p/照片.JPEG"),  QStringLiteral("/p/-dash \"quoted\".gif"),
        QStringLiteral("/p/queued.jpg"), QStringLiteral("/p/notes.txt")};
    const std::unique_ptr<QMimeData> data(filesData(dropped));

    QCOMPARE(drop(targetWidget(w, target), data.get()), Qt::CopyAction);

    QCOMPARE(w.queue->model()->paths(),
             QStringList{QStringLiteral("/p/queued.jpg")} + TestFiles::native(dropped));
    QVERIFY(w.inStep());
    QCOMPARE(w.shown(3, QueueModel::FormatColumn), QStringLiteral("PEG"));
    QVERIFY(!w.queue->isDropHintVisible());
}

void TestQueueDrops::dropOfNonFilesAddsNothing_data()
{
    QTest::addColumn<Target>("target");
    addTargetRows("text");
}

void TestQueueDrops::dropOfNonFilesAddsNothing()
{
    QFETCH(Target, target);
    DropWindow w;
    QMimeData text;
    text.setText(QStringLiteral("/p/a.jpg"));
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.com/a.jpg"))});
    QMimeData nothing;

    for (QMimeData *data : {&text, &web, &nothing}) {
        // The drag is refused, so no drop arrives; and were one handed over, it adds nothing.
        QCOMPARE(drop(targetWidget(w, target), data), Qt::IgnoreAction);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                         Qt::NoModifier);
        w.dropTarget.oleDragDrop(&event);
        QCOMPARE(event.dropAction(), Qt::CopyAction);
    }

    QCOMPARE(w.queue->count(), 0);
    QVERIFY(w.inStep());
    QVERIFY(w.queue->isDropHintVisible());

    // Mixed in with files, a web address is left out and the files still arrive.
    QMimeData mixed;
    mixed.setUrls({QUrl(QStringLiteral("https://example.com/b.jpg")),
                   QUrl::fromLocalFile(QStringLiteral("/p/a.jpg"))});
    QCOMPARE(drop(targetWidget(w, target), &mixed), Qt::CopyAction);
    QCOMPARE(w.queue->model()->paths(), QStringList{TestFiles::native(QStringLiteral("/p/a.jpg"))});
    QVERIFY(!w.queue->isDropHintVisible());
}

void TestQueueDrops::dropOfFolderQueuesFolderItself()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("album/inner")));
    DropWindow w;
    const QString folder = dir.path() + QStringLiteral("/album");
    const std::unique_ptr<QMimeData> data(filesData({folder}));

    QCOMPARE(drop(w.queue->LV()->viewport(), data.get()), Qt::CopyAction);

    QCOMPARE(w.queue->model()->paths(), QStringList{TestFiles::native(folder)});
    QCOMPARE(w.shown(0, QueueModel::FormatColumn), QStringLiteral("BUM"));
}

void TestQueueDrops::dropOfTenThousandFiles()
{
    DropWindow w;
    QStringList dropped;
    for (int i = 0; i < 10000; ++i)
        dropped.append(QStringLiteral("/p/img%1.jpg").arg(i));
    const std::unique_ptr<QMimeData> data(filesData(dropped));
    QSignalSpy inserted(w.queue->model(), &QAbstractItemModel::rowsInserted);

    QCOMPARE(drop(w.queue->picText(), data.get()), Qt::CopyAction);

    // The list hears of the drop once, not once per file.
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(w.queue->model()->paths(), TestFiles::native(dropped));
    QVERIFY(w.inStep());
    QVERIFY(!w.queue->isDropHintVisible());
}

void TestQueueDrops::dragOfFilesIsAccepted_data()
{
    QTest::addColumn<Target>("target");
    addTargetRows("drag");
}

void TestQueueDrops::dragOfFilesIsAccepted()
{
    QFETCH(Target, target);
    DropWindow w;
    QWidget *widget = targetWidget(w, target);
    QVERIFY(widget->acceptDrops());
    const std::unique_ptr<QMimeData> files(filesData({QStringLiteral("/p/a.jpg")}));
    QMimeData text;
    text.setText(QStringLiteral("hello"));

    for (const QMimeData *data : {files.get(), &text}) {
        const bool offersFiles = data == files.get();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &enter);
        QCOMPARE(enter.isAccepted(), offersFiles);
        QDragMoveEvent move(QPoint(6, 6), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
        QCOMPARE(move.isAccepted(), offersFiles);
        if (offersFiles)
            QCOMPARE(move.dropAction(), Qt::CopyAction);
    }
    // Passing over does not change the queue.
    QCOMPARE(w.queue->count(), 0);
}

QTEST_MAIN(TestQueueDrops)
#include "tst_queuedrops.moc"
