#include "engine/ResultWriter.h"
#include "platform/AtomicFile.h"
#include "platform/Platform.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

// Where a result goes and how it takes its place, without a run.
class TestResultWriter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString path(const QString &name) const { return m_home.filePath(name); }

    // A converter's result waiting in a slot.
    QString freshResult(const QByteArray &bytes = "the new result") const
    {
        const QString result = path(QStringLiteral("slot/tmp1.jpg"));
        return TestFiles::write(result, bytes) ? result : QString();
    }

private Q_SLOTS:
    void init()
    {
        QDir(path(QStringLiteral("out"))).removeRecursively();
        QVERIFY(QDir().mkpath(path(QStringLiteral("out"))));
    }

    void resultsAreNamedAfterTheImage_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("intoFolder");
        QTest::addColumn<QString>("expected");
        const QString sep = Platform::nativeSeparator();
        const QString pics = sep + QStringLiteral("pics") + sep;
        const QString out = sep + QStringLiteral("out");
        QTest::newRow("beside the image")
            << pics + QStringLiteral("b.jpg") << false << pics + QStringLiteral("b_已压缩.jpg");
        QTest::newRow("up to the first dot") << pics + QStringLiteral("trip.day1.jpg") << false
                                             << pics + QStringLiteral("trip_已压缩.jpg");
        QTest::newRow("no dot") << pics + QStringLiteral("photo") << false
                                << pics + QStringLiteral("photo_已压缩.jpg");
        QTest::newRow("a name that starts with its dot")
            << pics + QStringLiteral(".hidden.png") << false
            << pics + QStringLiteral("_已压缩.jpg");
        QTest::newRow("into the output folder") << pics + QStringLiteral("x.2.png") << true
                                                << out + sep + QStringLiteral("x_已压缩.jpg");
        QTest::newRow("a bare name into the output folder")
            << QStringLiteral("相片.gif") << true << out + sep + QStringLiteral("相片_已压缩.jpg");
    }

    void resultsAreNamedAfterTheImage()
    {
        QFETCH(QString, entry);
        QFETCH(bool, intoFolder);
        QFETCH(QString, expected);
        RunOptions options;
        options.intoOutputFolder = intoFolder;
        options.outputFolder = Platform::nativeSeparator() + QStringLiteral("out");
        QCOMPARE(ResultWriter::outputPathFor(entry, options), expected);
    }

    void aNewResultTakesItsPlaceWhole_data()
    {
        QTest::addColumn<bool>("oldResult");
        QTest::newRow("nothing there yet") << false;
        QTest::newRow("an old result") << true;
    }

    void aNewResultTakesItsPlaceWhole()
    {
        QFETCH(bool, oldResult);
        const QString target = path(QStringLiteral("out/a_已压缩.jpg"));
        if (oldResult)
            QVERIFY(TestFiles::write(target, "an old result"));
        const QString result = freshResult();
        const ResultWriter::Placed placed = ResultWriter::place(result, target);
        QCOMPARE(placed.failure, FailureKind::None);
        QCOMPARE(TestFiles::read(target), QByteArray("the new result"));
        QVERIFY(!QFileInfo::exists(result));
        // Nothing of ours is left beside it.
        QCOMPARE(QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("a_已压缩.jpg")});
    }

    void whatIsNotAResultOfOursIsLeftAsItIs()
    {
        const QString folder = path(QStringLiteral("out/f_已压缩.jpg"));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/inside.txt"), "kept"));
        ResultWriter::Placed placed = ResultWriter::place(freshResult(), folder);
        QCOMPARE(placed.failure, FailureKind::FolderInTheWay);
        QCOMPARE(TestFiles::read(folder + QStringLiteral("/inside.txt")), QByteArray("kept"));

        const QString locked = path(QStringLiteral("out/r_已压缩.jpg"));
        QVERIFY(TestFiles::write(locked, "keep me"));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        placed = ResultWriter::place(freshResult(), locked);
        QCOMPARE(placed.failure, FailureKind::ReadOnlyResult);
        QCOMPARE(TestFiles::read(locked), QByteArray("keep me"));

        placed = ResultWriter::place(freshResult(), path(QStringLiteral("gone/m_已压缩.jpg")));
        QCOMPARE(placed.failure, FailureKind::ResultNotSaved);
        QCOMPARE(placed.detail, AtomicFile::describeError(ENOENT));
    }

#ifdef Q_OS_UNIX
    void aLinkPlantedAtTheResultIsReplacedNotFollowed_data()
    {
        QTest::addColumn<bool>("otherFileSystem");
        QTest::newRow("same file system") << false;
        QTest::newRow("another file system") << true;
    }

    void aLinkPlantedAtTheResultIsReplacedNotFollowed()
    {
        QFETCH(bool, otherFileSystem);
        SmallFileSystem disk(1024);
        if (otherFileSystem && !disk.isMounted())
            QSKIP("mounting a small file system needs root");
        const QString output = otherFileSystem ? disk.path() : path(QStringLiteral("out"));
        const QString victim = path(QStringLiteral("elsewhere/precious.txt"));
        QVERIFY(TestFiles::write(victim, "the user's own file"));
        const QString planted = output + QStringLiteral("/t1_已压缩.jpg");
        QVERIFY(QFile::link(victim, planted));

        const ResultWriter::Placed placed = ResultWriter::place(freshResult(), planted);
        QCOMPARE(placed.failure, FailureKind::None);
        QCOMPARE(TestFiles::read(victim), QByteArray("the user's own file"));
        QVERIFY(!QFileInfo(planted).isSymLink());
        QCOMPARE(TestFiles::read(planted), QByteArray("the new result"));
    }

    void aFullDiskElsewhereKeepsTheOldResultWhole()
    {
        SmallFileSystem disk(256);
        if (!disk.isMounted())
            QSKIP("mounting a small file system needs root");
        const QString old = disk.filePath(QStringLiteral("s1_已压缩.jpg"));
        QVERIFY(TestFiles::write(old, "an earlier result"));
        QVERIFY(disk.fill());
        const ResultWriter::Placed placed =
            ResultWriter::place(freshResult(QByteArray(64 * 1024, 'r')), old);
        QCOMPARE(placed.failure, FailureKind::ResultNotSaved);
        QCOMPARE(placed.detail, AtomicFile::describeError(ENOSPC));
        QCOMPARE(TestFiles::read(old), QByteArray("an earlier result"));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 (QStringList{QStringLiteral(".filler"), QStringLiteral("s1_已压缩.jpg")}));
    }
#endif
};

QTEST_GUILESS_MAIN(TestResultWriter)
#include "tst_resultwriter.moc"
