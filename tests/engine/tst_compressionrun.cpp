#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "engine/ScratchFolders.h"
#include "platform/AtomicFile.h"
#include "platform/NativePath.h"
#include "platform/Platform.h"
#include "queue/QueueModel.h"
#include "tests/engine/RunFixture.h"
#include "tests/support/ChildProcesses.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <numeric>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

// The run's rules, its faults and its bounds, through a converter made to fail, hang, write
// nothing or wait at a gate the test opens.
class TestCompressionRun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_realProgram = QStringLiteral(TESSALY_PROGRAM_DIR);
    QString m_fakeProgram;
    QString m_fakeLog;
    std::unique_ptr<TestFiles::FakeGates> m_gates;

    QString photos(const QString &name = QString()) const
    {
        return m_home.filePath(QStringLiteral("photos/") + name);
    }

    QStringList fakeLogLines() const
    {
        return QString::fromUtf8(TestFiles::read(m_fakeLog)).split(u'\n', Qt::SkipEmptyParts);
    }

    // Images, each waiting at a gate of its own name.
    QStringList gatedPhotos(const QStringList &names) const
    {
        QStringList sources;
        for (const QString &name : names) {
            sources.append(photos(name + QStringLiteral(".png")));
            if (!TestFiles::write(sources.last(), TestFiles::FakeGates::image(name)))
                return {};
        }
        return sources;
    }

    bool openGates(const QStringList &names) const
    {
        return std::all_of(names.cbegin(), names.cend(),
                           [this](const QString &name) { return m_gates->open(name); });
    }

    // The work copies in the slots, by size.
    static QList<qint64> workCopySizes()
    {
        QList<qint64> sizes;
        QDirIterator it(Platform::jpgTmpFolder(), {QStringLiteral("tmp.dat")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            sizes.append(QFileInfo(it.next()).size());
        return sizes;
    }

    static qsizetype resultsWaiting()
    {
        qsizetype waiting = 0;
        QDirIterator it(Platform::jpgTmpFolder(), {QStringLiteral("tmp1.jpg")}, QDir::Files,
                        QDirIterator::Subdirectories);
        for (; it.hasNext(); it.next())
            ++waiting;
        return waiting;
    }

    // Waits until the run stands still with the converters at the named gates: the copies it
    // takes ahead have all arrived (their count has stayed the same for a while).
    static bool settlesWithWorkCopies(qsizetype expected)
    {
        if (!QTest::qWaitFor([&] { return workCopySizes().size() >= expected; }, 10000))
            return false;
        QTest::qWait(150);
        return workCopySizes().size() == expected;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
        m_fakeProgram = m_home.filePath(QStringLiteral("fake-program"));
        QVERIFY(TestFiles::makeFakeProgramFolder(m_fakeProgram));
        m_fakeLog = m_home.filePath(QStringLiteral("fake.log"));
        qputenv("TESSALY_FAKE_LOG", m_fakeLog.toUtf8());
    }

    void init()
    {
        QDir(photos()).removeRecursively();
        QVERIFY(QDir().mkpath(photos()));
        QFile::remove(m_fakeLog);
        m_gates = std::make_unique<TestFiles::FakeGates>(m_home.filePath(QStringLiteral("gates")));
    }

    void cleanup()
    {
        // A converter a failed case left at its gate must not hold the next case up.
        QDir gates(m_home.filePath(QStringLiteral("gates")));
        for (const QString &waiting : gates.entryList({QStringLiteral("*.waiting")}))
            m_gates->open(waiting.chopped(8));
    }

    void choicesThatWouldFailEveryImageAreToldBeforeTheRun_data()
    {
        QTest::addColumn<QString>("resize");
        QTest::addColumn<QString>("outputFolder"); // empty: results beside the images
        QTest::addColumn<RunMessage::Kind>("kind");
        QTest::addColumn<QString>("named"); // what the message must name
        // Only the last level is made, so a folder under a missing parent cannot be.
        QTest::newRow("folder under a missing parent")
            << QString() << QStringLiteral("no/such/parent")
            << RunMessage::Kind::UnusableOutputFolder << QStringLiteral("parent");
        QTest::newRow("folder that is a file")
            << QString() << QStringLiteral("a-file") << RunMessage::Kind::UnusableOutputFolder
            << QStringLiteral("a-file");
        QTest::newRow("size with a star")
            << QStringLiteral("1024*768") << QString() << RunMessage::Kind::UnusableSize
            << QStringLiteral("1024*768");
        QTest::newRow("size in words") << QStringLiteral("abc") << QString()
                                       << RunMessage::Kind::UnusableSize << QStringLiteral("abc");
        QTest::newRow("size smuggling an option")
            << QStringLiteral("640x480 -write x.png") << QString() << RunMessage::Kind::UnusableSize
            << QStringLiteral("-write");
    }

    void choicesThatWouldFailEveryImageAreToldBeforeTheRun()
    {
        QFETCH(QString, resize);
        QFETCH(QString, outputFolder);
        QFETCH(RunMessage::Kind, kind);
        QFETCH(QString, named);
        QVERIFY(TestFiles::write(m_home.filePath(QStringLiteral("a-file")), "not a folder"));
        QVERIFY(TestFiles::write(photos(QStringLiteral("p.png")), "p"));
        RunFixture fixture(m_fakeProgram);
        if (!resize.isEmpty())
            fixture.setResizeText(resize);
        if (!outputFolder.isEmpty())
            fixture.chooseOutputFolder(m_home.filePath(outputFolder));
        fixture.add({photos(QStringLiteral("p.png"))});
        fixture.run->Command3_Click();
        QVERIFY(!fixture.run->RunInProgress());
        QCOMPARE(fixture.messages.size(), 1);
        QCOMPARE(fixture.messages.first().kind, kind);
        QVERIFY(fixture.messages.first().subject.contains(named));
        QCOMPARE(fixture.queue.paths(), QStringList{photos(QStringLiteral("p.png"))});
        QVERIFY(fakeLogLines().isEmpty());
        QVERIFY(!fixture.busy);
        QVERIFY(fixture.states.isEmpty());
    }

    void missingConverterStopsBeforeTheRun()
    {
        const QString empty = m_home.filePath(QStringLiteral("no-converter"));
        QVERIFY(QDir().mkpath(empty));
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("q.png"))));
        RunFixture fixture(empty);
        fixture.add({photos(QStringLiteral("q.png"))});
        fixture.run->Command3_Click();
        QVERIFY(!fixture.run->RunInProgress());
        QCOMPARE(fixture.messages.size(), 1);
        QCOMPARE(fixture.messages.first().kind, RunMessage::Kind::ConverterMissing);
        QCOMPARE(fixture.messages.first().subject, Platform::converterPath(empty));
        QCOMPARE(fixture.queue.paths(), QStringList{photos(QStringLiteral("q.png"))});
        QVERIFY(!fixture.busy);
        QVERIFY(fixture.playedSounds.isEmpty());
        QVERIFY(!QFileInfo::exists(resultOf(photos(QStringLiteral("q.png")))));
    }

    // Start returns at once; converters ending take the run on while the window goes on.
    void startReturnsWhileTheRunGoesOn()
    {
        const QStringList sources = gatedPhotos({QStringLiteral("held")});
        QVERIFY(!sources.isEmpty());
        RunFixture fixture(m_fakeProgram);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QVERIFY(fixture.run->RunInProgress());
        QVERIFY(fixture.busy);
        QCOMPARE(fixture.barMaximum, 1);
        QCOMPARE(fixture.states, (QList<RunState>{RunState::Preparing, RunState::Compressing}));
        QTRY_VERIFY(m_gates->isWaiting(QStringLiteral("held")));
        QVERIFY(fixture.run->isConverting());
        QCOMPARE(fixture.queue.count(), 1);
        // A second start while the run goes changes nothing.
        fixture.run->Command3_Click();
        QCOMPARE(fixture.summaries.size(), 0);

        QVERIFY(openGates({QStringLiteral("held")}));
        QVERIFY(fixture.waitForEnd());
        QCOMPARE(fixture.states.last(), RunState::Finishing);
        QCOMPARE(fixture.summaries.size(), 1);
        QCOMPARE(fixture.summary().written, 1);
        QCOMPARE(fixture.bar, 0);
        QVERIFY(!fixture.busy);
        QCOMPARE(fakeLogLines().size(), 1);
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
        QVERIFY(!QFileInfo::exists(Platform::tmpQuenbyFolder()));
        QCOMPARE(fixture.playedSounds, QStringList{Platform::soundPath(m_fakeProgram)});
    }

    void anEntryThatCannotBeCopiedNeverHoldsUpTheOnesBehindIt_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("removed after it was queued") << QStringLiteral("removed");
