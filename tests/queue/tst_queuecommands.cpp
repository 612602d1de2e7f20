#include "dialogs/CCommonDialogs.h"
#include "dialogs/QtDialogProvider.h"
#include "queue/FolderScan.h"
#include "queue/frmMenu.h"
#include "queue/QueueCommands.h"
#include "tests/queue/QueueFixture.h"
#include "tests/support/ModalWatcher.h"
#include "tests/support/TestFiles.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

class TestQueueCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addFile_data();
    void addFile();
    void addFileWithRealDialog();
    void toolbarItemsReachTheirCommands();
    void heldPathsWaitAndKeepTheirOrder_data();
    void heldPathsWaitAndKeepTheirOrder();
};

namespace {

// Answers the open dialog with a fixed path (empty: cancelled) and remembers the request.
class OpenAnswer : public DialogProvider
{
public:
    explicit OpenAnswer(QString answer, FileDialogRequest *asked, int *calls)
        : m_answer(std::move(answer))
        , m_asked(asked)
        , m_calls(calls)
    {}

    QString openFile(QWidget *, const FileDialogRequest &request) override
    {
        ++*m_calls;
        *m_asked = request;
        return m_answer;
    }
    QString saveFile(QWidget *, const FileDialogRequest &) override { return {}; }
    QString folder(QWidget *, const QString &) override { return {}; }
    std::optional<QColor> color(QWidget *, const QColor &, bool) override { return {}; }
    std::optional<QFont> font(QWidget *, const QFont &) override { return {}; }
    bool printer(QWidget *) override { return false; }
    bool printerProperties(QWidget *) override { return false; }

private:
    QString m_answer;
    FileDialogRequest *m_asked;
    int *m_calls;
};

enum class Start { Empty, Queued, EmptiedByRun };

} // namespace

Q_DECLARE_METATYPE(Start)

void TestQueueCommands::addFile_data()
{
    QTest::addColumn<Start>("start");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("hintShown");
    const QString picked = QStringLiteral("/pics/my photo.jpeg");
    QTest::newRow("confirm on empty queue") << Start::Empty << picked << false;
    QTest::newRow("confirm behind entries") << Start::Queued << picked << false;
    QTest::newRow("confirm after a run") << Start::EmptiedByRun << picked << false;
    QTest::newRow("cancel on empty queue") << Start::Empty << QString() << true;
    QTest::newRow("cancel behind entries") << Start::Queued << QString() << false;
    // A cancel leaves the hint alone, even hidden over an empty list.
    QTest::newRow("cancel after a run") << Start::EmptiedByRun << QString() << false;
}

void TestQueueCommands::addFile()
{
    QFETCH(Start, start);
    QFETCH(QString, answer);
    QFETCH(bool, hintShown);
    QueueWindow w;
    CCommonDialogs dialogs;
    dialogs.Init(&w.window);
    FileDialogRequest asked;
    int calls = 0;
    dialogs.setDialogProvider(std::make_unique<OpenAnswer>(answer, &asked, &calls));
    dialogs.setFilename(QStringLiteral("/earlier/choice.png"));
    QueueCommands commands(w.queue, std::bind_front(&CCommonDialogs::askOpenFile, &dialogs),
                           &w.window);
    QStringList before;
    if (start != Start::Empty) {
        before = {QStringLiteral("/p/a.jpg"), QStringLiteral("/p/b.png")};
        for (const QString &path : before)
            w.queue->AddToQueue(path);
        w.queue->hideDropHint();
    }
    if (start == Start::EmptiedByRun) {
        while (w.queue->count() > 0)
            w.queue->model()->removeHead();
        before.clear();
    }

    commands.addFile();

    QCOMPARE(calls, 1);
    QCOMPARE(asked.title, QStringLiteral("打开文件"));
    QCOMPARE(asked.proposedName, QString());
    QCOMPARE(dialogs.Filter(),
             QStringLiteral("所有文件(All Files, *.*)|*.*|JPG图片文件(*.jpg)|*.jpg|BMP文件(*.bmp)|"
                            "*.bmp|GIF文件(*.gif)|*.gif|PNG图片(*.png)|*.png"));
    QCOMPARE(asked.nameFilters.size(), 5);
    QCOMPARE(w.queue->model()->paths(),
             answer.isEmpty() ? before : before + QStringList{TestFiles::native(answer)});
    QVERIFY(w.inStep());
    QCOMPARE(w.queue->isDropHintVisible(), hintShown);
    QCOMPARE(w.queue->lblText()->text(), ImageQueue::normalHintText());
}

