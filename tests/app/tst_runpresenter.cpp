#include "app/RunPresenter.h"
#include "app/RunTexts.h"
#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "options/CompressionOptions.h"
#include "platform/NativePath.h"
#include "queue/QueueModel.h"
#include "tests/support/ModalWatcher.h"
#include "tests/support/TestFiles.h"

#include <QApplication>
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

Q_DECLARE_METATYPE(RunTexts::Message::Look)

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
        QCOMPARE(RunTexts::size(bytes), text);
    }

    void summarySaysWhatWasSavedAndWhatGrew()
    {
        RunSummary saved = summaryOf(24, qint64(32.1 * megabyte), qint64(2.3 * megabyte));
        QCOMPARE(RunTexts::summary(saved),
                 QStringLiteral("已压缩 24 个文件：32.1 MB → 2.3 MB，节省 93%"));
        saved.largerThanSource = 2;
        QCOMPARE(RunTexts::summary(saved),
                 QStringLiteral("已压缩 24 个文件：32.1 MB → 2.3 MB，节省 93%\n"
                                "其中 2 个文件比原图更大"));
        const RunSummary grew = summaryOf(1, 100 * 1024, 150 * 1024);
        QCOMPARE(RunTexts::summary(grew),
                 QStringLiteral("已压缩 1 个文件：100 KB → 150 KB，增大 50%"));
        QCOMPARE(RunTexts::summary(RunSummary()), QString());
    }

    void failuresFollowTheSummaryWithTheirReasons_data()
    {
        QTest::addColumn<int>("failed");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("one") << 1 << 1 << QString();
        QTest::newRow("exactly as many as are listed") << 40 << 40 << QString();
        QTest::newRow("one more") << 41 << 40 << QStringLiteral("……另有 1 个");
        QTest::newRow("many more") << 45 << 40 << QStringLiteral("……另有 5 个");
    }

    void failuresFollowTheSummaryWithTheirReasons()
    {
        QFETCH(int, failed);
        QFETCH(int, listed);
        QFETCH(QString, lastLine);
        RunSummary summary = summaryOf(1, 2048, 1024);
        for (int index = 0; index < failed; ++index) {
            EntryOutcome failure;
            failure.source = QStringLiteral("/照片/%1.png").arg(index);
            failure.failure = FailureKind::NotAnImage;
            summary.failures.append(failure);
        }
        const QStringList lines = RunTexts::summary(summary).split(u'\n');
        QCOMPARE(lines.at(0), QStringLiteral("已压缩 1 个文件：2 KB → 1 KB，节省 50%"));
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(2), QStringLiteral("以下文件没有压缩成功："));
        QCOMPARE(lines.at(3), NativePath::displayPath(QStringLiteral("/照片/0.png")) +
                                  QStringLiteral("（不是图片文件）"));
        QCOMPARE(lines.at(2 + listed),
                 NativePath::displayPath(QStringLiteral("/照片/%1.png").arg(listed - 1)) +
                     QStringLiteral("（不是图片文件）"));
        QCOMPARE(lines.size(), 3 + listed + (lastLine.isEmpty() ? 0 : 1));
        if (!lastLine.isEmpty())
            QCOMPARE(lines.last(), lastLine);
    }

    void everyFailureIsToldInWords_data()
    {
        QTest::addColumn<FailureKind>("kind");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unreadable")
            << FailureKind::UnreadableSource << QString() << QStringLiteral("无法读取原文件");
        QTest::newRow("no converter")
            << FailureKind::ConverterDidNotStart << QString() << QStringLiteral("转换程序无法启动");
        QTest::newRow("damaged") << FailureKind::Damaged << QString()
                                 << QStringLiteral("图片已损坏");
        QTest::newRow("unsupported")
            << FailureKind::Unsupported << QString() << QStringLiteral("不支持的图片格式");
        QTest::newRow("too large")
            << FailureKind::TooLarge << QString() << QStringLiteral("图片太大");
        QTest::newRow("not an image")
            << FailureKind::NotAnImage << QString() << QStringLiteral("不是图片文件");
        QTest::newRow("failed") << FailureKind::ConversionFailed << QString()
                                << QStringLiteral("转换失败");
        QTest::newRow("folder in the way")
            << FailureKind::FolderInTheWay << QString()
            << QStringLiteral("无法保存结果：该位置已有一个同名的文件夹");
        QTest::newRow("read-only result") << FailureKind::ReadOnlyResult << QString()
                                          << QStringLiteral("无法保存结果：原有的结果文件是只读的");
        QTest::newRow("refused by the system")
            << FailureKind::ResultNotSaved << QStringLiteral("磁盘空间不足")
            << QStringLiteral("无法保存结果：磁盘空间不足");
    }

    void everyFailureIsToldInWords()
    {
        QFETCH(FailureKind, kind);
        QFETCH(QString, detail);
        QFETCH(QString, reason);
        EntryOutcome failure;
        failure.failure = kind;
        failure.detail = detail;
        QCOMPARE(RunTexts::failureReason(failure), reason);
    }

    void theLabelSaysHowTheRunEnded_data()
    {
        QTest::addColumn<int>("failed");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("text");
        QTest::newRow("done") << 0 << false << QStringLiteral("完成.");
        QTest::newRow("done with failures") << 2 << false << QStringLiteral("完成. 2 个文件失败");
        QTest::newRow("stopped") << 0 << true << QStringLiteral("已停止.");
        QTest::newRow("stopped with a failure")
            << 1 << true << QStringLiteral("已停止. 1 个文件失败");
    }

    void theLabelSaysHowTheRunEnded()
    {
        QFETCH(int, failed);
        QFETCH(bool, stopped);
        QFETCH(QString, text);
        RunSummary summary;
        summary.stopped = stopped;
        summary.failures.resize(failed);
        QCOMPARE(RunTexts::status(RunState::Finishing, summary), text);
        QCOMPARE(RunTexts::status(RunState::Preparing, summary), QStringLiteral("准备文件..."));
        QCOMPARE(RunTexts::status(RunState::Compressing, summary), QStringLiteral("正在压缩..."));
    }

    void messagesNameWhatTheyAreAbout_data()
    {
        QTest::addColumn<RunMessage::Kind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<RunTexts::Message::Look>("look");
        QTest::addColumn<QStringList>("named");
        const QString folder = QDir::toNativeSeparators(QStringLiteral("/照片/输出"));
        QTest::newRow("empty queue") << RunMessage::Kind::EmptyQueue << QStringLiteral("添加文件")
                                     << RunTexts::Message::Look::Plain
                                     << QStringList{QStringLiteral("请先添加一个图片文件.")};
        QTest::newRow("no converter")
            << RunMessage::Kind::ConverterMissing << QStringLiteral("Tessaly")
            << RunTexts::Message::Look::Critical
            << QStringList{folder, QStringLiteral("ImageMagick"), QStringLiteral("保持不变")};
        QTest::newRow("size") << RunMessage::Kind::UnusableSize << QStringLiteral("Tessaly")
                              << RunTexts::Message::Look::Warning
                              << QStringList{QStringLiteral("“/照片/输出”"),
                                             QStringLiteral("队列中的文件保持不变。")};
        QTest::newRow("output folder")
            << RunMessage::Kind::UnusableOutputFolder << QStringLiteral("Tessaly")
            << RunTexts::Message::Look::Warning
            << QStringList{folder, QStringLiteral("队列中的文件保持不变。")};
        QTest::newRow("converter did not start")
            << RunMessage::Kind::ConverterDidNotStart << QStringLiteral("Tessaly")
            << RunTexts::Message::Look::Critical << QStringList{QStringLiteral("the runner's")};
        QTest::newRow("work folder")
            << RunMessage::Kind::ScratchUnwritable << QStringLiteral("Tessaly")
            << RunTexts::Message::Look::Critical
            << QStringList{folder, QStringLiteral("the runner's。"), QStringLiteral("队列中")};
    }

    void messagesNameWhatTheyAreAbout()
    {
        QFETCH(RunMessage::Kind, kind);
        QFETCH(QString, title);
        QFETCH(RunTexts::Message::Look, look);
        QFETCH(QStringList, named);
        const RunTexts::Message message =
            RunTexts::message({kind, QStringLiteral("/照片/输出"), QStringLiteral("the runner's")});
        QCOMPARE(message.title, title);
        QCOMPARE(message.look, look);
        for (const QString &words : named)
            QVERIFY2(message.text.contains(words), qPrintable(message.text));
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
        shown.run.Command3_Click();

        QVERIFY(!shown.list->isEnabled() && !shown.toolbar->isEnabled());
        QCOMPARE(shown.pb->maximum(), 2);
        QCOMPARE(shown.lblPB->text(), QStringLiteral("正在压缩..."));
        QCOMPARE(shown.lblPB->toolTip(), QString());
        QTRY_VERIFY(!shown.run.RunInProgress());

        QVERIFY(shown.list->isEnabled() && shown.toolbar->isEnabled());
        QCOMPARE(shown.pb->value(), 0);
        QCOMPARE(shown.lblPB->text(), QStringLiteral("完成. 1 个文件失败"));
        const QString written = photo(QStringLiteral("good_已压缩.jpg"));
        const QString tooltip = shown.lblPB->toolTip();
        QVERIFY2(tooltip.startsWith(QStringLiteral("已压缩 1 个文件：%1 → %2，")
                                        .arg(RunTexts::size(QFileInfo(good).size()),
                                             RunTexts::size(QFileInfo(written).size()))),
                 qPrintable(tooltip));
        QVERIFY2(tooltip.contains(NativePath::displayPath(bad) + QStringLiteral("（转换失败）")),
                 qPrintable(tooltip));
        QVERIFY(tooltip.indexOf(QStringLiteral("已压缩")) <
                tooltip.indexOf(QStringLiteral("以下文件没有压缩成功")));
    }

    // A box is shown without the run waiting for it: modal, so the window takes no input meanwhile.
    void runMessagesBecomeMessageBoxes()
    {
        ModalWatcher watcher;
        PresentedRun shown(m_home.filePath(QStringLiteral("no-converter")));
        shown.run.Command3_Click();
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(qobject_cast<QMessageBox *>(box));
        QCOMPARE(box->parentWidget(), &shown.window);
        QCOMPARE(watcher.messages().size(), 1);
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
        // Answered boxes go.
        QTRY_VERIFY(shown.window.findChildren<QMessageBox *>().isEmpty());
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
        QTRY_VERIFY(!shown.run.RunInProgress());
        const QString tooltip = shown.lblPB->toolTip();
        QVERIFY2(tooltip.startsWith(QStringLiteral("已压缩 1 个文件")), qPrintable(tooltip));
        QVERIFY2(tooltip.endsWith(QStringLiteral("\n\n无法打开输出文件夹：") +
                                  QDir::toNativeSeparators(shown.options.outputFolder)),
                 qPrintable(tooltip));
        QCOMPARE(shown.lblPB->text(), QStringLiteral("完成."));
    }
};

QTEST_MAIN(TestRunPresenter)
#include "tst_runpresenter.moc"