#ifdef Q_OS_UNIX
        QTest::newRow("a pipe") << QStringLiteral("pipe");
        QTest::newRow("a link to a device") << QStringLiteral("device");
#endif
    }

    // Which of two copies ends first is up to the system, so the run is tried many times: the
    // entry behind a failed one must be converted whichever came first.
    void anEntryThatCannotBeCopiedNeverHoldsUpTheOnesBehindIt()
    {
        QFETCH(QString, kind);
        const QString bad = photos(QStringLiteral("bad.png"));
        const QString good = photos(QStringLiteral("good.png"));
        for (int attempt = 0; attempt < 25; ++attempt) {
            QFile::remove(bad);
            QFile::remove(resultOf(good));
            QVERIFY(TestFiles::write(good, "good"));
            RunFixture fixture(m_fakeProgram, 2);
            fixture.add({bad, good});
#ifdef Q_OS_UNIX
            if (kind == QStringLiteral("pipe"))
                QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
            else if (kind == QStringLiteral("device"))
                QVERIFY(QFile::link(QStringLiteral("/dev/zero"), bad));
#endif
            QVERIFY2(fixture.runToEnd(10000),
                     qPrintable(QStringLiteral("attempt %1 never ended").arg(attempt)));
            QCOMPARE(fixture.committed, QStringList({bad, good}));
            QCOMPARE(fixture.failed(), QStringList{bad});
            QCOMPARE(fixture.failureKinds(), QList<FailureKind>{FailureKind::UnreadableSource});
            QCOMPARE(TestFiles::read(resultOf(good)), QByteArray("good"));
        }
    }

    void aWorkFolderThatCannotBeWrittenIsToldOnceAndKeepsTheQueue_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("a file where the work folder goes") << false;
        QTest::newRow("a full disk under the scratch folders") << true;
    }

    // Not the images' fault: no entry fails, and every one stays for a later run.
    void aWorkFolderThatCannotBeWrittenIsToldOnceAndKeepsTheQueue()
    {
        QFETCH(bool, fullDisk);
        SmallFileSystem disk(64);
        if (fullDisk && !disk.isMounted())
            QSKIP("mounting a small file system needs root");
        if (fullDisk) {
            qputenv("XDG_CACHE_HOME", QFile::encodeName(disk.path()));
            QVERIFY(QDir().mkpath(Platform::jpgTmpFolder()));
            QVERIFY(disk.fill());
        } else {
            // Only the work folder goes: on Windows the scratch root is the root of drive C:.
            QVERIFY(QDir(Platform::jpgTmpFolder()).removeRecursively());
            QVERIFY(TestFiles::write(Platform::jpgTmpFolder(), "in the way"));
        }
        QStringList sources;
        for (const char *name : {"a.png", "b.png", "c.png"}) {
            sources.append(photos(QString::fromLatin1(name)));
            QVERIFY(TestFiles::write(sources.last(), QByteArray(8192, 'x')));
        }
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        const bool ended = fixture.runToEnd();
        const QString workFolder = Platform::jpgTmpFolder();
        QFile::remove(workFolder);
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
        QVERIFY(ended);
        QCOMPARE(fixture.messages.size(), 1);
        QCOMPARE(fixture.messages.first().kind, RunMessage::Kind::ScratchUnwritable);
        QCOMPARE(fixture.messages.first().subject, workFolder);
        QCOMPARE(fixture.queue.paths(), sources);
        QVERIFY(fixture.failed().isEmpty());
        QVERIFY(fixture.summary().stopped);
        QVERIFY(fakeLogLines().isEmpty());
    }

    void failedConversionNeverReceivesAnotherImage()
    {
        // The frames a failed converter wrote for an image of several must not become the result
        // of the image after it either.
        const QStringList sources = {
            photos(QStringLiteral("1.png")), photos(QStringLiteral("2.png")),
            photos(QStringLiteral("3.png")), photos(QStringLiteral("4.gif")),
            photos(QStringLiteral("5.png")), photos(QStringLiteral("6.png"))};
        QVERIFY(TestFiles::write(sources[0], "ok-first"));
        QVERIFY(TestFiles::write(sources[1], "fail"));
        QVERIFY(TestFiles::write(sources[2], "none"));
        QVERIFY(TestFiles::write(sources[3], "part"));
        QVERIFY(TestFiles::write(sources[4], "none"));
        QVERIFY(TestFiles::write(sources[5], "ok-last"));
        RunFixture fixture(m_fakeProgram);
        fixture.add(sources);
        QVERIFY(fixture.runToEnd());
        QCOMPARE(TestFiles::read(resultOf(sources[0])), QByteArray("ok-first"));
        for (const QString &failed : sources.mid(1, 4))
            QVERIFY2(!QFileInfo::exists(resultOf(failed)), qPrintable(failed));
        QCOMPARE(TestFiles::read(resultOf(sources[5])), QByteArray("ok-last"));
        QCOMPARE(fixture.failed(), sources.mid(1, 4));
        QVERIFY(!fixture.summary().stopped);
    }

    void convertersOwnWordsReachTheFailure()
    {
        const QString source = photos(QStringLiteral("words.png"));
        QVERIFY(TestFiles::write(source, "fail"));
        RunFixture fixture(m_fakeProgram);
        fixture.add({source});
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fixture.summary().failures.size(), 1);
        const EntryOutcome failure = fixture.summary().failures.first();
        QVERIFY(failure.converterMessage.contains(QStringLiteral("this image is broken")));
        QCOMPARE(failure.failure, FailureKind::ConversionFailed);
    }

    void resultOfAFailedConversionIsNeverCopiedOut()
    {
        // The first converter writes its result and then fails; the second succeeds without
        // writing anything. Neither may leave with the first image.
        const QStringList sources = {photos(QStringLiteral("wrote-then-failed.png")),
                                     photos(QStringLiteral("wrote-nothing.png"))};
        QVERIFY(TestFiles::write(sources[0], "half-written"));
        QVERIFY(TestFiles::write(sources[1], "none"));
        RunFixture fixture(m_fakeProgram, 1);
        fixture.add(sources);
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fakeLogLines().size(), 2);
        QVERIFY(!QFileInfo::exists(resultOf(sources[0])));
        QVERIFY(!QFileInfo::exists(resultOf(sources[1])));
        QCOMPARE(fixture.failed(), sources);
    }

    void everyFailedEntryIsCounted()
    {
        // The same broken image queued twice fails twice.
        const QString broken = photos(QStringLiteral("broken.png"));
        const QString good = photos(QStringLiteral("good.png"));
        QVERIFY(TestFiles::write(broken, "fail"));
        QVERIFY(TestFiles::write(good, "good"));
        RunFixture fixture(m_fakeProgram, 1);
        fixture.add({broken, good, broken});
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fixture.failed(), QStringList({broken, broken}));
        QCOMPARE(fixture.summary().written, 1);
    }

    void warningAsTheConverterExitsFailsTheEntry()
    {
        // A cut-off source: the converter writes a picture, says so as its last words and
        // exits with 0.
        const QStringList sources = {photos(QStringLiteral("cut-off.jpg")),
                                     photos(QStringLiteral("whole.jpg"))};
        QVERIFY(TestFiles::write(sources[0], "warn"));
        QVERIFY(TestFiles::write(sources[1], "whole"));
        RunFixture fixture(m_fakeProgram, 1);
        fixture.add(sources);
        QVERIFY(fixture.runToEnd());
        QVERIFY(!QFileInfo::exists(resultOf(sources[0])));
        QCOMPARE(TestFiles::read(resultOf(sources[1])), QByteArray("whole"));
        QCOMPARE(fixture.failed(), QStringList{sources[0]});
        QCOMPARE(fixture.failureKinds(), QList<FailureKind>{FailureKind::Damaged});
    }

    void oneConverterGivesExactlyTheSequentialCommandLines()
    {
        const QStringList sources = {photos(QStringLiteral("a.png")),
                                     photos(QStringLiteral("b.png"))};
        QVERIFY(TestFiles::write(sources[0], "a"));
        QVERIFY(TestFiles::write(sources[1], "b"));
        RunFixture fixture(m_fakeProgram, 1);
        fixture.setResizeText(QStringLiteral("800x600"));
        fixture.add(sources);
        QVERIFY(fixture.runToEnd());
        const QString work = Platform::jpgTmpFolder();
        const QString expected = work + QStringLiteral("/tmp.dat -resize 800x600 -quality 75 ") +
                                 work + QStringLiteral("/tmp1.jpg");
        QCOMPARE(fakeLogLines(), QStringList({expected, expected}));
    }

    void parallelRunMatchesTheSequentialOne()
    {
        // Slow entries at the head make later ones finish first; they must still wait their turn.
        const QList<QPair<QString, QByteArray>> entries = {
            {QStringLiteral("k.1.png"), "slow-first"}, {QStringLiteral("b.png"), "fast-b"},
            {QStringLiteral("c.png"), "fail"},         {QStringLiteral("d.png"), "slow-d"},
            {QStringLiteral("k.2.png"), "fast-k2"},    {QStringLiteral("e.png"), "none"},
            {QStringLiteral("f.png"), "fast-f"}};
        QStringList sources;
        for (const auto &entry : entries) {
            sources.append(photos(entry.first));
            QVERIFY(TestFiles::write(sources.last(), entry.second));
        }

        QHash<QString, QByteArray> sequentialResults;
        QStringList sequentialFailures;
        for (int jobs : {1, 3}) {
            for (const QString &source : std::as_const(sources))
                QFile::remove(resultOf(source));
            RunFixture fixture(m_fakeProgram, jobs);
            fixture.add(sources);
            QVERIFY(fixture.runToEnd());
            QCOMPARE(fixture.queue.count(), 0);
            // The queue empties from its head, and the bar rises by one for each entry.
            QCOMPARE(fixture.committed, sources);
            QList<int> expectedBar(sources.size());
            std::iota(expectedBar.begin(), expectedBar.end(), 1);
            QCOMPARE(fixture.barValues, expectedBar);
            QCOMPARE(fixture.barMaximum, int(sources.size()));
            QCOMPARE(fixture.bar, 0);
            QHash<QString, QByteArray> results;
            for (const QString &source : std::as_const(sources))
                results.insert(source, TestFiles::read(resultOf(source)));
            if (jobs == 1) {
                sequentialResults = results;
                sequentialFailures = fixture.failed();
                QCOMPARE(TestFiles::read(photos(QStringLiteral("k_已压缩.jpg"))),
                         QByteArray("fast-k2"));
            } else {
                QCOMPARE(results, sequentialResults);
                QCOMPARE(fixture.failed(), sequentialFailures);
                QCOMPARE(fakeLogLines().size(), sources.size() * 2);
            }
        }
    }

    // While a slow image at the head converts, the other converter goes on with the images
    // behind it; their results wait for the head's, and only the images being converted have a
    // work copy.
    void resultsWaitForASlowHeadWhileTheOtherConverterGoesOn()
    {
        QStringList sources = gatedPhotos({QStringLiteral("head")});
        for (int i = 0; i < 8; ++i) {
            sources.append(photos(QStringLiteral("next%1.png").arg(i)));
            QVERIFY(TestFiles::write(sources.last(), "fast"));
        }
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QTRY_COMPARE(resultsWaiting(), 8);
        QVERIFY(m_gates->isWaiting(QStringLiteral("head")));
        QTRY_COMPARE(workCopySizes().size(), 1);
        QCOMPARE(fixture.queue.count(), sources.size());
        QVERIFY(fixture.committed.isEmpty());

        QVERIFY(openGates({QStringLiteral("head")}));
        QVERIFY(fixture.waitForEnd());
        QCOMPARE(fixture.committed, sources);
        QVERIFY(fixture.failed().isEmpty());
    }

    void entriesAreCopiedAheadWhileEveryConverterIsBusy()
    {
        const QStringList names = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                   QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f")};
        const QStringList sources = gatedPhotos(names);
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QTRY_VERIFY(m_gates->isWaiting(QStringLiteral("a")) &&
                    m_gates->isWaiting(QStringLiteral("b")));
        // One converting and one copied ahead for each converter, and no more.
        QVERIFY(settlesWithWorkCopies(4));
        QCOMPARE(ChildProcesses::running().size(), 2);
        QVERIFY(!m_gates->isWaiting(QStringLiteral("c")));

        // A converter that ends is followed by the next image in the queue's order.
        QVERIFY(openGates({QStringLiteral("b")}));
        QTRY_VERIFY(m_gates->isWaiting(QStringLiteral("c")));
        QVERIFY(!m_gates->isWaiting(QStringLiteral("d")));
        QVERIFY(fixture.committed.isEmpty());

        QVERIFY(openGates(names));
        QVERIFY(fixture.waitForEnd());
        QCOMPARE(fixture.committed, sources);
        for (const QString &source : sources)
            QCOMPARE(TestFiles::read(resultOf(source)).left(4), QByteArray("gate"));
    }

    void largeSourcesAreNotCopiedAhead()
    {
        QStringList sources = gatedPhotos({QStringLiteral("a"), QStringLiteral("b")});
        sources += {photos(QStringLiteral("scan.tif")), photos(QStringLiteral("c.png"))};
        QVERIFY(TestFiles::write(sources[2], "fast"));
        const qint64 large = qint64(40) << 20;
        QVERIFY(QFile::resize(sources[2], large));
        QVERIFY(TestFiles::write(sources[3], "fast"));
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QTRY_VERIFY(m_gates->isWaiting(QStringLiteral("a")) &&
                    m_gates->isWaiting(QStringLiteral("b")));
        // The small one behind it was copied ahead; the large one waits for a converter.
        QVERIFY(settlesWithWorkCopies(3));
        for (const qint64 size : workCopySizes())
            QVERIFY2(size < large, qPrintable(QString::number(size)));

        QVERIFY(openGates({QStringLiteral("a"), QStringLiteral("b")}));
        QVERIFY(fixture.waitForEnd());
        QCOMPARE(fixture.committed, sources);
        QVERIFY(fixture.failed().isEmpty());
        QCOMPARE(QFileInfo(resultOf(sources[2])).size(), large);
    }

    void stopLeavesEntriesCopiedAheadQueued()
    {
        const QStringList names = {QStringLiteral("s1"), QStringLiteral("s2"),
                                   QStringLiteral("s3"), QStringLiteral("s4"),
                                   QStringLiteral("s5"), QStringLiteral("s6")};
        const QStringList sources = gatedPhotos(names);
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QTRY_VERIFY(m_gates->isWaiting(QStringLiteral("s1")) &&
                    m_gates->isWaiting(QStringLiteral("s2")));
        fixture.run->requestStop();
        QVERIFY(fixture.run->RunInProgress());
        QVERIFY(openGates(names));
        QVERIFY(fixture.waitForEnd());

        // What was given to a converter is finished; the rest waits, in order.
        QCOMPARE(fixture.committed, sources.mid(0, 2));
        QCOMPARE(fixture.queue.paths(), sources.mid(2));
        QCOMPARE(fakeLogLines().size(), 2);
        QVERIFY(fixture.summary().stopped);
        QVERIFY(!QFileInfo::exists(resultOf(sources[2])));
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
    }

    void stopKeepsTheUnconvertedEntriesQueuedInOrder()
    {
        const QStringList names = {QStringLiteral("s1"), QStringLiteral("s2"), QStringLiteral("s3"),
                                   QStringLiteral("s4")};
        const QStringList sources = gatedPhotos(names);
        RunFixture fixture(m_fakeProgram);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QTRY_VERIFY(m_gates->isWaiting(QStringLiteral("s1")));
        // The busy Start button stops the run.
        fixture.run->imgStart_Click();
        QVERIFY(openGates({QStringLiteral("s1")}));
        QVERIFY(fixture.waitForEnd());

        QCOMPARE(fixture.committed, sources.mid(0, 1));
        QCOMPARE(fixture.queue.paths(), sources.mid(1));
        QVERIFY(QFileInfo::exists(resultOf(sources.first())));
        QVERIFY(fixture.summary().stopped);
        QVERIFY(!fixture.busy);
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));

        // The next run takes up where the stopped one left off.
        QVERIFY(openGates(names));
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fixture.committed, sources);
        QVERIFY(!fixture.summary().stopped);
        QCOMPARE(fixture.summaries.size(), 2);
    }

    void closingMidRunEndsOurConverters_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one converter") << 1;
        QTest::newRow("three converters") << 3;
    }

    void closingMidRunEndsOurConverters()
    {
        QFETCH(int, jobs);
        const QStringList hanging = {photos(QStringLiteral("hang1.png")),
                                     photos(QStringLiteral("hang2.png"))};
        for (const QString &source : hanging)
            QVERIFY(TestFiles::write(source, "hang"));
        QVERIFY(TestFiles::write(photos(QStringLiteral("after.png")), "never converted"));
        RunFixture fixture(m_fakeProgram, jobs);
        fixture.add(hanging);
        fixture.add({photos(QStringLiteral("after.png"))});
        fixture.run->Command3_Click();
        // With three, the third (a quick one) finishes and its result waits for the others.
        const int started = jobs == 1 ? 1 : 3;
        const int hangingNow = jobs == 1 ? 1 : int(hanging.size());
        QTRY_VERIFY(fakeLogLines().size() == started &&
                    ChildProcesses::running().size() == hangingNow);
        const QList<qint64> converters = ChildProcesses::running();
        fixture.run->abort();
        QVERIFY(!fixture.run->RunInProgress());
        for (qint64 pid : converters) {
            QVERIFY(pid > 0);
            QVERIFY(ChildProcesses::isGone(pid));
        }
        QTest::qWait(100);
        QVERIFY(!QFileInfo::exists(resultOf(photos(QStringLiteral("after.png")))));
        QVERIFY(fixture.playedSounds.isEmpty());
        QVERIFY(fixture.summaries.isEmpty());
        ScratchFolders::cleanUp();
    }

    void convertersRunBelowTheWindow_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one converter") << 1;
        QTest::newRow("two converters") << 2;
    }

    // With every core converting, the window keeps its share of the processor.
    void convertersRunBelowTheWindow()
    {
        QFETCH(int, jobs);
        const QStringList sources = gatedPhotos({QStringLiteral("p1"), QStringLiteral("p2")});
        RunFixture fixture(m_fakeProgram, jobs);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QTRY_COMPARE(ChildProcesses::running().size(), jobs);
        for (qint64 pid : ChildProcesses::running()) {
            QCOMPARE(ChildProcesses::priority(pid), ChildProcesses::priorityBelowThisProcess());
#ifdef Q_OS_LINUX
            QVERIFY(ChildProcesses::runsOnlyWhenIdle(pid));
#endif
        }
        QVERIFY(openGates({QStringLiteral("p1"), QStringLiteral("p2")}));
        QVERIFY(fixture.waitForEnd());
    }

    void jobsComeFromTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        const int cores = qBound(1, QThread::idealThreadCount(), 64);
        QTest::newRow("one") << QByteArray("1") << 1;
        QTest::newRow("sixty-four") << QByteArray("64") << 64;
        QTest::newRow("zero") << QByteArray("0") << cores;
        QTest::newRow("too many") << QByteArray("65") << cores;
        QTest::newRow("text") << QByteArray("many") << cores;
        QTest::newRow("unset") << QByteArray() << cores;
    }

    void jobsComeFromTheEnvironment()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        if (value.isEmpty())
            qunsetenv("TESSALY_JOBS");
        else
            qputenv("TESSALY_JOBS", value);
        QCOMPARE(CompressionRun::jobsFromEnvironment(), expected);
        qunsetenv("TESSALY_JOBS");
    }

    void fullOutputDiskKeepsOldResultsWholeAndCountsFailures()
    {
        SmallFileSystem disk(256);
        if (!disk.isMounted())
            QSKIP("mounting a small file system needs root");
        const QStringList sources = {photos(QStringLiteral("s1.png")),
                                     photos(QStringLiteral("s2.png"))};
        for (const QString &source : sources)
            QVERIFY(
                TestFiles::makeImage(source, QStringLiteral("plasma:"), QStringLiteral("96x96")));
        const QString earlier = disk.filePath(QStringLiteral("s1_已压缩.jpg"));
        QVERIFY(TestFiles::write(earlier, "an earlier result"));
        QVERIFY(disk.fill());

        RunFixture fixture(m_realProgram);
        fixture.chooseOutputFolder(disk.path());
        fixture.add(sources);
        QVERIFY(fixture.runToEnd());

        QCOMPARE(fixture.failed(), sources);
        for (const EntryOutcome &failure : fixture.summary().failures) {
            QCOMPARE(failure.failure, FailureKind::ResultNotSaved);
            QCOMPARE(failure.detail, AtomicFile::describeError(ENOSPC));
        }
        QCOMPARE(TestFiles::read(earlier), QByteArray("an earlier result"));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 (QStringList{QStringLiteral(".filler"), QStringLiteral("s1_已压缩.jpg")}));
    }

    void windowIsServedWhileALargeSourceIsCopied()
    {
        // Starts with the fake converter's "write nothing", then two gigabytes of nothing.
        const QString big = photos(QStringLiteral("scan.tif"));
        QVERIFY(TestFiles::write(big, "none"));
        QVERIFY(QFile::resize(big, qint64(2) << 30));
        QVERIFY(TestFiles::write(photos(QStringLiteral("next.png")), "next"));

        RunFixture fixture(m_fakeProgram);
        fixture.add({big, photos(QStringLiteral("next.png"))});
        const QString workCopy = Platform::jpgTmpFolder() + QStringLiteral("/tmp.dat");
        fixture.run->Command3_Click();
        // The copy is seen half made: the window is served while it is written.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(workCopy).size() > 4 &&
                                     QFileInfo(workCopy).size() < (qint64(2) << 30),
                                 60000);
        QVERIFY(fixture.waitForEnd());
        QCOMPARE(fixture.committed, (QStringList{big, photos(QStringLiteral("next.png"))}));
        QCOMPARE(fixture.failed(), QStringList{big});
        QVERIFY(QFileInfo::exists(resultOf(photos(QStringLiteral("next.png")))));
    }

