#include "app/SingleInstance.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
        QTemporaryDir root;
        SingleInstance first(root.path());
        QVERIFY(first.tryBecomePrimary());
        first.listen();
        QSignalSpy received(&first, &SingleInstance::pathsReceived);
        SingleInstance second(root.path());
        const QStringList paths = {QStringLiteral("/photos/a b.png"), QStringLiteral("/照片")};
        QVERIFY(second.sendToPrimary(paths));
        QVERIFY(received.wait(5000));
        QCOMPARE(received.first().first().toStringList(), paths);
    }

    void nobodyListeningMeansNothingIsSent()
    {
        QTemporaryDir root;
        SingleInstance lonely(root.path());
        QVERIFY(!lonely.sendToPrimary({QStringLiteral("/a.png")}));
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
