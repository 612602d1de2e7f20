#include "app/frmPrinting.h"
#include "app/HelpTexts.h"
#include "app/PictureButton.h"
#include "app/WindowChrome.h"
#include "dialogs/CCommonDialogs.h"
#include "engine/CompressionRun.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SettingsFile.h"
#include "options/SliderThumb.h"
#include "platform/Platform.h"
#include "platform/WindowGeometry.h"
#include "queue/FolderScan.h"
#include "queue/frmMenu.h"
#include "queue/ImageQueue.h"
#include "queue/QueueCommands.h"
#include "queue/QueueModel.h"
#include "tests/dialogs/FakeDialogs.h"
#include "tests/support/ModalWatcher.h"
#include "tests/support/TestFiles.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStringDecoder>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF at(3, 3);
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

void moveOver(QWidget *widget, Qt::MouseButtons buttons, const QPoint &at = QPoint(3, 3))
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::NoButton,
                     buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

QRgb colourOf(const QColor &colour)
{
    return colour.rgb();
}

// A settings file starting with it is read as UTF-8 on every system.
constexpr QByteArrayView utf8ByteOrderMark("\xEF\xBB\xBF");

// The settings file as the program reads it: UTF-8 after a byte-order mark, else in the system's
// code page.
QString settingsText(const QByteArray &bytes)
{
    if (bytes.startsWith(utf8ByteOrderMark))
        return QString::fromUtf8(bytes.mid(utf8ByteOrderMark.size()));
    return QStringDecoder(QStringConverter::System).decode(bytes);
}

} // namespace