#ifdef Q_OS_UNIX
    // What only a Unix system lets a test try: owner-only modes, a shell and Perl as stand-ins
    // for converters left behind, inode numbers, links, names as bytes.

    void runRemakesAMissingScratchRootForItsOwnerAlone()
    {
        // The user may empty their cache folder while Tessaly is open.
        const QString root = Platform::scratchRoot();
        QVERIFY(QDir(root).removeRecursively());
        const QString source = photos(QStringLiteral("a.png"));
        QVERIFY(TestFiles::write(source, "ok"));
        RunFixture fixture(m_fakeProgram);
        fixture.add({source});
        QVERIFY(fixture.runToEnd());
        QCOMPARE(TestFiles::read(resultOf(source)), QByteArray("ok"));
        QCOMPARE(QFileInfo(root).permissions() & QFileDevice::Permissions(0x7077),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void startUpEndsOnlyConvertersWeLeftBehind()
    {
        const QString work = Platform::jpgTmpFolder();
        QVERIFY(QDir().mkpath(work));
        QProcess ours;
        ours.start(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"), QStringLiteral("sleep 600; true"),
                    work + QStringLiteral("/tmp.dat")});
        // Processes that are no converter of ours: one that names nothing of ours, one that
        // names a file beside the work folder, one that mentions the folder inside its script.
        const QList<QStringList> strangerArguments = {
            {QStringLiteral("-e"), QStringLiteral("sleep 600")},
            {QStringLiteral("-e"), QStringLiteral("sleep 600"),
             work + QStringLiteral("-old/tmp.dat")},
            {QStringLiteral("-e"), QStringLiteral("sleep 600; # %1/tmp.dat").arg(work)}};
        std::vector<std::unique_ptr<QProcess>> strangers;
        for (const QStringList &arguments : strangerArguments) {
            strangers.push_back(std::make_unique<QProcess>());
            strangers.back()->start(QStringLiteral("/usr/bin/perl"), arguments);
            QVERIFY(strangers.back()->waitForStarted());
        }
        QVERIFY(ours.waitForStarted());
        ScratchFolders::cleanUp();
        // The clean-up serves events while it deletes, so the end may already have been seen.
        QTRY_COMPARE_WITH_TIMEOUT(ours.state(), QProcess::NotRunning, 10000);
        QCOMPARE(ours.exitStatus(), QProcess::CrashExit);
        // A process that was sent its end is gone well within the wait; these go on sleeping.
        for (const auto &stranger : strangers) {
            QCOMPARE(stranger->state(), QProcess::Running);
            QVERIFY(!stranger->waitForFinished(300));
            stranger->kill();
            stranger->waitForFinished();
        }
        QVERIFY(!QFileInfo::exists(work));
    }

    void smallWorkCopiesAreWrittenOverNotMadeAnew()
    {
        const QStringList sources = {photos(QStringLiteral("a.png")),
                                     photos(QStringLiteral("b.png"))};
        for (const QString &source : sources)
            QVERIFY(TestFiles::write(source, "slow"));
        RunFixture fixture(m_fakeProgram);
        fixture.add(sources);
        const QByteArray workCopy =
            (Platform::jpgTmpFolder() + QStringLiteral("/tmp.dat")).toLocal8Bit();
        QSet<ino_t> files;
        // Each file seen is held open, so that a file made anew cannot get the number of one
        // deleted.
        std::vector<std::unique_ptr<QFile>> held;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] {
            struct stat info {};
            if (::stat(workCopy.constData(), &info) != 0 || files.contains(info.st_ino))
                return;
            files.insert(info.st_ino);
            held.push_back(std::make_unique<QFile>(QString::fromLocal8Bit(workCopy)));
            held.back()->open(QIODevice::ReadOnly);
        });
        watcher.start(5);
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fixture.committed, sources);
        QCOMPARE(files.size(), 1);
    }

    void linksPlantedAtTheWorkCopyAreReplacedNotWrittenThrough_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("symbolic");
        QTest::newRow("symbolic link as the spare") << QStringLiteral("tmp.dat.done") << true;
        QTest::newRow("hard link as the spare") << QStringLiteral("tmp.dat.done") << false;
        QTest::newRow("symbolic link as the copy") << QStringLiteral("tmp.dat") << true;
        QTest::newRow("hard link as the copy") << QStringLiteral("tmp.dat") << false;
    }

    void linksPlantedAtTheWorkCopyAreReplacedNotWrittenThrough()
    {
        QFETCH(QString, name);
        QFETCH(bool, symbolic);
        const QString victim = m_home.filePath(QStringLiteral("notes.txt"));
        QVERIFY(TestFiles::write(victim, "the user's own words"));
        const QString source = photos(QStringLiteral("a.png"));
        QVERIFY(TestFiles::write(source, "fast"));
        QVERIFY(QDir().mkpath(Platform::jpgTmpFolder()));
        const QString planted = Platform::jpgTmpFolder() + u'/' + name;
        if (symbolic)
            QVERIFY(QFile::link(victim, planted));
        else
            QCOMPARE(::link(victim.toLocal8Bit().constData(), planted.toLocal8Bit().constData()),
                     0);

        RunFixture fixture(m_fakeProgram);
        fixture.add({source});
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fixture.committed, QStringList{source});
        QVERIFY(fixture.failed().isEmpty());
        QCOMPARE(TestFiles::read(resultOf(source)), QByteArray("fast"));
        QCOMPARE(TestFiles::read(victim), QByteArray("the user's own words"));
    }

    void namesThatAreNotUtf8AreCompressedUnderTheirOwnBytes()
    {
        // "照片" and "大图" as a Chinese Windows system writes them.
        const QByteArray folder = QFile::encodeName(photos()) + "\xD5\xD5\xC6\xAC";
        const QByteArray gbkImage = folder + "/\xB4\xF3\xCD\xBC.png";
        const QByteArray plainImage = folder + "/plain.png";
        QVERIFY(QDir().mkpath(photos()));
        QCOMPARE(::mkdir(folder.constData(), 0755), 0);
        for (const QByteArray &image : {gbkImage, plainImage}) {
            const QString made = photos(QStringLiteral("made.png"));
            QVERIFY(TestFiles::makeImage(made));
            QCOMPARE(::rename(QFile::encodeName(made).constData(), image.constData()), 0);
        }

        RunFixture fixture(m_realProgram);
        const QStringList sources = {NativePath::fromNative(gbkImage),
                                     NativePath::fromNative(plainImage)};
        fixture.add(sources);
        QVERIFY(fixture.runToEnd());

        QVERIFY2(fixture.failed().isEmpty(), qPrintable(fixture.failed().join(u' ')));
        for (const QByteArray &result :
             {folder + "/\xB4\xF3\xCD\xBC_已压缩.jpg", folder + "/plain_已压缩.jpg"}) {
            struct stat info {};
            QVERIFY2(::stat(result.constData(), &info) == 0 && info.st_size > 0,
                     result.constData());
        }
    }
#endif
};

QTEST_GUILESS_MAIN(TestCompressionRun)
#include "tst_compressionrun.moc"
