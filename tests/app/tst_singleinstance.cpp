#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyTheFirstBecomesPrimary()
    {
        QTemporaryDir root;
        SingleInstance first(root.path());
        SingleInstance second(root.path());
        QVERIFY(first.tryBecomePrimary());
        QVERIFY(!second.tryBecomePrimary());
    }

    void aRootWithoutRoomForTheLockStillStarts()
    {
        QTemporaryDir root;
        QFile blocker(root.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SingleInstance instance(blocker.fileName());
        QVERIFY(instance.tryBecomePrimary());
    }

    void pathsReachThePrimary()
    {
        // The primary is another process, reading while the second writes; here it is a thread
        // of its own, since a Windows pipe may hold nothing until its reader reads.
        QTemporaryDir root;
        QThread primaryThread;
        auto *first = new SingleInstance(root.path());
        QVERIFY(first->tryBecomePrimary());
        first->moveToThread(&primaryThread);
        connect(&primaryThread, &QThread::finished, first, &QObject::deleteLater);
        QStringList received;
        connect(first, &SingleInstance::pathsReceived, this,
                [&received](const QStringList &paths) { received = paths; });
        primaryThread.start();
        const auto stop = qScopeGuard([&primaryThread] {
            primaryThread.quit();
            primaryThread.wait();
        });
        QMetaObject::invokeMethod(first, &SingleInstance::listen, Qt::BlockingQueuedConnection);

        SingleInstance second(root.path());
        const QStringList paths = {QStringLiteral("/photos/a b.png"), QStringLiteral("/照片")};
        QVERIFY(second.sendToPrimary(paths));
        QTRY_COMPARE_WITH_TIMEOUT(received, paths, 5000);
    }

#ifdef Q_OS_UNIX
    void onlyThisUserCanHandPathsOver()
    {
        // Whatever the user's umask, no other account may connect and queue paths in this
        // window: the hand-off socket is the owner's alone.
        QTemporaryDir root;
        QTemporaryDir sockets;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", sockets.path().toUtf8());
        const mode_t oldMask = umask(0);
        const auto restore = qScopeGuard([&] {
            umask(oldMask);
            qputenv("TMPDIR", oldTemp);
        });
        SingleInstance first(root.path());
        QVERIFY(first.tryBecomePrimary());
        first.listen();

        const QFileInfoList entries =
            QDir(sockets.path()).entryInfoList(QDir::System | QDir::NoDotAndDotDot);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().permissions() & QFileDevice::Permissions(0x7077),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QSignalSpy received(&first, &SingleInstance::pathsReceived);
        QVERIFY(SingleInstance(root.path()).sendToPrimary({QStringLiteral("/a.png")}));
        QVERIFY(received.wait(5000));
    }

#endif

    void nobodyListeningMeansNothingIsSent()
    {
        QTemporaryDir root;
        SingleInstance lonely(root.path());
        QVERIFY(!lonely.sendToPrimary({QStringLiteral("/a.png")}));
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
