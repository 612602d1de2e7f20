#include "platform/NativePath.h"
#include "queue/FileSearch.h"
#include "queue/QueueCommands.h"
#include "queue/QueueDropTarget.h"
#include "queue/QueueModel.h"
#include "tests/queue/QueueFixture.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "照片" and "大图" as a Chinese Windows system writes them (GBK), and a Latin-1 "café".
const QByteArray gbkPhotos("\xD5\xD5\xC6\xAC");
const QByteArray gbkBig("\xB4\xF3\xCD\xBC");
const QByteArray latinCafe("caf\xE9");

bool touch(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

} // namespace

// Files and folders named in an encoding other than UTF-8 are queued as they are, however
// they arrive.
class TestForeignNames : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QByteArray m_folder; // <root>/照片 in GBK, holding a GBK-, a Latin-1- and an ASCII-named image

    QString path(const QByteArray &relative) const
    {
        return NativePath::fromNative(QFile::encodeName(m_root.path()) + '/' + relative);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_folder = QFile::encodeName(m_root.path()) + '/' + gbkPhotos;
        QCOMPARE(::mkdir(m_folder.constData(), 0755), 0);
        for (const QByteArray &name : {gbkBig + ".png", latinCafe + ".jpg", QByteArray("a.gif")})
            QVERIFY(touch(m_folder + '/' + name));
        QVERIFY(touch(m_folder + '/' + gbkBig + ".txt"));
    }

    void scanEntersAndQueuesThem()
    {
        QListWidget list;
        FileSearch::ScanFolder(path(gbkPhotos), &list);
        QStringList found;
        for (int i = 0; i < list.count(); ++i)
            found.append(list.item(i)->text());
        found.sort();
        QStringList expected = {path(gbkPhotos + '/' + gbkBig + ".png"),
                                path(gbkPhotos + '/' + latinCafe + ".jpg"),
                                path(gbkPhotos + "/a.gif")};
        expected.sort();
        QCOMPARE(found, expected);
    }

    void pathsGivenToTheProgramAreQueued()
    {
        QueueWindow w;
        QueueCommands commands(w.queue, cancelledOpen, &w.window);
        const QString file = path(gbkPhotos + '/' + gbkBig + ".png");
        commands.addPaths({file, path(gbkPhotos)});
        QCOMPARE(w.queue->model()->paths().first(), file);
        QCOMPARE(w.queue->count(), 4); // the file, then the folder's three images
        QVERIFY(w.inStep());
    }

    void droppedFilesAreQueued()
    {
        QueueWindow w;
        QueueDropTarget dropTarget(w.queue);
        QMimeData data;
        const QByteArray raw = m_folder + '/' + gbkBig + ".png";
        data.setUrls({QUrl::fromEncoded("file://" + raw.toPercentEncoding("/"))});
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        dropTarget.oleDragDrop(&event);
        QCOMPARE(w.queue->model()->paths(), QStringList{NativePath::fromNative(raw)});
        QCOMPARE(NativePath::toNative(w.entry(0)), raw);
        QCOMPARE(NativePath::toNative(w.listHead()), raw);
        // Shown readably, kept exactly.
        const QModelIndex shown = w.queue->model()->index(0, QueueModel::PathColumn);
        QCOMPARE(shown.data().toString(), NativePath::displayPath(NativePath::fromNative(raw)));
        QVERIFY(shown.data().toString().endsWith(QStringLiteral("/照片/大图.png")));
    }
};

QTEST_MAIN(TestForeignNames)
#include "tst_foreignnames.moc"
