#include "app/RunPresenter.h"
#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "options/CompressionOptions.h"
#include "platform/NativePath.h"
#include "queue/QueueModel.h"
#include "tests/support/ModalWatcher.h"
#include "tests/support/TestFiles.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr qint64 megabyte = 1024 * 1024;

// A run shown in real widgets, as the window shows it.
struct PresentedRun {
    explicit PresentedRun(const QString &programFolder)
        : runner(&window)
        , run(queue, runner, &window)
        , pb(new QProgressBar(&window))
        , lblPB(new QLabel(&window))
        , list(new QPushButton(&window))
        , toolbar(new QPushButton(&window))
    {
        run.setProgramFolder(programFolder);
        run.setOptionsSource([this] { return options; });
        run.setFolderOpener([this](const QString &) { return folderOpens; });
        RunPresenter::Controls controls;
        controls.lockedDuringRun = {list, toolbar};
        controls.pb = pb;
        controls.lblPB = lblPB;
        controls.messageOwner = &window;
        new RunPresenter(run, controls, &window);
    }

    QWidget window;
    QueueModel queue;
    DOSOutputs runner;
    CompressionRun run;
    RunOptions options;
    bool folderOpens = true;
    QProgressBar *pb;
    QLabel *lblPB;
    QPushButton *list;
    QPushButton *toolbar;
};

RunSummary summaryOf(int written, qint64 sourceBytes, qint64 resultBytes)
{
    RunSummary summary;
    summary.written = written;
    summary.sourceBytes = sourceBytes;
    summary.resultBytes = resultBytes;
    return summary;
}

} // namespace