void TestQueueCommands::addFileWithRealDialog()
{
    QTemporaryDir dir;
    const QString picked = dir.path() + QStringLiteral("/读我 it.txt");
    QVERIFY(TestFiles::write(picked, "not an image"));
    QueueWindow w;
    w.window.show();
    CCommonDialogs dialogs;
    dialogs.Init(&w.window);
    dialogs.setDialogProvider(std::make_unique<QtDialogProvider>(false));
    QueueCommands commands(w.queue, std::bind_front(&CCommonDialogs::askOpenFile, &dialogs),
                           &w.window);
    ModalWatcher watcher;

    // Cancelled by the watcher: nothing changes.
    commands.addFile();
    QCOMPARE(watcher.dialogsSeen(), 1);
    QCOMPARE(w.queue->count(), 0);
    QVERIFY(w.queue->isDropHintVisible());

    // Any file can be picked under the first filter, which is preselected.
    QString selectedFilter;
    watcher.setDialogHandler([&](QDialog *dialog) {
        auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(fileDialog);
        selectedFilter = fileDialog->selectedNameFilter();
        fileDialog->selectFile(picked);
        dialog->accept();
    });
    commands.addFile();
    QCOMPARE(watcher.dialogsSeen(), 2);
    QVERIFY(selectedFilter.startsWith(QStringLiteral("所有文件(All Files, *.*)")));
    QCOMPARE(w.queue->model()->paths(), QStringList{QDir::toNativeSeparators(picked)});
    QVERIFY(!w.queue->isDropHintVisible());
}

void TestQueueCommands::toolbarItemsReachTheirCommands()
{
    QTemporaryDir dir;
    QVERIFY(TestFiles::write(dir.path() + QStringLiteral("/sub/a.png"), "x"));
    QueueWindow w;
    w.window.show();
    QueueCommands commands(w.queue, cancelledOpen, &w.window);

    commands.folderScan()->folderBrowser().setPicker(
        [&](QWidget *, const QString &) { return dir.path(); });
    commands.AddFolder();
    QCOMPARE(w.queue->model()->paths(),
             QStringList{TestFiles::native(dir.path() + QStringLiteral("/sub/a.png"))});

    commands.popupRemoveMenu(w.window.mapToGlobal(QPoint(30, 30)));
    QTRY_VERIFY(commands.menu()->menuRemove()->isVisible());
    commands.menu()->menuRemove()->close();

    // The list view takes dropped files once the commands are in place.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/p/dropped.gif"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.queue->LV()->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropEvent(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.queue->LV()->viewport(), &dropEvent);
    QCOMPARE(w.queue->model()->paths().last(), TestFiles::native(QStringLiteral("/p/dropped.gif")));
}

void TestQueueCommands::heldPathsWaitAndKeepTheirOrder_data()
{
    QTest::addColumn<bool>("heldWhileLookedAt");
    QTest::newRow("held before they are given") << false;
    QTest::newRow("held while they are looked at") << true;
}

void TestQueueCommands::heldPathsWaitAndKeepTheirOrder()
{
    QFETCH(bool, heldWhileLookedAt);
    QTemporaryDir dir;
    const QStringList first = {dir.filePath(QStringLiteral("a.jpg")),
                               dir.filePath(QStringLiteral("b.png"))};
    const QString later = dir.filePath(QStringLiteral("c.gif"));
    for (const QString &path : first + QStringList{later})
        QVERIFY(TestFiles::write(path, "x"));
    QueueWindow w;
    QueueCommands commands(w.queue, cancelledOpen, &w.window);
    if (heldWhileLookedAt)
        QTimer::singleShot(0, &commands, [&commands] { commands.holdGivenPaths(true); });
    else
        commands.holdGivenPaths(true);
    commands.addPaths(first);
    commands.addPaths({later});
    QCOMPARE(w.queue->count(), 0);
    commands.holdGivenPaths(false);
    QCOMPARE(w.queue->model()->paths(), TestFiles::native(first + QStringList{later}));
    // Let go again, nothing is queued twice.
    commands.holdGivenPaths(false);
    QCOMPARE(w.queue->count(), 3);
}

QTEST_MAIN(TestQueueCommands)
#include "tst_queuecommands.moc"
