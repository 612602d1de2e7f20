#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "platform/NativePath.h"
#include "platform/Platform.h"
#include "queue/QueueModel.h"
#include "tests/engine/RunFixture.h"
#include "tests/support/ChildProcesses.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

class TestCompressionRun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_realProgram = QStringLiteral(TESSALY_PROGRAM_DIR);
    QString m_fakeProgram;
    QString m_fakeLog;

    QString photos(const QString &name = QString()) const
    {
        return m_home.filePath(QStringLiteral("photos/") + name);
    }

    QStringList fakeLogLines() const
    {
        return QString::fromUtf8(TestFiles::read(m_fakeLog)).split(u'\n', Qt::SkipEmptyParts);
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
    }

    void choicesThatWouldFailEveryImageAreToldBeforeTheRun_data()
    {
        QTest::addColumn<QString>("resize");
        QTest::addColumn<QString>("outputFolder"); // empty: results beside the images
        QTest::addColumn<QString>("named");        // what the message must name
        // Only the last level is made, so a folder under a missing parent cannot be.
        QTest::newRow("folder under a missing parent")
            << QString() << QStringLiteral("no/such/parent") << QStringLiteral("parent");
        QTest::newRow("folder that is a file")
            << QString() << QStringLiteral("a-file") << QStringLiteral("a-file");
        QTest::newRow("size with a star")
            << QStringLiteral("1024*768") << QString() << QStringLiteral("1024*768");
        QTest::newRow("size in words")
            << QStringLiteral("abc") << QString() << QStringLiteral("abc");
        QTest::newRow("size smuggling an option")
            << QStringLiteral("640x480 -write x.png") << QString() << QStringLiteral("-write");
    }

    void choicesThatWouldFailEveryImageAreToldBeforeTheRun()
    {
        QFETCH(QString, resize);
        QFETCH(QString, outputFolder);
        QFETCH(QString, named);
        QVERIFY(TestFiles::write(m_home.filePath(QStringLiteral("a-file")), "not a folder"));
        QVERIFY(TestFiles::write(photos(QStringLiteral("p.png")), "p"));
        RunFixture fixture(m_fakeProgram);
        if (!resize.isEmpty())
            fixture.setResizeText(resize);
        if (!outputFolder.isEmpty()) {
            fixture.chooseOutputFolder(m_home.filePath(outputFolder));
        }
        fixture.add({photos(QStringLiteral("p.png"))});
        fixture.run->Command3_Click();
        QCOMPARE(fixture.messages.size(), 1);
        QVERIFY(fixture.messages.first().kind == RunMessageKind::Warning);
        QVERIFY(fixture.messages.first().text.contains(named));
        QVERIFY(fixture.messages.first().text.contains(QStringLiteral("队列中的文件保持不变")));
        QCOMPARE(fixture.queue.paths(), QStringList{photos(QStringLiteral("p.png"))});
        QVERIFY(fakeLogLines().isEmpty());
        QVERIFY(!fixture.busy);
        QVERIFY(!fixture.run->RunInProgress());
    }

    void missingConverterStopsBeforeTheRun()
    {
        const QString empty = m_home.filePath(QStringLiteral("no-converter"));
        QVERIFY(QDir().mkpath(empty));
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("q.png"))));
        RunFixture fixture(empty);
        fixture.add({photos(QStringLiteral("q.png"))});
        fixture.run->Command3_Click();
        QCOMPARE(fixture.messages.size(), 1);
        QVERIFY(fixture.messages.first().kind == RunMessageKind::Critical);
        QVERIFY(fixture.messages.first().text.contains(QStringLiteral("ImageMagick")));
        QCOMPARE(fixture.queue.paths(), QStringList{photos(QStringLiteral("q.png"))});
        QVERIFY(!fixture.busy);
        QVERIFY(fixture.playedSounds.isEmpty());
        QVERIFY(!QFileInfo::exists(resultOf(photos(QStringLiteral("q.png")))));
    }

    void failedConversionNeverReceivesAnotherImage()
    {
        const QStringList sources = {
            photos(QStringLiteral("1.png")), photos(QStringLiteral("2.png")),
            photos(QStringLiteral("3.png")), photos(QStringLiteral("4.png"))};
        QVERIFY(TestFiles::write(sources[0], "ok-first"));
        QVERIFY(TestFiles::write(sources[1], "fail"));
        QVERIFY(TestFiles::write(sources[2], "none"));
        QVERIFY(TestFiles::write(sources[3], "ok-last"));
        RunFixture fixture(m_fakeProgram);
        fixture.add(sources);
        fixture.run->Command3_Click();
        QCOMPARE(TestFiles::read(resultOf(sources[0])), QByteArray("ok-first"));
        QVERIFY(!QFileInfo::exists(resultOf(sources[1])));
        QVERIFY(!QFileInfo::exists(resultOf(sources[2])));
        QCOMPARE(TestFiles::read(resultOf(sources[3])), QByteArray("ok-last"));
        QCOMPARE(fixture.run->failedEntries(), sources.mid(1, 2));
        QCOMPARE(fixture.status, QStringLiteral("完成. 2 个文件失败"));
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
            if (kind == QStringLiteral("pipe"))
                QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
            else if (kind == QStringLiteral("device"))
                QVERIFY(QFile::link(QStringLiteral("/dev/zero"), bad));
            bool stalled = false;
            QTimer watchdog;
            watchdog.setSingleShot(true);
            QObject::connect(&watchdog, &QTimer::timeout, &watchdog, [&] {
                stalled = true;
                fixture.run->abort();
            });
            watchdog.start(10000);
            fixture.run->Command3_Click();
            QVERIFY2(!stalled, qPrintable(QStringLiteral("attempt %1 never ended").arg(attempt)));
            QCOMPARE(fixture.committed, QStringList({bad, good}));
            QCOMPARE(fixture.failed, QStringList{bad});
            QCOMPARE(TestFiles::read(resultOf(good)), QByteArray("good"));
        }
    }

    void convertersOwnWordsReachTheCommittedEntry()
    {
        const QString source = photos(QStringLiteral("words.png"));
        QVERIFY(TestFiles::write(source, "fail"));
        RunFixture fixture(m_fakeProgram);
        fixture.add({source});
        fixture.run->Command3_Click();
        QCOMPARE(fixture.entries.size(), 1);
        QVERIFY(fixture.entries.first().converterMessage.contains(
            QStringLiteral("this image is broken")));
        QVERIFY(!fixture.entries.first().reason.isEmpty());
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
        fixture.run->Command3_Click();
        QCOMPARE(fakeLogLines().size(), 2);
        QVERIFY(!QFileInfo::exists(resultOf(sources[0])));
        QVERIFY(!QFileInfo::exists(resultOf(sources[1])));
        QCOMPARE(fixture.run->failedEntries(), sources);
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
        fixture.run->Command3_Click();
        QCOMPARE(fixture.run->failedEntries(), QStringList({broken, broken}));
        QCOMPARE(fixture.status, QStringLiteral("完成. 2 个文件失败"));
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
        fixture.run->Command3_Click();
        QVERIFY(!QFileInfo::exists(resultOf(sources[0])));
        QCOMPARE(TestFiles::read(resultOf(sources[1])), QByteArray("whole"));
        QCOMPARE(fixture.run->failedEntries(), QStringList{sources[0]});
    }

    void windowIsServedDuringALongConversion()
    {
        QVERIFY(TestFiles::write(photos(QStringLiteral("slow.png")), "slow"));
        RunFixture fixture(m_fakeProgram);
        fixture.add({photos(QStringLiteral("slow.png"))});
        int ticks = 0;
        bool busyWhileRunning = false;
        QSet<QString> labels;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
            ++ticks;
            labels.insert(fixture.status + u' ' + QString::number(fixture.bar) + u'/' +
                          QString::number(fixture.barMaximum));
            busyWhileRunning = busyWhileRunning || (fixture.busy && fixture.run->RunInProgress());
        });
        ticker.start(10);
        fixture.run->Command3_Click();
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QVERIFY(busyWhileRunning);
        QVERIFY(labels.contains(QStringLiteral("正在压缩... 0/1")));
        QVERIFY(!fixture.busy);
        QCOMPARE(fixture.summaries.size(), 1);
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
        fixture.run->Command3_Click();
        const QString work = Platform::jpgTmpFolder();
        const QString expected = work + QStringLiteral("/tmp.dat -resize 800x600 -quality 75 ") +
                                 work + QStringLiteral("/tmp1.jpg");
        QCOMPARE(fakeLogLines(), QStringList({expected, expected}));
    }

    // Entries that finished behind a slow head are committed together, and the window is served
    // once for all of them rather than once for each.
    void windowIsServedOncePerFinishedBatch()
    {
        const QList<QPair<QString, QByteArray>> entries = {{QStringLiteral("a.png"), "slow"},
                                                           {QStringLiteral("b.png"), "fast"},
                                                           {QStringLiteral("c.png"), "fast"}};
        RunFixture fixture(m_fakeProgram, 3);
        for (const auto &entry : entries) {
            QVERIFY(TestFiles::write(photos(entry.first), entry.second));
            fixture.add({photos(entry.first)});
        }
        QList<int> barWhenServed;
        QObject::connect(fixture.run.get(), &CompressionRun::entryCommitted, fixture.run.get(),
                         [&] {
                             QTimer::singleShot(0, fixture.run.get(),
                                                [&] { barWhenServed.append(fixture.bar); });
                         });
        fixture.run->Command3_Click();
        QCOMPARE(fixture.barValues, QList<int>({1, 2, 3}));
        QCOMPARE(barWhenServed, QList<int>({3, 3, 3}));
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
        QStringList sequentialOrder;
        QStringList sequentialFailures;
        QString sequentialLabel;
        for (int jobs : {1, 3}) {
            for (const QString &source : std::as_const(sources))
                QFile::remove(resultOf(source));
            RunFixture fixture(m_fakeProgram, jobs);
            fixture.add(sources);
            fixture.run->Command3_Click();
            QCOMPARE(fixture.queue.count(), 0);
            // The bar rises by one as each entry is committed, in parallel as well.
            QList<int> expectedBar(sources.size());
            std::iota(expectedBar.begin(), expectedBar.end(), 1);
            QCOMPARE(fixture.barValues, expectedBar);
            QCOMPARE(fixture.barMaximum, int(sources.size()));
            QHash<QString, QByteArray> results;
            for (const QString &source : std::as_const(sources))
                results.insert(source, TestFiles::read(resultOf(source)));
            if (jobs == 1) {
                sequentialResults = results;
                sequentialOrder = fixture.committed;
                sequentialFailures = fixture.run->failedEntries();
                sequentialLabel = fixture.status;
                QCOMPARE(sequentialOrder, sources);
                QCOMPARE(TestFiles::read(photos(QStringLiteral("k_已压缩.jpg"))),
                         QByteArray("fast-k2"));
            } else {
                QCOMPARE(results, sequentialResults);
                QCOMPARE(fixture.committed, sequentialOrder);
                QCOMPARE(fixture.run->failedEntries(), sequentialFailures);
                QCOMPARE(fixture.status, sequentialLabel);
                QCOMPARE(fixture.bar, 0);
                QCOMPARE(fakeLogLines().size(), sources.size() * 2);
            }
        }
    }

    void workCopiesStayBoundedWhileResultsWaitForASlowHead()
    {
        QStringList sources = {photos(QStringLiteral("head.png"))};
        QVERIFY(TestFiles::write(sources.first(), "slow-head"));
        for (int i = 0; i < 8; ++i) {
            sources.append(photos(QStringLiteral("next%1.png").arg(i)));
            QVERIFY(TestFiles::write(sources.last(), "fast"));
        }
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        int mostWorkCopies = 0;
        int mostWaitingWhileHeadConverts = 0;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] {
            QDirIterator it(Platform::jpgTmpFolder(), {QStringLiteral("tmp.dat")}, QDir::Files,
                            QDirIterator::Subdirectories);
            int copies = 0;
            for (; it.hasNext(); it.next())
                ++copies;
            mostWorkCopies = std::max(mostWorkCopies, copies);
            if (fixture.queue.at(0) == sources.first()) {
                QDirIterator results(Platform::jpgTmpFolder(), {QStringLiteral("tmp1.jpg")},
                                     QDir::Files, QDirIterator::Subdirectories);
                int waiting = 0;
                for (; results.hasNext(); results.next())
                    ++waiting;
                mostWaitingWhileHeadConverts = std::max(mostWaitingWhileHeadConverts, waiting);
            }
        });
        watcher.start(5);
        fixture.run->Command3_Click();
        QVERIFY(mostWorkCopies >= 1);
        // One for each converter, and one copied ahead for each.
        QVERIFY2(mostWorkCopies <= 4, qPrintable(QString::number(mostWorkCopies)));
        // The second converter went on past the first waiting result.
        QVERIFY2(mostWaitingWhileHeadConverts >= 2,
                 qPrintable(QString::number(mostWaitingWhileHeadConverts)));
        QCOMPARE(fixture.committed, sources);
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

    // Runs the fixture, calling `look` every few milliseconds during the run's first 0.4 s:
    // with converters that take 0.6 s, while the first ones still run.
    static void runLookingWhileTheFirstConvertersRun(RunFixture &fixture,
                                                     const std::function<void()> &look)
    {
        QElapsedTimer sinceStart;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] {
            if (!sinceStart.hasExpired(400))
                look();
        });
        watcher.start(5);
        sinceStart.start();
        fixture.run->Command3_Click();
    }

    void largeSourcesAreNotCopiedAhead()
    {
        QStringList sources = {photos(QStringLiteral("a.png")), photos(QStringLiteral("b.png")),
                               photos(QStringLiteral("scan.tif")), photos(QStringLiteral("c.png"))};
        QVERIFY(TestFiles::write(sources[0], "slow"));
        QVERIFY(TestFiles::write(sources[1], "slow"));
        QVERIFY(TestFiles::write(sources[2], "fast"));
        const qint64 large = qint64(40) << 20;
        QVERIFY(QFile::resize(sources[2], large));
        QVERIFY(TestFiles::write(sources[3], "fast"));
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        qint64 largestCopyWhileFirstTwoConvert = 0;
        qsizetype mostCopiesWhileFirstTwoConvert = 0;
        runLookingWhileTheFirstConvertersRun(fixture, [&] {
            const QList<qint64> sizes = workCopySizes();
            mostCopiesWhileFirstTwoConvert = std::max(mostCopiesWhileFirstTwoConvert, sizes.size());
            for (const qint64 size : sizes)
                largestCopyWhileFirstTwoConvert = std::max(largestCopyWhileFirstTwoConvert, size);
        });
        // The small one behind it was copied ahead; the large one waited for a converter.
        QCOMPARE(mostCopiesWhileFirstTwoConvert, 3);
        QVERIFY2(largestCopyWhileFirstTwoConvert < large,
                 qPrintable(QString::number(largestCopyWhileFirstTwoConvert)));
        QCOMPARE(fixture.committed, sources);
        QVERIFY(fixture.failed.isEmpty());
        QCOMPARE(QFileInfo(resultOf(sources[2])).size(), large);
    }

    void stopLeavesEntriesCopiedAheadQueued()
    {
        QStringList sources;
        for (const char *name : {"s1.png", "s2.png", "s3.png", "s4.png", "s5.png", "s6.png"}) {
            sources.append(photos(QString::fromLatin1(name)));
            QVERIFY(TestFiles::write(sources.last(), "slow"));
        }
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        QObject::connect(fixture.run.get(), &CompressionRun::entryCommitted, fixture.run.get(),
                         [&fixture] { fixture.run->requestStop(); });
        fixture.run->Command3_Click();

        // What was given to a converter is finished; the rest waits, in order.
        const qsizetype committed = fixture.committed.size();
        QVERIFY2(committed >= 2 && committed <= 4, qPrintable(QString::number(committed)));
        QCOMPARE(fixture.committed, sources.mid(0, committed));
        QCOMPARE(fixture.queue.paths(), sources.mid(committed));
        QCOMPARE(fakeLogLines().size(), committed);
        QCOMPARE(fixture.status, CompressionRun::stoppedText());
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
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
        fixture.run->Command3_Click();

        QCOMPARE(fixture.failed, sources);
        for (const CompressionRun::Failure &failure : fixture.run->failures())
            QVERIFY2(failure.reason.contains(QStringLiteral("磁盘空间不足")),
                     qPrintable(failure.reason));
        QCOMPARE(fixture.status, CompressionRun::failureText(2));
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
        bool servedDuringCopy = false;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
            const qint64 copied = QFileInfo(workCopy).size();
            servedDuringCopy = servedDuringCopy || (copied > 4 && copied < (qint64(2) << 30));
        });
        ticker.start(5);
        fixture.run->Command3_Click();
        QVERIFY(servedDuringCopy);
        QCOMPARE(fixture.committed, (QStringList{big, photos(QStringLiteral("next.png"))}));
        QCOMPARE(fixture.failed, QStringList{big});
        QVERIFY(QFileInfo::exists(resultOf(photos(QStringLiteral("next.png")))));
    }

    void stopKeepsTheUnconvertedEntriesQueuedInOrder()
    {
        QStringList sources;
        for (const char *name : {"s1.png", "s2.png", "s3.png", "s4.png"}) {
            sources.append(photos(QString::fromLatin1(name)));
            QVERIFY(TestFiles::write(sources.last(), "slow"));
        }
        RunFixture fixture(m_fakeProgram);
        fixture.add(sources);
        const QMetaObject::Connection stopAtFirst =
            QObject::connect(fixture.run.get(), &CompressionRun::entryCommitted, fixture.run.get(),
                             [&fixture] { fixture.run->requestStop(); });
        fixture.run->Command3_Click();

        QCOMPARE(fixture.committed, sources.mid(0, 1));
        QCOMPARE(fixture.queue.paths(), sources.mid(1));
        QVERIFY(QFileInfo::exists(resultOf(sources.first())));
        QCOMPARE(fixture.status, CompressionRun::stoppedText());
        QVERIFY(!fixture.run->RunInProgress());
        QVERIFY(!fixture.busy);
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));

        // The next run takes up where the stopped one left off.
        QObject::disconnect(stopAtFirst);
        fixture.run->Command3_Click();
        QCOMPARE(fixture.committed, sources);
        QCOMPARE(fixture.status, CompressionRun::doneText());
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
        // The window closes once every converter has started and, with three, the third (a
        // quick one) has finished: its log line is written and its process has ended.
        const int started = jobs == 1 ? 1 : 3;
        const int hangingNow = jobs == 1 ? 1 : int(hanging.size());
        QList<qint64> converters;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, fixture.run.get(), [&] {
            const QList<qint64> running = ChildProcesses::running();
            if (fakeLogLines().size() < started || running.size() != hangingNow)
                return;
            watcher.stop();
            converters = running;
            fixture.run->abort();
        });
        watcher.start(10);
        fixture.run->Command3_Click();
        QCOMPARE(converters.size(), hangingNow);
        for (qint64 pid : std::as_const(converters)) {
            QVERIFY(pid > 0);
            QVERIFY(ChildProcesses::isGone(pid));
        }
        QVERIFY(!QFileInfo::exists(resultOf(photos(QStringLiteral("after.png")))));
        QVERIFY(fixture.playedSounds.isEmpty());
        CompressionRun::cleanUpScratchFolders();
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
        const QStringList hanging = {photos(QStringLiteral("hang1.png")),
                                     photos(QStringLiteral("hang2.png"))};
        for (const QString &source : hanging)
            QVERIFY(TestFiles::write(source, "hang"));
        RunFixture fixture(m_fakeProgram, jobs);
        fixture.add(hanging);
        QList<int> priorities;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, fixture.run.get(), [&] {
            const QList<qint64> running = ChildProcesses::running();
            if (running.size() != jobs)
                return;
            watcher.stop();
            for (qint64 pid : running)
                priorities.append(ChildProcesses::priority(pid));
            fixture.run->abort();
        });
        watcher.start(10);
        fixture.run->Command3_Click();
        QCOMPARE(priorities, QList<int>(jobs, ChildProcesses::priorityBelowThisProcess()));
        CompressionRun::cleanUpScratchFolders();
    }

    void entriesAreCopiedAheadWhileEveryConverterIsBusy()
    {
        QStringList sources;
        for (const char *name : {"a.png", "b.png", "c.png", "d.png", "e.png"}) {
            sources.append(photos(QString::fromLatin1(name)));
            QVERIFY(TestFiles::write(sources.last(), "slow"));
        }
        RunFixture fixture(m_fakeProgram, 2);
        fixture.add(sources);
        qsizetype mostCopiesWhileFirstTwoConvert = 0;
        qsizetype mostConvertersRunning = 0;
        runLookingWhileTheFirstConvertersRun(fixture, [&] {
            mostConvertersRunning =
                std::max(mostConvertersRunning, ChildProcesses::running().size());
            mostCopiesWhileFirstTwoConvert =
                std::max(mostCopiesWhileFirstTwoConvert, workCopySizes().size());
        });
        QCOMPARE(mostCopiesWhileFirstTwoConvert, 4);
        QCOMPARE(mostConvertersRunning, 2);
        QCOMPARE(fixture.committed, sources);
        for (const QString &source : std::as_const(sources))
            QCOMPARE(TestFiles::read(resultOf(source)), QByteArray("slow"));
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
        fixture.run->Command3_Click();
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
        CompressionRun::cleanUpScratchFolders();
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
        fixture.run->Command3_Click();
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
        fixture.run->Command3_Click();
        QCOMPARE(fixture.committed, QStringList{source});
        QVERIFY(fixture.failed.isEmpty());
        QCOMPARE(TestFiles::read(resultOf(source)), QByteArray("fast"));
        QCOMPARE(TestFiles::read(victim), QByteArray("the user's own words"));
    }

    void plantedLinkInTheOutputIsReplacedNotFollowed_data()
    {
        QTest::addColumn<bool>("otherFileSystem");
        QTest::newRow("same file system") << false;
        QTest::newRow("another file system") << true;
    }

    void plantedLinkInTheOutputIsReplacedNotFollowed()
    {
        QFETCH(bool, otherFileSystem);
        SmallFileSystem disk(1024);
        if (otherFileSystem && !disk.isMounted())
            QSKIP("mounting a small file system needs root");
        const QString output =
            otherFileSystem ? disk.path() : m_home.filePath(QStringLiteral("out-linked"));
        QVERIFY(QDir().mkpath(output));
        const QString victim = m_home.filePath(QStringLiteral("elsewhere/precious.txt"));
        QVERIFY(TestFiles::write(victim, "the user's own file"));
        const QString planted = output + QStringLiteral("/t1_已压缩.jpg");
        QFile::remove(planted);
        QVERIFY(QFile::link(victim, planted));
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("t1.png"))));

        RunFixture fixture(m_realProgram);
        fixture.chooseOutputFolder(output);
        fixture.add({photos(QStringLiteral("t1.png"))});
        fixture.run->Command3_Click();

        QVERIFY(fixture.failed.isEmpty());
        QCOMPARE(TestFiles::read(victim), QByteArray("the user's own file"));
        QVERIFY(!QFileInfo(planted).isSymLink());
        QCOMPARE(identify(QStringLiteral("%m"), planted), QStringLiteral("JPEG"));
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
        fixture.run->Command3_Click();

        QVERIFY2(fixture.failed.isEmpty(), qPrintable(fixture.failed.join(u' ')));
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