class TestRunPresenter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_fakeProgram;

    QString photo(const QString &name) const
    {
        return m_home.filePath(QStringLiteral("photos/") + name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
        m_fakeProgram = m_home.filePath(QStringLiteral("fake-program"));
        QVERIFY(TestFiles::makeFakeProgramFolder(m_fakeProgram));
    }

    void sizesReadAsTheUserCountsThem_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << QStringLiteral("0 KB");
        QTest::newRow("a few bytes round up to a kilobyte")
            << qint64(600) << QStringLiteral("1 KB");
        QTest::newRow("kilobytes") << qint64(812 * 1024) << QStringLiteral("812 KB");
        QTest::newRow("a megabyte") << megabyte << QStringLiteral("1.0 MB");
        QTest::newRow("photos") << qint64(32.1 * megabyte) << QStringLiteral("32.1 MB");
        QTest::newRow("gigabytes") << qint64(1.4 * 1024 * megabyte) << QStringLiteral("1.4 GB");
    }

    void sizesReadAsTheUserCountsThem()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(RunPresenter::sizeText(bytes), text);
    }

    void summarySaysWhatWasSavedAndWhatGrew()
    {
        RunSummary saved = summaryOf(24, qint64(32.1 * megabyte), qint64(2.3 * megabyte));
        QCOMPARE(RunPresenter::summaryText(saved),
                 QStringLiteral("已压缩 24 个文件：32.1 MB → 2.3 MB，节省 93%"));
        saved.largerThanSource = 2;
        QCOMPARE(RunPresenter::summaryText(saved),
                 QStringLiteral("已压缩 24 个文件：32.1 MB → 2.3 MB，节省 93%\n"
                                "其中 2 个文件比原图更大"));
        const RunSummary grew = summaryOf(1, 100 * 1024, 150 * 1024);
        QCOMPARE(RunPresenter::summaryText(grew),
                 QStringLiteral("已压缩 1 个文件：100 KB → 150 KB，增大 50%"));
        QCOMPARE(RunPresenter::summaryText(RunSummary()), QString());
    }

    void failuresFollowTheSummaryWithTheirReasons()
    {
        RunSummary summary = summaryOf(1, 2048, 1024);
        for (int index = 0; index < 45; ++index)
            summary.failures.append(
                {QStringLiteral("/照片/%1.png").arg(index), QStringLiteral("不是图片")});
        const QStringList lines = RunPresenter::summaryText(summary).split(u'\n');
        QCOMPARE(lines.at(0), QStringLiteral("已压缩 1 个文件：2 KB → 1 KB，节省 50%"));
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(2), QStringLiteral("以下文件没有压缩成功："));
        QCOMPARE(lines.at(3), NativePath::displayPath(QStringLiteral("/照片/0.png")) +
                                  QStringLiteral("（不是图片）"));
        // Forty are listed; the rest are counted.
        QCOMPARE(lines.size(), 3 + 40 + 1);
        QCOMPARE(lines.last(), QStringLiteral("……另有 5 个"));
    }

    void optionsAreTakenAsThePanelShowsThem()
    {
        QWidget window;
        CompressionOptions options(&window);
        options.setStartupDefaults();
        options.setQuality(40);
        RunOptions snapshot = RunPresenter::snapshotOf(options);
        QCOMPARE(snapshot.quality, qint16(40));
        QVERIFY(snapshot.keepSize);
        QVERIFY(!snapshot.intoOutputFolder);
        QCOMPARE(snapshot.outputFolder, CompressionOptions::defaultOutputFolder());

        options.setResizeText(QStringLiteral("800x600"));
        options.setOutputFolder(m_home.filePath(QStringLiteral("chosen")));
        options.cmbOutput()->setCurrentIndex(CompressionOptions::customFolderChoice);
        snapshot = RunPresenter::snapshotOf(options);
        QVERIFY(!snapshot.keepSize);
        QCOMPARE(snapshot.resizeText, QStringLiteral("800x600"));
        QVERIFY(snapshot.intoOutputFolder);
        QCOMPARE(snapshot.outputFolder, m_home.filePath(QStringLiteral("chosen")));
    }

    void runLocksTheControlsAndEndsWithItsSummaryInTheTooltip()
    {
        QDir(photo(QString())).removeRecursively();
        const QString good = photo(QStringLiteral("good.png"));
        const QString bad = photo(QStringLiteral("bad.png"));
        QVERIFY(TestFiles::write(good, QByteArray("slow") + QByteArray(3000, 'g')));
        QVERIFY(TestFiles::write(bad, "fail"));
        PresentedRun shown(m_fakeProgram);
        shown.lblPB->setToolTip(QStringLiteral("an earlier run's"));
        shown.queue.append({good, bad});
        bool lockedWhileRunning = false;
        QString tooltipWhileRunning = QStringLiteral("never seen");
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
            if (!shown.run.RunInProgress())
                return;
            lockedWhileRunning =
                !shown.list->isEnabled() && !shown.toolbar->isEnabled() && shown.pb->maximum() == 2;
            tooltipWhileRunning = shown.lblPB->toolTip();
        });
        ticker.start(10);
        shown.run.Command3_Click();

        QVERIFY(lockedWhileRunning);
        QCOMPARE(tooltipWhileRunning, QString());
        QVERIFY(shown.list->isEnabled() && shown.toolbar->isEnabled());
        QCOMPARE(shown.pb->value(), 0);
        QCOMPARE(shown.lblPB->text(), CompressionRun::failureText(1));
        const QString written = photo(QStringLiteral("good_已压缩.jpg"));
        const QString tooltip = shown.lblPB->toolTip();
        QVERIFY2(tooltip.startsWith(QStringLiteral("已压缩 1 个文件：%1 → %2，")
                                        .arg(RunPresenter::sizeText(QFileInfo(good).size()),
                                             RunPresenter::sizeText(QFileInfo(written).size()))),
                 qPrintable(tooltip));
        QVERIFY2(tooltip.contains(NativePath::displayPath(bad) + QStringLiteral("（")),
                 qPrintable(tooltip));
        QVERIFY(tooltip.indexOf(QStringLiteral("已压缩")) <
                tooltip.indexOf(QStringLiteral("以下文件没有压缩成功")));
    }

    void runMessagesBecomeMessageBoxes()
    {
        ModalWatcher watcher;
        PresentedRun shown(m_home.filePath(QStringLiteral("no-converter")));
        shown.run.Command3_Click();
        shown.queue.append(photo(QStringLiteral("any.png")));
        shown.run.Command3_Click();
        QCOMPARE(watcher.messages().size(), 2);
        QCOMPARE(watcher.messages().at(0).title, QStringLiteral("添加文件"));
        QCOMPARE(watcher.messages().at(0).text, QStringLiteral("请先添加一个图片文件."));
        QCOMPARE(watcher.messages().at(0).icon, QMessageBox::NoIcon);
        QCOMPARE(watcher.messages().at(1).title, QStringLiteral("Tessaly"));
        QCOMPARE(watcher.messages().at(1).icon, QMessageBox::Critical);
        QVERIFY(watcher.messages().at(1).text.contains(QStringLiteral("ImageMagick")));
        QVERIFY(shown.list->isEnabled());
    }

    void outputFolderThatDidNotOpenIsNamedInTheTooltip()
    {
        QDir(photo(QString())).removeRecursively();
        QVERIFY(TestFiles::write(photo(QStringLiteral("one.png")), "one"));
        PresentedRun shown(m_fakeProgram);
        shown.folderOpens = false;
        shown.options.intoOutputFolder = true;
        shown.options.outputFolder = m_home.filePath(QStringLiteral("results"));
        shown.queue.append(photo(QStringLiteral("one.png")));
        shown.run.Command3_Click();
        const QString tooltip = shown.lblPB->toolTip();
        QVERIFY2(tooltip.startsWith(QStringLiteral("已压缩 1 个文件")), qPrintable(tooltip));
        QVERIFY2(tooltip.endsWith(QStringLiteral("\n\n无法打开输出文件夹：") +
                                  QDir::toNativeSeparators(shown.options.outputFolder)),
                 qPrintable(tooltip));
        QCOMPARE(shown.lblPB->text(), CompressionRun::doneText());
    }
};

QTEST_MAIN(TestRunPresenter)
#include "tst_runpresenter.moc"