class TestFrmPrinting : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString settingsFile() const { return m_home.filePath(QStringLiteral("tessaly.ini")); }

    // Three slow images through a converter that copies, with the window set to convert one at
    // a time, so what is committed when the user acts is known.
    bool queueSlowRun(frmPrinting &window, const QString &folder, QStringList *sources) const
    {
        const QString program = m_home.filePath(QStringLiteral("slow-program"));
        if (!TestFiles::makeFakeProgramFolder(program))
            return false;
        for (const char *name : {"s1.png", "s2.png", "s3.png"}) {
            sources->append(m_home.filePath(folder + u'/' + QString::fromLatin1(name)));
            if (!TestFiles::write(sources->last(), "slow"))
                return false;
        }
        window.run().setProgramFolder(program);
        window.run().setJobs(1);
        window.run().setSoundPlayer([](const QString &) {});
        window.show();
        window.queuePaths(*sources);
        return true;
    }

    static QString resultOf(const QString &source)
    {
        return source.chopped(4) + QStringLiteral("_已压缩.jpg");
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("APPDATA", m_home.path().toUtf8());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
        // A slow image takes 0.2 s to convert, time enough for the user's keys and clicks.
        qputenv("TESSALY_FAKE_SLOW_MS", "200");
    }

    void init() { QFile::remove(settingsFile()); }

    void startsAsTheDesignedWindow()
    {
        frmPrinting window({});
        QCOMPARE(window.size(), Geometry::window);
        QCOMPARE(window.windowTitle(), QStringLiteral("Tessaly"));
        QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(window.isSkinAttached());
        QVERIFY(!window.options().OptionsLoading());
        QVERIFY(!window.run().RunInProgress());
        QVERIFY(window.queue().isDropHintVisible());
        QCOMPARE(window.queue().txtAction()->text(), QStringLiteral("Text1"));
        QCOMPARE(window.options().Quality(), qint16(75));
        const QRgb linkColour = qRgb(164, 41, 43);
        for (QLabel *link : {static_cast<QLabel *>(window.lblWhy()),
                             static_cast<QLabel *>(window.options().lblCF()),
                             static_cast<QLabel *>(window.options().lblDefault())})
            QCOMPARE(colourOf(link->palette().color(QPalette::WindowText)), linkColour);
        QCOMPARE(window.lblWhy()->text(), QStringLiteral("为什么压缩后图片依然很大呢?"));
        QTableView *list = window.queue().LV();
        QCOMPARE(list->geometry(), Geometry::LV);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("文件名"));
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("格式"));
        QCOMPARE(list->columnWidth(0), 344);
        QCOMPARE(list->columnWidth(1), 67);
        QCOMPARE(window.queue().picText()->geometry(), Geometry::picText);
        QCOMPARE(window.queue().lblText()->text(), QStringLiteral("拖拽您的图片文件到这里"));
        QCOMPARE(window.pb()->geometry(), Geometry::pb);
        QVERIFY(!window.background().isNull());
        QVERIFY(!window.options().imgSlider()->picture().isNull());
        QVERIFY(window.Timer1()->isActive());
    }

    void linksShowTheirUnderline()
    {
        frmPrinting window({});
        window.show();
        for (QLabel *link : {static_cast<QLabel *>(window.lblWhy()),
                             static_cast<QLabel *>(window.options().lblCF()),
                             static_cast<QLabel *>(window.options().lblDefault())}) {
            // An underline is the one row inked in nearly every column the text covers.
            const QImage picture = link->grab().toImage();
            const auto inked = [&](int x, int y) {
                const QColor pixel = picture.pixelColor(x, y);
                return pixel.red() > pixel.green() + 40 && pixel.red() > pixel.blue() + 40;
            };
            int inkedColumns = 0;
            for (int x = 0; x < picture.width(); ++x) {
                int y = 0;
                while (y < picture.height() && !inked(x, y))
                    ++y;
                inkedColumns += y < picture.height();
            }
            int fullestRow = 0;
            for (int y = 0; y < picture.height(); ++y) {
                int count = 0;
                for (int x = 0; x < picture.width(); ++x)
                    count += inked(x, y);
                fullestRow = std::max(fullestRow, count);
            }
            QVERIFY2(inkedColumns > 0 && fullestRow >= inkedColumns * 9 / 10,
                     qPrintable(link->objectName()));
        }
    }

    void debugSwitchIsExact_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("shown");
        QTest::newRow("exact") << QStringList{QStringLiteral("/debug")} << true;
        QTest::newRow("upper case") << QStringList{QStringLiteral("/DEBUG")} << false;
        QTest::newRow("more text")
            << QStringList{QStringLiteral("/debug"), QStringLiteral("x")} << false;
        QTest::newRow("none") << QStringList{} << false;
    }

    void debugSwitchIsExact()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, shown);
        frmPrinting window(arguments);
        QCOMPARE(!window.txtDebug()->isHidden(), shown);
        QCOMPARE(window.txtDebug()->toPlainText(), QStringLiteral("Text1"));
    }

    void startUpRemovesLeftoverScratchFiles()
    {
        QVERIFY(TestFiles::write(Platform::jpgTmpFolder() + QStringLiteral("/tmp.dat"), "old"));
        QVERIFY(QDir().mkpath(Platform::tmpQuenbyFolder()));
        frmPrinting window({});
        QVERIFY(!QFileInfo::exists(Platform::jpgTmpFolder()));
        QVERIFY(!QFileInfo::exists(Platform::tmpQuenbyFolder()));
    }

    void settingsAreReadAtStartAndWrittenAtClose()
    {
        const QString folder = m_home.filePath(QStringLiteral("结果"));
        QVERIFY(TestFiles::write(settingsFile(),
                                 utf8ByteOrderMark.toByteArray() +
                                     (folder + QStringLiteral("\r\n40\r\n800x600\r\n 2400 "
                                                              "\r\n40% - 中等\r\n 1 \r\n"))
                                         .toUtf8()));
        {
            frmPrinting window({});
            QCOMPARE(window.options().OutputFolder(), folder);
            QCOMPARE(window.options().Quality(), qint16(40));
            QCOMPARE(window.options().resizeText(), QStringLiteral("800x600"));
            QCOMPARE(window.options().outputChoice(), 1);
            QCOMPARE(window.options().lblCompress()->text(), QStringLiteral("40% - 中等"));
            window.options().setQuality(90);
            QVERIFY(QFile::remove(settingsFile()));
            window.close();
        }
        const QStringList lines =
            settingsText(TestFiles::read(settingsFile())).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 7); // six lines, each ended by CR LF
        QCOMPARE(lines.at(0), folder);
        QCOMPARE(lines.at(1), QStringLiteral("90"));
        QCOMPARE(lines.at(5), QStringLiteral(" 1 "));
    }

    void aSettingsFileThatCannotBeWrittenIsReportedAndTheWindowStillCloses()
    {
        QVERIFY(QDir().mkpath(settingsFile())); // a folder where the file should be
        ModalWatcher watcher;
        {
            frmPrinting window({});
            window.show();
            window.imgClose_Click();
            QVERIFY(!window.isVisible());
        }
        QCOMPARE(watcher.messages().size(), 1);
        QVERIFY(watcher.messages().first().text.contains(TestFiles::native(settingsFile())));
        QCOMPARE(watcher.messages().first().title, QStringLiteral("Tessaly"));
        QVERIFY(QDir().rmdir(settingsFile()));
    }

    void scaleForScreenKeepsThePixelLayout()
    {
        frmPrinting window({});
        const QRect thumb = window.options().imgSlider()->geometry();
        window.ScaleForScreen(15, 15);
        QCOMPARE(window.options().lblCF()->font().pointSizeF(), 9.0);
        const qreal listPoints = window.queue().LV()->font().pointSizeF();
        const qreal headerPoints = window.queue().LV()->horizontalHeader()->font().pointSizeF();
        window.ScaleForScreen(12, 12);
        QCOMPARE(window.options().lblCF()->font().pointSizeF(), 9.0 * 0.8);
        QCOMPARE(window.options().cmbDPI()->font().pointSizeF(), 8.25 * 0.8);
        QCOMPARE(window.queue().LV()->font().pointSizeF(), listPoints * 0.8 * 0.8);
        QCOMPARE(window.queue().LV()->horizontalHeader()->font().pointSizeF(),
                 headerPoints * 0.8 * 0.8);
        QCOMPARE(window.size(), Geometry::window);
        QCOMPARE(window.options().SliderMin(), qint16(1600));
        QCOMPARE(window.options().SliderMax(), qint16(3200));
        QCOMPARE(window.options().imgSlider()->geometry(), thumb);
        QCOMPARE(window.imgStart()->geometry(), Geometry::imgStart);
    }

    void timerShapesAndCentresTheWindow()
    {
        frmPrinting window({});
        window.show();
        QTRY_VERIFY(!window.Timer1()->isActive());
        QVERIFY(!window.mask().isEmpty());
        QVERIFY(!window.mask().contains(QPoint(0, 0)));
        QVERIFY(!window.mask().contains(QPoint(445, 478)));
        QVERIFY(window.mask().contains(QPoint(223, 240)));
        const QRect screen = window.screen()->geometry();
        QCOMPARE(window.x(), screen.x() + (screen.width() - 446) / 2);
        QCOMPARE(window.y(), screen.y() + (screen.height() - 479) / 2);
    }

    void picturesFollowThePointer()
    {
        frmPrinting window({});
        window.show();
        moveOver(window.imgClose(), Qt::NoButton);
        QVERIFY(window.imgClose()->hasPicture());
        moveOver(window.imgToolbar(1), Qt::NoButton);
        QVERIFY(window.imgToolbar(1)->hasPicture());
        moveOver(window.lblWhy(), Qt::NoButton);
        QVERIFY(window.lblWhy()->isBold());
        moveOver(&window, Qt::NoButton, QPoint(200, 30));
        QVERIFY(!window.imgClose()->hasPicture());
        QVERIFY(!window.imgToolbar(1)->hasPicture());
        QVERIFY(!window.lblWhy()->isBold());
    }

    void anyMouseButtonShowsThePressedLookButOnlyTheLeftClicks()
    {
        ModalWatcher watcher;
        frmPrinting window({});
        window.show();
        const WindowChrome::Pictures &p = window.chrome().pictures();
        const auto shows = [](PictureButton *button, const QPixmap &picture) {
            return button->hasPicture() && button->picture().cacheKey() == picture.cacheKey();
        };
        click(window.imgClose(), Qt::RightButton);
        QVERIFY(shows(window.imgClose(), p.closeDark));
        click(window.imgMin(), Qt::MiddleButton);
        QVERIFY(shows(window.imgMin(), p.minDark));
        click(window.imgStart(), Qt::RightButton);
        QVERIFY(shows(window.imgStart(), p.startDark));
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
        QVERIFY(watcher.messages().isEmpty()); // Start with an empty queue would have asked
    }

    void aLinkStaysBoldWhenThePointerLeavesOntoAControl()
    {
        frmPrinting window({});
        window.show();
        LinkLabel *lblCF = window.options().lblCF();
        moveOver(lblCF, Qt::NoButton);
        QVERIFY(lblCF->isBold());
        const QList<QWidget *> controls = {window.options().cmbOutput(), window.options().cmbDPI(),
                                           window.queue().LV()->viewport()};
        for (QWidget *control : controls) {
            moveOver(control, Qt::NoButton);
            QVERIFY2(lblCF->isBold(), qPrintable(control->objectName()));
        }
        moveOver(&window, Qt::NoButton, QPoint(200, 30));
        QVERIFY(!lblCF->isBold());
    }

    void dragOnTheBackgroundMovesTheWindow()
    {
        frmPrinting window({});
        window.show();
        QTRY_VERIFY(!window.Timer1()->isActive());
        const QPoint before = window.pos();
        const QPoint grab(150, 20);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(grab),
                          window.mapToGlobal(QPointF(grab)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &press);
        const QPoint to = grab + QPoint(40, 25);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), window.mapToGlobal(QPointF(to)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &move);
        QCOMPARE(window.pos(), before + QPoint(40, 25));
    }

    void startWithAnEmptyQueueAsksForAFileAndPressOutsideStartsNothing()
    {
        ModalWatcher watcher;
        frmPrinting window({});
        window.show();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                          window.imgStart()->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.imgStart(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-50, -50),
                            window.imgStart()->mapToGlobal(QPointF(-50, -50)), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.imgStart(), &release);
        QVERIFY(watcher.messages().isEmpty());
        click(window.imgStart());
        QTRY_COMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().first().title, QStringLiteral("添加文件"));
    }

    void startButtonConvertsTheQueueWithTheBusyLook()
    {
        const QString photo = m_home.filePath(QStringLiteral("photos/rose.png"));
        QVERIFY(TestFiles::makeImage(photo));
        frmPrinting window({});
        window.run().setProgramFolder(QStringLiteral(TESSALY_PROGRAM_DIR));
        window.run().setSoundPlayer([](const QString &) {});
        window.show();
        window.queuePaths({photo});
        QCOMPARE(window.queue().count(), 1);
        bool busyWhileRunning = false;
        bool toolbarLocked = false;
        connect(&window.run(), &CompressionRun::progressChanged, this, [&](int committed) {
            if (committed == 0)
                return;
            busyWhileRunning = window.imgStart()->picture().cacheKey() ==
                               window.chrome().pictures().startD.cacheKey();
            toolbarLocked = !window.imgToolbar(0)->isEnabled() && !window.lblWhy()->isEnabled();
        });
        click(window.imgStart());
        QTRY_VERIFY(!window.run().RunInProgress());
        QVERIFY(busyWhileRunning);
        QVERIFY(toolbarLocked);
        QVERIFY(!window.imgStart()->hasPicture());
        QVERIFY(window.imgToolbar(0)->isEnabled());
        QCOMPARE(window.lblPB()->text(), QStringLiteral("完成."));
        QVERIFY(QFileInfo(m_home.filePath(QStringLiteral("photos/rose_已压缩.jpg"))).size() > 0);
        // The run leaves the hint hidden over the empty list.
        QVERIFY(!window.queue().isDropHintVisible());
    }

    void queuedFoldersAreSearchedAndFilesTakenAsTheyAre()
    {
        const QString tree = m_home.filePath(QStringLiteral("tree"));
        QVERIFY(TestFiles::write(tree + QStringLiteral("/a.jpg"), "x"));
        QVERIFY(TestFiles::write(tree + QStringLiteral("/sub/b.PNG"), "x"));
        QVERIFY(TestFiles::write(tree + QStringLiteral("/notes.txt"), "x"));
        const QString single = m_home.filePath(QStringLiteral("single.gif"));
        QVERIFY(TestFiles::write(single, "x"));
        frmPrinting window({});
        window.queuePaths({single, tree, m_home.filePath(QStringLiteral("missing.png"))});
        QCOMPARE(window.queue().model()->paths(),
                 TestFiles::native({single, tree + QStringLiteral("/a.jpg"),
                                    tree + QStringLiteral("/sub/b.PNG")}));
        QVERIFY(!window.queue().isDropHintVisible());
    }

    void pathsHandedOverDuringARunWaitForItsEnd()
    {
        const QString first = m_home.filePath(QStringLiteral("handover/first.png"));
        const QString later = m_home.filePath(QStringLiteral("handover/later.png"));
        const QString tree = m_home.filePath(QStringLiteral("handover/tree"));
        QVERIFY(TestFiles::makeImage(first));
        QVERIFY(TestFiles::makeImage(later));
        QVERIFY(TestFiles::makeImage(tree + QStringLiteral("/in-tree.png")));
        frmPrinting window({});
        window.run().setProgramFolder(QStringLiteral(TESSALY_PROGRAM_DIR));
        window.run().setSoundPlayer([](const QString &) {});
        window.queuePaths({first});
        QStringList queueWhileRunning;
        connect(&window.run(), &CompressionRun::progressChanged, this, [&](int committed) {
            if (committed == 0)
                return;
            window.queuePaths({later, tree});
            queueWhileRunning = window.queue().model()->paths();
        });
        click(window.imgStart());
        QTRY_VERIFY(!window.run().RunInProgress());
        QCOMPARE(queueWhileRunning, QStringList());
        QCOMPARE(window.pb()->maximum(), 1);
        QTRY_COMPARE(window.queue().model()->paths(),
                     TestFiles::native({later, tree + QStringLiteral("/in-tree.png")}));
        QVERIFY(!window.queue().isDropHintVisible());
    }

    void stoppingMidRunKeepsTheRestQueuedInOrder_data()
    {
        QTest::addColumn<bool>("byEsc");
        QTest::newRow("busy Start button clicked") << false;
        QTest::newRow("Esc pressed") << true;
    }

    void stoppingMidRunKeepsTheRestQueuedInOrder()
    {
        QFETCH(bool, byEsc);
        frmPrinting window({});
        QStringList sources;
        QVERIFY(queueSlowRun(window, QString::fromLatin1(QTest::currentDataTag()), &sources));
        connect(
            &window.run(), &CompressionRun::progressChanged, this,
            [&] {
                if (byEsc)
                    QTest::keyClick(&window, Qt::Key_Escape);
                else
                    click(window.imgStart());
            },
            Qt::SingleShotConnection);
        click(window.imgStart());
        QTRY_VERIFY(!window.run().RunInProgress());
        QCOMPARE(window.lblPB()->text(), QStringLiteral("已停止."));
        QCOMPARE(window.queue().model()->paths(), TestFiles::native(sources.mid(1)));
        QVERIFY(QFileInfo::exists(resultOf(sources.at(0))));
        QVERIFY(!QFileInfo::exists(resultOf(sources.at(1))));
        QVERIFY(window.imgToolbar(0)->isEnabled());
    }

    void closingMidRunAsksOnceAndNoLetsTheRunFinish()
    {
        ModalWatcher watcher;
        watcher.setMessageAnswer(QMessageBox::No);
        frmPrinting window({});
        QStringList sources;
        QVERIFY(queueSlowRun(window, QStringLiteral("close-no"), &sources));
        connect(
            &window.run(), &CompressionRun::progressChanged, this, [&] { window.close(); },
            Qt::SingleShotConnection);
        click(window.imgStart());
        QTRY_VERIFY(!window.run().RunInProgress());
        QCOMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().first().title, QStringLiteral("Tessaly"));
        QCOMPARE(watcher.messages().first().icon, QMessageBox::Question);
        QVERIFY(watcher.messages().first().text.contains(QStringLiteral("要停止压缩并关闭")));
        QVERIFY(watcher.messages().first().text.contains(QStringLiteral("还有 2 个文件")));
        QVERIFY(window.isVisible());
        QCOMPARE(window.lblPB()->text(), QStringLiteral("完成."));
        for (const QString &source : sources)
            QVERIFY(QFileInfo::exists(resultOf(source)));
        // With no run going, the window closes without a question.
        window.close();
        QVERIFY(!window.isVisible());
        QCOMPARE(watcher.messages().size(), 1);
    }

    void closingMidRunWithYesStopsAtOnce()
    {
        ModalWatcher watcher;
        watcher.setMessageAnswer(QMessageBox::Yes);
        frmPrinting window({});
        QStringList sources;
        QVERIFY(queueSlowRun(window, QStringLiteral("close-yes"), &sources));
        connect(
            &window.run(), &CompressionRun::progressChanged, this, [&] { window.close(); },
            Qt::SingleShotConnection);
        click(window.imgStart());
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(watcher.messages().size(), 1);
        QVERIFY(!window.run().RunInProgress());
        QTest::qWait(100);
        QVERIFY(QFileInfo::exists(resultOf(sources.at(0))));
        QVERIFY(!QFileInfo::exists(resultOf(sources.at(1))));
        QVERIFY(!QFileInfo::exists(resultOf(sources.at(2))));
    }

    void closingOnceNothingIsLeftToConvertAsksNothing()
    {
        ModalWatcher watcher;
        watcher.setMessageAnswer(QMessageBox::No);
        frmPrinting window({});
        QStringList sources;
        QVERIFY(queueSlowRun(window, QStringLiteral("close-at-end"), &sources));
        // The last entry is committed and the scratch folders are being removed.
        connect(&window.run(), &CompressionRun::stateChanged, this, [&](RunState state) {
            if (state == RunState::Finishing)
                window.close();
        });
        click(window.imgStart());
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(watcher.messages().isEmpty());
        for (const QString &source : sources)
            QVERIFY(QFileInfo::exists(resultOf(source)));
    }

    void closingDuringAFolderScanStopsIt()
    {
        const QString tree = m_home.filePath(QStringLiteral("big-tree"));
        for (int i = 0; i < 40; ++i)
            QVERIFY(TestFiles::write(tree + QStringLiteral("/f%1/p.jpg").arg(i), "x"));
        frmPrinting window({});
        window.show();
        QListWidget *scanList = window.queue().List1();
        connect(scanList->model(), &QAbstractItemModel::rowsInserted, &window, [&] {
            if (scanList->count() == 1)
                window.close();
        });
        window.queuePaths({tree});
        QVERIFY(!window.isVisible());
        QCOMPARE(scanList->count(), 1);
        QCOMPARE(window.queue().count(), 0);
    }

    void toolbarItemsRunTheirCommands()
    {
        const QString single = m_home.filePath(QStringLiteral("toolbar/one.jpg"));
        const QString tree = m_home.filePath(QStringLiteral("toolbar/tree"));
        QVERIFY(TestFiles::write(single, "x"));
        QVERIFY(TestFiles::write(tree + QStringLiteral("/two.png"), "x"));
        frmPrinting window({});
        window.show();
        auto dialogs = std::make_unique<FakeDialogs>();
        FakeDialogs *answers = dialogs.get();
        answers->fileAnswer = single;
        window.dialogs().setDialogProvider(std::move(dialogs));
        window.queueCommands().folderScan()->folderBrowser().setPicker(
            [&](QWidget *, const QString &) { return tree; });

        window.imgToolbar_Click(0);
        QCOMPARE(window.queue().model()->paths(), TestFiles::native(QStringList{single}));
        window.imgToolbar_Click(1);
        QCOMPARE(window.queue().model()->paths(),
                 TestFiles::native({single, tree + QStringLiteral("/two.png")}));
        window.imgToolbar_Click(2);
        QMenu *menu = window.queueCommands().menu()->menuRemove();
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        for (int outside : {-1, 5}) {
            window.imgToolbar_Click(outside);
            QVERIFY(window.isVisible());
        }
        QCOMPARE(answers->calls, 1);
        QCOMPARE(window.queue().count(), 2);
    }

    void whyLinkExplainsInTwoLines()
    {
        ModalWatcher watcher;
        frmPrinting window({});
        click(window.lblWhy());
        QCOMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().first().title, QStringLiteral("问题"));
        QCOMPARE(watcher.messages().first().icon, QMessageBox::NoIcon);
        const QStringList lines = watcher.messages().first().text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(
            lines.at(0),
            QStringLiteral("如果您发现压缩后的图片文件依然大，说明这个文件可能已经被压缩过了。"));
        QCOMPARE(lines.at(1), QStringLiteral("请您尝试降低尺寸和压缩率再试。"));
    }

    void aboutOpensThePageFirstAndShowsTheBoxEvenWhenTheBrowserFails_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::newRow("the browser shows the page") << true;
        QTest::newRow("no browser") << false;
    }

    void aboutOpensThePageFirstAndShowsTheBoxEvenWhenTheBrowserFails()
    {
        QFETCH(bool, opened);
        ModalWatcher watcher;
        frmPrinting window({});
        QStringList sequence;
        QString openedPage;
        window.help().setPageOpener([&](const QString &page) {
            sequence.append(QStringLiteral("page ") + QFileInfo(page).fileName());
            if (!watcher.messages().isEmpty())
                sequence.append(QStringLiteral("box before the page"));
            openedPage = page;
            return opened;
        });
        window.imgToolbar_Click(3);
        QCOMPARE(sequence, QStringList{QStringLiteral("page index.html")});
        // Without a browser the window says so and names the file to open, before the box.
        QCOMPARE(watcher.messages().size(), opened ? 1 : 2);
        if (!opened) {
            QCOMPARE(watcher.messages().first().title, QStringLiteral("Tessaly"));
            QVERIFY(watcher.messages().first().text.contains(TestFiles::native(openedPage)));
        }
        QCOMPARE(watcher.messages().last().title, QStringLiteral("About"));
        QVERIFY(watcher.messages().last().text.contains(QStringLiteral("Tessaly")));
        QVERIFY(!watcher.messages().last().text.contains(u'\n'));
        QVERIFY(QFileInfo::exists(HelpTexts::makerPage(QStringLiteral(TESSALY_PROGRAM_DIR))));
    }

    void exitItemClosesTheWindow()
    {
        frmPrinting window({});
        window.show();
        window.imgToolbar_Click(4);
        QVERIFY(!window.isVisible());
        QVERIFY(QFileInfo::exists(settingsFile()));
    }

    void minimiseButtonMinimises()
    {
        frmPrinting window({});
        window.show();
        click(window.imgMin());
        QTRY_VERIFY(window.isMinimized());
    }
};

QTEST_MAIN(TestFrmPrinting)
#include "tst_frmprinting.moc"
