#include "engine/ConverterCommand.h"
#include "engine/FailureReason.h"
#include "platform/Platform.h"
#include "tests/engine/RunFixture.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Runs with the real converter, on every system Tessaly is built for: what becomes of each kind
// of image, the choices that reach the converter, and bad input that fails alone.
class TestConversionResults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_realProgram = QStringLiteral(TESSALY_PROGRAM_DIR);

    QString photos(const QString &name = QString()) const
    {
        return m_home.filePath(QStringLiteral("photos/") + name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
    }

    void init()
    {
        QDir(photos()).removeRecursively();
        QVERIFY(QDir().mkpath(photos()));
    }

    void emptyQueueAsksForAFile()
    {
        RunFixture fixture(m_realProgram);
        fixture.options.outputFolder = m_home.filePath(QStringLiteral("never-made"));
        QSignalSpy looks(fixture.run.get(), &CompressionRun::startBusyChanged);
        fixture.run->Command3_Click();
        QVERIFY(!fixture.run->RunInProgress());
        QCOMPARE(fixture.messages.size(), 1);
        QCOMPARE(fixture.messages.first().kind, RunMessage::Kind::EmptyQueue);
        QCOMPARE(looks.size(), 1);
        QCOMPARE(looks.first().first().toBool(), false);
        QVERIFY(!QFileInfo::exists(fixture.options.outputFolder));
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
        QVERIFY(!fixture.busy);
    }

    void everyAcceptedFormatBecomesAJpeg_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"a.png", "b.bmp", "c.gif", "d.tif", "e.jpg", "f.jpeg", "g.tiff"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void everyAcceptedFormatBecomesAJpeg()
    {
        QFETCH(QString, name);
        QVERIFY(TestFiles::makeImage(photos(name), QStringLiteral("rose:")));
        RunFixture fixture(m_realProgram);
        fixture.options.outputFolder = m_home.filePath(QStringLiteral("out-default"));
        fixture.add({photos(name)});
        QVERIFY(fixture.runToEnd());

        const QString result = resultOf(photos(name));
        QCOMPARE(identify(QStringLiteral("%m %Q"), result), QStringLiteral("JPEG 75"));
        QCOMPARE(fixture.queue.count(), 0);
        QCOMPARE(fixture.queue.rowCount(), 0);
        QCOMPARE(fixture.bar, 0);
        QCOMPARE(fixture.summary().written, 1);
        QVERIFY(!fixture.summary().stopped);
        QVERIFY(fixture.failed().isEmpty());
        // Made at every run start, whatever the output choice.
        QVERIFY(QFileInfo(fixture.options.outputFolder).isDir());
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
        QVERIFY(!QFileInfo::exists(Platform::tmpQuenbyFolder()));
        QVERIFY(fixture.openedFolders.isEmpty());
        QCOMPARE(fixture.playedSounds, QStringList{Platform::soundPath(m_realProgram)});
        QVERIFY(!fixture.busy);
        QVERIFY(!fixture.run->RunInProgress());
    }

    void qualityAndResizeReachTheConverter()
    {
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("wide.png")),
                                     QStringLiteral("gradient:red-blue"),
                                     QStringLiteral("1000x800")));
        RunFixture fixture(m_realProgram);
        fixture.options.quality = 40;
        fixture.setResizeText(QStringLiteral("640x480"));
        fixture.add({photos(QStringLiteral("wide.png"))});
        QVERIFY(fixture.runToEnd());
        const QStringList size =
            identify(QStringLiteral("%w %h %Q"), resultOf(photos(QStringLiteral("wide.png"))))
                .split(u' ');
        QCOMPARE(size.size(), 3);
        QVERIFY(size.at(0).toInt() <= 640);
        QVERIFY(size.at(1).toInt() <= 480);
        QCOMPARE(size.at(2), QStringLiteral("40"));
    }

    void outputFolderChoiceLosesItsTrailingSeparatorForGood()
    {
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("one.png"))));
        const QString folder = m_home.filePath(QStringLiteral("chosen"));
        RunFixture fixture(m_realProgram);
        fixture.chooseOutputFolder(folder + u'/');
        fixture.add({photos(QStringLiteral("one.png"))});
        QVERIFY(fixture.runToEnd());
        QCOMPARE(fixture.options.outputFolder, folder);
        QCOMPARE(identify(QStringLiteral("%m"), folder + QStringLiteral("/one_已压缩.jpg")),
                 QStringLiteral("JPEG"));
        QVERIFY(!QFileInfo::exists(resultOf(photos(QStringLiteral("one.png")))));
        QCOMPARE(fixture.openedFolders, QStringList{folder});
    }

    void resultsReachAnotherFileSystem()
    {
        QTemporaryDir memory(QStringLiteral("/dev/shm/tessaly-test-XXXXXX"));
        if (!memory.isValid())
            QSKIP("no second file system at /dev/shm");
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("far.png"))));
        const QString old = memory.filePath(QStringLiteral("far_已压缩.jpg"));
        QVERIFY(TestFiles::write(old, "an older result"));
        RunFixture fixture(m_realProgram);
        fixture.chooseOutputFolder(memory.path());
        fixture.add({photos(QStringLiteral("far.png"))});
        QVERIFY(fixture.runToEnd());
        QVERIFY(fixture.failed().isEmpty());
        QCOMPARE(identify(QStringLiteral("%m"), old), QStringLiteral("JPEG"));
        QCOMPARE(QDir(memory.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void laterEntryWinsASharedOutputName()
    {
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("x.1.png")), QStringLiteral("xc:red"),
                                     QStringLiteral("32x32")));
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("x.2.png")), QStringLiteral("xc:blue"),
                                     QStringLiteral("32x32")));
        RunFixture fixture(m_realProgram);
        fixture.add({photos(QStringLiteral("x.1.png")), photos(QStringLiteral("x.2.png"))});
        QVERIFY(fixture.runToEnd());
        QCOMPARE(identify(QStringLiteral("%[fx:mean.b>0.9&&mean.r<0.1]"),
                          photos(QStringLiteral("x_已压缩.jpg"))),
                 QStringLiteral("1"));
    }

    void transparentAreasComeOutWhite()
    {
        // Left half fully transparent over red colour values, right half opaque blue.
        const QString source = photos(QStringLiteral("half.png"));
        QVERIFY(TestFiles::imageMagick(
            QStringLiteral("convert"),
            {QStringLiteral("-size"), QStringLiteral("40x20"), QStringLiteral("xc:blue"),
             QStringLiteral("-alpha"), QStringLiteral("set"), QStringLiteral("-region"),
             QStringLiteral("20x20+0+0"), QStringLiteral("-fill"),
             QStringLiteral("rgba(255,0,0,0)"), QStringLiteral("-draw"),
             QStringLiteral("color 0,0 reset"), QStringLiteral("PNG32:") + source}));
        QVERIFY(QFileInfo(source).size() > 0);
        RunFixture fixture(m_realProgram);
        fixture.add({source});
        QVERIFY(fixture.runToEnd());
        const QString result = resultOf(source);
        QCOMPARE(identify(QStringLiteral("%[fx:p{5,10}.r>0.95&&p{5,10}.g>0.95&&p{5,10}.b>0.95]"),
                          result),
                 QStringLiteral("1"));
        QCOMPARE(identify(QStringLiteral("%[fx:p{30,10}.b>0.9&&p{30,10}.r<0.1]"), result),
                 QStringLiteral("1"));
    }

    void opaqueSourceKeepsTheExactCommandLine()
    {
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("plain.jpg"))));
        RunFixture fixture(m_realProgram);
        fixture.add({photos(QStringLiteral("plain.jpg"))});
        QVERIFY(fixture.runToEnd());
        const QString work = Platform::jpgTmpFolder();
        QCOMPARE(fixture.runner.CommandLine(), Platform::converterPath(m_realProgram) + u' ' +
                                                   work + QStringLiteral("/tmp.dat  -quality 75 ") +
                                                   work + QStringLiteral("/tmp1.jpg"));
    }

    void severalFramesGiveTheFirstFrame()
    {
        const QString source = photos(QStringLiteral("anim.gif"));
        QVERIFY(
            TestFiles::imageMagick(QStringLiteral("convert"),
                                   {QStringLiteral("-size"), QStringLiteral("16x16"),
                                    QStringLiteral("xc:red"), QStringLiteral("xc:blue"), source}));
        RunFixture fixture(m_realProgram);
        fixture.add({source});
        QVERIFY(fixture.runToEnd());
        QVERIFY(fixture.failed().isEmpty());
        QCOMPARE(identify(QStringLiteral("%m %[fx:mean.r>0.9]"), resultOf(source)),
                 QStringLiteral("JPEG 1"));
    }

    void badInputFailsAloneAndNothingIsChanged()
    {
        const QString good = photos(QStringLiteral("good.png"));
        QVERIFY(TestFiles::makeImage(good));
        const QString oddFolder = photos(QStringLiteral("folder with blanks"));
        const QString oddName = oddFolder + QStringLiteral("/-rf 相片 'a'.png");
        QVERIFY(TestFiles::makeImage(oddName));
        const QString zero = photos(QStringLiteral("zero.png"));
        QVERIFY(TestFiles::write(zero, QByteArray()));
        const QString big = photos(QStringLiteral("big.jpg"));
        QVERIFY(TestFiles::makeImage(big, QStringLiteral("plasma:"), QStringLiteral("400x300")));
        const QString truncated = photos(QStringLiteral("truncated.jpg"));
        QVERIFY(TestFiles::write(truncated, TestFiles::read(big).left(QFileInfo(big).size() / 3)));
        // Stray bytes before the end marker make the converter warn, yet the picture is whole.
        // (The decoder reads a few bytes ahead into its bit buffer; the rest are left over.)
        const QString strayByte = photos(QStringLiteral("stray bytes.jpg"));
        QByteArray strayBytes = TestFiles::read(big);
        strayBytes.insert(strayBytes.size() - 2, QByteArray(8, '\0'));
        QVERIFY(TestFiles::write(strayByte, strayBytes));
        const QString text = photos(QStringLiteral("text.png"));
        QVERIFY(TestFiles::write(text, "just some words\n"));
        const QString svg = photos(QStringLiteral("drawing.jpg"));
        QVERIFY(TestFiles::write(svg, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" "
                                      "height=\"9\"><rect width=\"9\" height=\"9\"/></svg>"));
        const QString mvg = photos(QStringLiteral("vector.jpg"));
        QVERIFY(TestFiles::write(mvg, "push graphic-context\nviewbox 0 0 9 9\n"
                                      "rectangle 0 0 5 5\npop graphic-context\n"));
        // A format the system's converter reads but this program does not accept.
        const QString pixmap = photos(QStringLiteral("pixmap.jpg"));
        QVERIFY(TestFiles::write(pixmap, QByteArray("P6\n2 2\n255\n") + QByteArray(12, '\x80')));
        const QString huge = photos(QStringLiteral("huge.png"));
        QVERIFY(TestFiles::imageMagick(
            QStringLiteral("convert"),
            {QStringLiteral("-size"), QStringLiteral("8x8"), QStringLiteral("xc:white"), huge}));
        QByteArray hugeBytes = TestFiles::read(huge);
        QVERIFY(hugeBytes.size() > 24);
        // Width and height in the header claim 100000 x 100000 pixels.
        const char claim[] = {0, 1, char(0x86), char(0xA0), 0, 1, char(0x86), char(0xA0)};
        hugeBytes.replace(16, 8, QByteArray(claim, 8));
        QVERIFY(TestFiles::write(huge, hugeBytes));
        // A whole GIF whose screen and frame claim 40000 x 40000 pixels.
        const QString giant = photos(QStringLiteral("giant.gif"));
        QVERIFY(
            TestFiles::imageMagick(QStringLiteral("convert"),
                                   {QStringLiteral("-size"), QStringLiteral("8x8"),
                                    QStringLiteral("xc:white"), QStringLiteral("-strip"), giant}));
        QByteArray giantBytes = TestFiles::read(giant);
        const int frame = giantBytes.indexOf(',', 13);
        QVERIFY(frame > 0 && giantBytes.size() > frame + 9);
        const QByteArray claimed("\x40\x9C\x40\x9C", 4);
        giantBytes.replace(6, 4, claimed);
        giantBytes.replace(frame + 5, 4, claimed);
        QVERIFY(TestFiles::write(giant, giantBytes));
        const QString lockedSource = photos(QStringLiteral("locked.png"));
        QVERIFY(TestFiles::makeImage(lockedSource));
        const QString lockedResult = resultOf(lockedSource);
        QVERIFY(TestFiles::write(lockedResult, "keep me"));
        QVERIFY(QFile::setPermissions(lockedResult, QFileDevice::ReadOwner));

        const QStringList bad = {photos(QStringLiteral("missing.png")),
                                 oddFolder,
                                 zero,
                                 truncated,
                                 text,
                                 svg,
                                 mvg,
                                 pixmap,
                                 huge,
                                 giant,
                                 lockedSource};
        QStringList queue = {good, oddName, strayByte};
        queue += bad;
        QHash<QString, QByteArray> checksums;
        for (const QString &path : std::as_const(queue))
            checksums.insert(path,
                             QFileInfo(path).isFile() ? TestFiles::sha256(path) : QByteArray());

        RunFixture fixture(m_realProgram);
        fixture.add(queue);
        QVERIFY(fixture.runToEnd());

        QCOMPARE(fixture.queue.count(), 0);
        QCOMPARE(fixture.failed(), bad);
        const QHash<QString, FailureKind> reasons = {
            {photos(QStringLiteral("missing.png")), FailureKind::UnreadableSource},
            {oddFolder, FailureKind::UnreadableSource},
            {zero, FailureKind::NotAnImage},
            {truncated, FailureKind::Damaged},
            {text, FailureKind::NotAnImage},
            {svg, FailureKind::Unsupported},
            {mvg, FailureKind::NotAnImage},
            {pixmap, FailureKind::Unsupported},
            {huge, FailureKind::Damaged},
            {giant, FailureKind::TooLarge},
            {lockedSource, FailureKind::ReadOnlyResult}};
        for (const EntryOutcome &failure : fixture.summary().failures)
            QCOMPARE(failure.failure, reasons.value(failure.source));
        QCOMPARE(identify(QStringLiteral("%m"), resultOf(good)), QStringLiteral("JPEG"));
        QCOMPARE(identify(QStringLiteral("%m"), resultOf(oddName)), QStringLiteral("JPEG"));
        QCOMPARE(identify(QStringLiteral("%wx%h"), resultOf(strayByte)), QStringLiteral("400x300"));
        for (const QString &path : {zero, truncated, text, svg, mvg, pixmap, huge, giant})
            QVERIFY2(!QFileInfo::exists(resultOf(path)), qPrintable(path));
        QCOMPARE(TestFiles::read(lockedResult), QByteArray("keep me"));
        for (auto it = checksums.cbegin(); it != checksums.cend(); ++it) {
            if (!it.value().isEmpty())
                QCOMPARE(TestFiles::sha256(it.key()), it.value());
        }
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
    }

    // The run's own look at a header turns such a file away before the converter sees it; were
    // one to reach the converter, its words would still be read as the format it is.
    void aFormatThePolicyRefusesIsToldAsUnsupported()
    {
        const QString pixmap = photos(QStringLiteral("tmp.dat"));
        QVERIFY(TestFiles::write(pixmap, QByteArray("P6\n2 2\n255\n") + QByteArray(12, '\x80')));
        ConverterCommand command;
        command.programFolder = m_realProgram;
        command.input = pixmap;
        command.output = photos(QStringLiteral("tmp1.jpg"));
        DOSOutputs runner;
        QProcessEnvironment policy;
        policy.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"),
                      Platform::converterPolicyFolder(m_realProgram));
        runner.setExtraEnvironment(policy);
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        QVERIFY(runner.ExecuteCommand(command.commandLine()));
        QVERIFY(over.wait(60000));
        QVERIFY(!runner.succeeded());
        QCOMPARE(FailureReason::fromConverterOutput(runner.Outputs().toString()),
                 FailureKind::Unsupported);
    }

    void summaryCountsTheRealFilesAndEachFailureKeepsTheConvertersWords()
    {
        const QString photo = photos(QStringLiteral("photo.png"));
        QVERIFY(TestFiles::makeImage(photo, QStringLiteral("plasma:"), QStringLiteral("200x150")));
        // A JPEG saved at a low quality grows when saved again at a higher one.
        const QString tiny = photos(QStringLiteral("tiny.jpg"));
        QVERIFY(TestFiles::imageMagick(QStringLiteral("convert"),
                                       {QStringLiteral("-size"), QStringLiteral("64x64"),
                                        QStringLiteral("plasma:"), QStringLiteral("-quality"),
                                        QStringLiteral("5"), tiny}));
        const QString broken = photos(QStringLiteral("broken.jpg"));
        QVERIFY(TestFiles::write(broken, QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(64, 'x')));
        RunFixture fixture(m_realProgram);
        fixture.add({photo, broken, tiny});
        QVERIFY(fixture.runToEnd());

        QCOMPARE(fixture.summaries.size(), 1);
        const RunSummary &summary = fixture.summaries.first();
        QCOMPARE(summary.written, 2);
        QCOMPARE(summary.sourceBytes, QFileInfo(photo).size() + QFileInfo(tiny).size());
        QCOMPARE(summary.resultBytes,
                 QFileInfo(resultOf(photo)).size() + QFileInfo(resultOf(tiny)).size());
        QVERIFY(QFileInfo(resultOf(tiny)).size() > QFileInfo(tiny).size());
        QVERIFY(QFileInfo(resultOf(photo)).size() < QFileInfo(photo).size());
        QCOMPARE(summary.largerThanSource, 1);
        QVERIFY(!summary.stopped);
        QCOMPARE(summary.failures.size(), 1);
        const EntryOutcome &failure = summary.failures.first();
        QCOMPARE(failure.source, broken);
        QCOMPARE(failure.failure, FailureKind::Damaged);
        QVERIFY(!failure.converterMessage.isEmpty());
        QCOMPARE(failure.resultBytes, 0);
    }

    void closingDuringTheEndStepsShowsAndPlaysNothing_data()
    {
        QTest::addColumn<bool>("whileFoldersGo");
        QTest::newRow("while the scratch folders are removed") << true;
        QTest::newRow("as the controls come back") << false;
    }

    void closingDuringTheEndStepsShowsAndPlaysNothing()
    {
        QFETCH(bool, whileFoldersGo);
        QVERIFY(TestFiles::makeImage(photos(QStringLiteral("p.png"))));
        RunFixture fixture(m_realProgram);
        fixture.chooseOutputFolder(m_home.filePath(QStringLiteral("out")));
        fixture.add({photos(QStringLiteral("p.png"))});
        CompressionRun *run = fixture.run.get();
        if (whileFoldersGo)
            QObject::connect(run, &CompressionRun::stateChanged, run, [run](RunState state) {
                if (state == RunState::Finishing)
                    run->abort();
            });
        else
            QObject::connect(run, &CompressionRun::finished, run, [run] { run->abort(); });
        QVERIFY(fixture.runToEnd());
        QTest::qWait(100);
        QVERIFY(QFileInfo::exists(m_home.filePath(QStringLiteral("out/p_已压缩.jpg"))));
        QVERIFY(fixture.openedFolders.isEmpty());
        QVERIFY(fixture.playedSounds.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestConversionResults)
#include "tst_conversionresults.moc"
