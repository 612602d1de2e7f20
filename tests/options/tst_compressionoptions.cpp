#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SliderThumb.h"
#include "platform/Platform.h"
#include "platform/WindowGeometry.h"
#include "tests/options/OptionsPanel.h"
#include "tests/support/TestFiles.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class TestCompressionOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsSitAtTheirDesignPlaces();

    void qualityFollowsThumb_data();
    void qualityFollowsThumb();
    void leftDragMovesAndPins_data();
    void leftDragMovesAndPins();
    void otherButtonsDoNotDragButStillRecompute_data();
    void otherButtonsDoNotDragButStillRecompute();
    void mouseDragOnTheThumbMovesIt_data();
    void mouseDragOnTheThumbMovesIt();
    void keysStepTheQualityAsADragThere_data();
    void keysStepTheQualityAsADragThere();
    void everyArrowPressIsOneQualityStep();

    void shortenPathCaption_data();
    void shortenPathCaption();
    void outputChangesIgnoredWhileLoading();
    void pathLabelOpensChooserEvenWhenCustomIsSelected();
    void cancelledChooserFallsBackToDefaultFolder();
    void confirmedChooserShowsFolder();
    void userPicksOutputEntries();
    void defaultValuesRestoreEverything();
    void linkLabelsTurnBoldAndBack();
    void linkLabelClickNeedsLeftPressAndReleaseInside();

    void startupDefaultsOpenNoChooser();
    void scaleForScreen_data();
    void scaleForScreen();
};

void TestCompressionOptions::controlsSitAtTheirDesignPlaces()
{
    OptionsPanel panel;
    const QList<std::pair<QString, QRect>> places = {
        {QStringLiteral("cmbDPI"), Geometry::cmbDPI},
        {QStringLiteral("cmbOutput"), Geometry::cmbOutput},
        {QStringLiteral("lblCF"), Geometry::lblCF},
        {QStringLiteral("imgSlider"), Geometry::imgSlider},
        {QStringLiteral("lblCompress"), Geometry::lblCompress},
        {QStringLiteral("lblDefault"), Geometry::lblDefault},
    };
    for (const auto &[name, geometry] : places) {
        const auto *control = panel.window->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(), geometry);
    }

    const QComboBox *sizes = panel.options->cmbDPI();
    QVERIFY(sizes->isEditable());
    QCOMPARE(sizes->count(), 12);
    QCOMPARE(sizes->itemText(0), QStringLiteral("不变"));
    QCOMPARE(sizes->itemText(5), QStringLiteral("1024x768"));
    QCOMPARE(sizes->itemText(11), QStringLiteral("1920x1080"));
    QCOMPARE(panel.options->cmbOutput()->count(), 2);
    QCOMPARE(panel.options->cmbOutput()->itemText(1), QStringLiteral("自定义..."));
    QCOMPARE(panel.options->lblDefault()->text(), QStringLiteral("默认值"));
    QVERIFY(panel.options->lblCompress()->alignment() & Qt::AlignRight);

    for (const LinkLabel *link : {panel.options->lblCF(), panel.options->lblDefault()}) {
        QVERIFY(link->font().underline());
        QCOMPARE(link->font().pointSizeF(), 9.0);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(164, 41, 43));
        QCOMPARE(link->cursor().shape(), Qt::ArrowCursor);
    }
}

void TestCompressionOptions::qualityFollowsThumb_data()
{
    QTest::addColumn<float>("thumbLeft");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QString>("caption");

    QTest::newRow("left end gives 1, not 0") << 2000.0f << 1 << QStringLiteral("1% - 低质量");
    QTest::newRow("right end") << 4000.0f << 100 << QStringLiteral("100% - 高质量");
    QTest::newRow("design place, 75.5 truncated")
        << CompressionOptions::designThumbLeft << 75 << QStringLiteral("默认推荐压缩率");
    QTest::newRow("74") << 3490.0f << 74 << QStringLiteral("74% - 较好");
    QTest::newRow("80") << 3600.0f << 80 << QStringLiteral("80% - 高质量");
    QTest::newRow("79.95 truncated") << 3599.0f << 79 << QStringLiteral("79% - 较好");
    QTest::newRow("60") << 3200.0f << 60 << QStringLiteral("60% - 较好");
    QTest::newRow("59") << 3199.0f << 59 << QStringLiteral("59% - 中等");
    QTest::newRow("30") << 2600.0f << 30 << QStringLiteral("30% - 中等");
    QTest::newRow("29") << 2599.0f << 29 << QStringLiteral("29% - 低质量");
    QTest::newRow("restored left of the track") << 1500.0f << 1 << QStringLiteral("1% - 低质量");
    QTest::newRow("restored right of the track")
        << 9000.0f << 100 << QStringLiteral("100% - 高质量");
}

void TestCompressionOptions::qualityFollowsThumb()
{
    QFETCH(float, thumbLeft);
    QFETCH(int, quality);
    QFETCH(QString, caption);

    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.setThumbLeft(thumbLeft);
    options.setQuality(0);

    // A pointer passing over the thumb with no button held.
    options.imgSlider_MouseMove(Qt::NoButton, 45);

    QCOMPARE(options.thumbLeft(), thumbLeft);
    QCOMPARE(options.Quality(), quality);
    QCOMPARE(options.qualityCaptionText(), caption);
    QCOMPARE(CompressionOptions::qualityCaption(quality), caption);
}

void TestCompressionOptions::leftDragMovesAndPins_data()
{
    QTest::addColumn<float>("grabX");
    QTest::addColumn<float>("moveX");
    QTest::addColumn<float>("thumbLeft");
    QTest::addColumn<int>("quality");

    // The thumb starts at 3000 (quality 50).
    QTest::newRow("inside the track") << 45.0f << 345.0f << 3300.0f << 65;
    QTest::newRow("fractional twips are kept") << 0.0f << 7.5f << 3007.5f << 50;
    QTest::newRow("exactly the left end") << 100.0f << -900.0f << 2000.0f << 1;
    QTest::newRow("beyond the left end pins") << 100.0f << -5000.0f << 2000.0f << 1;
    QTest::newRow("exactly the right end") << 0.0f << 1000.0f << 4000.0f << 100;
    QTest::newRow("beyond the right end pins") << 0.0f << 30000.0f << 4000.0f << 100;
}

void TestCompressionOptions::leftDragMovesAndPins()
{
    QFETCH(float, grabX);
    QFETCH(float, moveX);
    QFETCH(float, thumbLeft);
    QFETCH(int, quality);

    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.setThumbLeft(3000);
    options.imgSlider_MouseDown(Qt::LeftButton, grabX);
    QCOMPARE(options.SliderGrabX(), grabX);

    options.imgSlider_MouseMove(Qt::LeftButton, moveX);

    QCOMPARE(options.thumbLeft(), thumbLeft);
    QCOMPARE(options.Quality(), quality);
    QCOMPARE(options.imgSlider()->x(), qRound(thumbLeft / 15));
    QCOMPARE(options.imgSlider()->y(), 371);
}

void TestCompressionOptions::otherButtonsDoNotDragButStillRecompute_data()
{
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::newRow("right") << Qt::MouseButtons(Qt::RightButton);
    QTest::newRow("middle") << Qt::MouseButtons(Qt::MiddleButton);
    QTest::newRow("left and right") << (Qt::LeftButton | Qt::RightButton);
}

void TestCompressionOptions::otherButtonsDoNotDragButStillRecompute()
{
    QFETCH(Qt::MouseButtons, buttons);

    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.setThumbLeft(3700);
    options.setQuality(12);
    // Whatever button goes down, the grab point is taken.
    options.imgSlider_MouseDown(buttons, 60);
    QCOMPARE(options.SliderGrabX(), 60.0f);

    options.imgSlider_MouseMove(buttons, 600);

    QCOMPARE(options.thumbLeft(), 3700.0f);
    QCOMPARE(options.Quality(), 85);
    QCOMPARE(options.qualityCaptionText(), QStringLiteral("85% - 高质量"));
}

void TestCompressionOptions::mouseDragOnTheThumbMovesIt_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<float>("draggedLeft");
    QTest::addColumn<float>("rightEnd");
    QTest::newRow("design screen") << 15.0 << 3810.0f << 4000.0f;
    QTest::newRow("12 twips per pixel") << 12.0 << 3048.0f << 3200.0f;
}

void TestCompressionOptions::mouseDragOnTheThumbMovesIt()
{
    QFETCH(double, twips);
    QFETCH(float, draggedLeft);
    QFETCH(float, rightEnd);

    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.scaleForScreen(twips, twips);
    panel.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.window.get()));
    SliderThumb *thumb = options.imgSlider();

    // Twenty pixels to the right: the same pixels on any screen.
    QTest::mousePress(thumb, Qt::LeftButton, {}, QPoint(5, 10));
    QTest::mouseMove(thumb, QPoint(25, 10));
    QCOMPARE(options.thumbLeft(), draggedLeft);
    QCOMPARE(thumb->x(), 254);
    QCOMPARE(options.Quality(), 90);
    QCOMPARE(options.qualityCaptionText(), QStringLiteral("90% - 高质量"));

    QTest::mouseMove(thumb, QPoint(400, 10));
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(400, 10));
    QCOMPARE(options.thumbLeft(), rightEnd);
    QCOMPARE(thumb->x(), 267);
    QCOMPARE(options.Quality(), 100);
}

void TestCompressionOptions::keysStepTheQualityAsADragThere_data()
{
    const float designPlace = CompressionOptions::designThumbLeft;
    QTest::addColumn<double>("twips");
    QTest::addColumn<float>("startLeft"); // at 15 twips per pixel; scaled with the screen
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expectedQuality");

    QTest::newRow("right from 75") << 15.0 << designPlace << int(Qt::Key_Right) << 76;
    QTest::newRow("up from 75") << 15.0 << designPlace << int(Qt::Key_Up) << 76;
    QTest::newRow("left from 75") << 15.0 << designPlace << int(Qt::Key_Left) << 74;
    QTest::newRow("down from 75") << 15.0 << designPlace << int(Qt::Key_Down) << 74;
    QTest::newRow("page up from 75") << 15.0 << designPlace << int(Qt::Key_PageUp) << 85;
    QTest::newRow("page down from 75") << 15.0 << designPlace << int(Qt::Key_PageDown) << 65;
    QTest::newRow("home") << 15.0 << designPlace << int(Qt::Key_Home) << 1;
    QTest::newRow("end") << 15.0 << designPlace << int(Qt::Key_End) << 100;
    QTest::newRow("right from the left end") << 15.0 << 2000.0f << int(Qt::Key_Right) << 2;
    QTest::newRow("left at the left end") << 15.0 << 2000.0f << int(Qt::Key_Left) << 1;
    QTest::newRow("left inside quality 1") << 15.0 << 2030.0f << int(Qt::Key_Left) << 1;
    QTest::newRow("page up near the right end") << 15.0 << 3960.0f << int(Qt::Key_PageUp) << 100;
    QTest::newRow("right at the right end") << 15.0 << 4000.0f << int(Qt::Key_Right) << 100;
    QTest::newRow("12 twips: right") << 12.0 << designPlace << int(Qt::Key_Right) << 76;
    QTest::newRow("12 twips: page down") << 12.0 << designPlace << int(Qt::Key_PageDown) << 65;
    QTest::newRow("10 twips: left") << 10.0 << 3000.0f << int(Qt::Key_Left) << 49;
}

// A key moves the thumb to a place the pointer could drag it to, and the quality and caption
// it gives are the ones such a drag gives.
void TestCompressionOptions::keysStepTheQualityAsADragThere()
{
    QFETCH(double, twips);
    QFETCH(float, startLeft);
    QFETCH(int, key);
    QFETCH(int, expectedQuality);

    OptionsPanel byKey;
    OptionsPanel byMouse;
    for (OptionsPanel *panel : {&byKey, &byMouse}) {
        panel->options->setThumbLeft(startLeft);
        panel->options->scaleForScreen(twips, twips);
        panel->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel->window.get()));
    }
    const float start = byKey.options->thumbLeft();

    QTest::keyClick(byKey.options->imgSlider(), Qt::Key(key));
    QCOMPARE(byKey.options->Quality(), expectedQuality);
    QCOMPARE(byKey.options->qualityCaptionText(),
             CompressionOptions::qualityCaption(expectedQuality));
    const float moved = byKey.options->thumbLeft() - start;
    const float pixels = std::round(moved / float(twips));
    QVERIFY2(std::abs(pixels * float(twips) - moved) < 0.01f ||
                 byKey.options->thumbLeft() == byKey.options->SliderMin() ||
                 byKey.options->thumbLeft() == byKey.options->SliderMax(),
             "the thumb stands where no drag can put it");

    SliderThumb *thumb = byMouse.options->imgSlider();
    QTest::mousePress(thumb, Qt::LeftButton, {}, QPoint(5, 10));
    QTest::mouseMove(thumb, QPoint(5 + int(pixels), 10));
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(5 + int(pixels), 10));
    QCOMPARE(byMouse.options->thumbLeft(), byKey.options->thumbLeft());
    QCOMPARE(byMouse.options->Quality(), byKey.options->Quality());
    QCOMPARE(byMouse.options->qualityCaptionText(), byKey.options->qualityCaptionText());
    QCOMPARE(thumb->x(), byKey.options->imgSlider()->x());
}

void TestCompressionOptions::everyArrowPressIsOneQualityStep()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    panel.window->show();
    SliderThumb *thumb = options.imgSlider();
    QTest::keyClick(thumb, Qt::Key_Home);
    QCOMPARE(options.Quality(), 1);
    QCOMPARE(options.thumbLeft(), float(options.SliderMin()));
    for (int quality = 2; quality <= 100; ++quality) {
        QTest::keyClick(thumb, Qt::Key_Right);
        QCOMPARE(options.Quality(), quality);
        QCOMPARE(options.qualityCaptionText(), CompressionOptions::qualityCaption(quality));
    }
    QCOMPARE(options.thumbLeft(), float(options.SliderMax()));
    for (int quality = 99; quality >= 1; --quality) {
        QTest::keyClick(thumb, Qt::Key_Left);
        QCOMPARE(options.Quality(), quality);
    }
    // Locked for a run, the thumb takes no keys.
    thumb->setEnabled(false);
    QTest::keyClick(thumb, Qt::Key_End);
    QCOMPARE(options.Quality(), 1);
}

void TestCompressionOptions::shortenPathCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("five stays") << QStringLiteral("D:\\ab") << QStringLiteral("D:\\ab");
    QTest::newRow("six gets the dots") << QStringLiteral("D:\\out") << QStringLiteral("D:\\out..");
    QTest::newRow("ten stays whole")
        << QStringLiteral("D:\\photos\\") << QStringLiteral("D:\\photos\\..");
    QTest::newRow("longer is cut at ten")
        << QStringLiteral("D:\\photos\\small") << QStringLiteral("D:\\photos\\..");
    QTest::newRow("default folder")
        << QStringLiteral("C:\\压缩图片输出") << QStringLiteral("C:\\压缩图片输出..");
    QTest::newRow("pair not split")
        << QStringLiteral("/home/use😀/x") << QStringLiteral("/home/use😀..");
}

void TestCompressionOptions::shortenPathCaption()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QCOMPARE(CompressionOptions::ShortenPathCaption(caption), shown);
}

void TestCompressionOptions::outputChangesIgnoredWhileLoading()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.setOptionsLoading(true);
    options.lblCF()->setText(QStringLiteral("unchanged"));

    options.cmbOutput()->setCurrentIndex(1);
    options.cmbOutput_Click();
    options.lblCF_Click();
    options.lblDefault_Click();

    QCOMPARE(panel.chooserCalls(), 0);
    QCOMPARE(options.lblCF()->text(), QStringLiteral("unchanged"));
}

void TestCompressionOptions::pathLabelOpensChooserEvenWhenCustomIsSelected()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    QTemporaryDir first;
    QTemporaryDir second;

    panel.nextFolder = first.path();
    options.lblCF_Click();
    QCOMPARE(panel.chooserCalls(), 1);
    QCOMPARE(options.outputChoice(), 1);
    QCOMPARE(options.OutputFolder(), TestFiles::native(first.path()));
    QCOMPARE(panel.prompts.first(), QStringLiteral("请选择一个文件夹"));
    QCOMPARE(panel.owners.first(), panel.window.get());

    // A real click on the label, while "自定义..." is already selected.
    panel.nextFolder = second.path();
    panel.window->show();
    QTest::mouseClick(options.lblCF(), Qt::LeftButton);
    QCOMPARE(panel.chooserCalls(), 2);
    QCOMPARE(options.outputChoice(), 1);
    QCOMPARE(options.OutputFolder(), TestFiles::native(second.path()));
    QCOMPARE(options.lblCF()->toolTip(), TestFiles::native(second.path()));
}

void TestCompressionOptions::cancelledChooserFallsBackToDefaultFolder()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.setOutputFolder(QStringLiteral("/somewhere/else"));
    panel.nextFolder.clear();

    options.cmbOutput()->setCurrentIndex(1);
    options.cmbOutput_Click();

    const QString folder = Platform::defaultOutputFolder();
    QCOMPARE(panel.chooserCalls(), 1);
    QCOMPARE(options.OutputFolder(), TestFiles::native(folder));
    QCOMPARE(options.lblCF()->toolTip(), TestFiles::native(folder));
    QCOMPARE(options.lblCF()->text(), TestFiles::native(folder).left(10) + QStringLiteral(".."));
}

void TestCompressionOptions::confirmedChooserShowsFolder()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/照片 small");
    QVERIFY(QDir().mkpath(folder));
    panel.nextFolder = folder;

    options.cmbOutput()->setCurrentIndex(1);
    options.cmbOutput_Click();

    QCOMPARE(options.OutputFolder(), TestFiles::native(folder));
    QCOMPARE(options.lblCF()->toolTip(), TestFiles::native(folder));
    QCOMPARE(options.lblCF()->text(), TestFiles::native(folder).left(10) + QStringLiteral(".."));
}

void TestCompressionOptions::userPicksOutputEntries()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    QTemporaryDir dir;
    panel.nextFolder = dir.path();
    QComboBox *output = options.cmbOutput();

    QTest::keyClick(output, Qt::Key_Down);
    QCOMPARE(output->currentIndex(), 1);
    QCOMPARE(panel.chooserCalls(), 1);
    QCOMPARE(options.OutputFolder(), TestFiles::native(dir.path()));

    // Back to the images' own folders: the chosen folder is kept for a later save.
    QTest::keyClick(output, Qt::Key_Up);
    QCOMPARE(output->currentIndex(), 0);
    QCOMPARE(panel.chooserCalls(), 1);
    QCOMPARE(options.lblCF()->text(), QStringLiteral("图片原始路径"));
    QCOMPARE(options.OutputFolder(), TestFiles::native(dir.path()));
    QCOMPARE(options.lblCF()->toolTip(), TestFiles::native(dir.path()));
}

void TestCompressionOptions::defaultValuesRestoreEverything()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    const QString chosen = QStringLiteral("/data/exports/2024");
    panel.nextFolder = chosen;
    options.lblCF_Click();
    options.setResizeText(QStringLiteral("50%"));
    options.lblCF_MouseMove();
    options.setThumbLeft(3900);
    options.imgSlider_MouseMove(Qt::NoButton, 0);
    QCOMPARE(options.Quality(), 95);

    options.lblDefault_Click();

    QCOMPARE(options.resizeText(), QStringLiteral("不变"));
    QCOMPARE(options.outputChoice(), 0);
    QVERIFY(!options.lblCF()->isBold());
    QCOMPARE(options.qualityCaptionText(), QStringLiteral("默认推荐压缩率"));
    QCOMPARE(options.thumbLeft(), 3500.0f);
    QCOMPARE(options.imgSlider()->x(), 233);
    QCOMPARE(options.Quality(), 75);
    QCOMPARE(options.OutputFolder(), Platform::defaultOutputFolder());
    QCOMPARE(options.lblCF()->text(), QStringLiteral("图片原始路径"));
    QCOMPARE(options.lblCF()->toolTip(), TestFiles::native(chosen));
    QCOMPARE(panel.chooserCalls(), 1);

    // The thumb goes to three quarters of whatever track the screen gave.
    options.scaleForScreen(12, 12);
    options.lblDefault_Click();
    QCOMPARE(options.thumbLeft(), 2800.0f);
}

void TestCompressionOptions::linkLabelsTurnBoldAndBack()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    panel.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.window.get()));

    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(options.lblCF(), &move);
    QVERIFY(options.lblCF()->isBold());
    QVERIFY(!options.lblDefault()->isBold());
    QApplication::sendEvent(options.lblDefault(), &move);
    QVERIFY(options.lblDefault()->isBold());
    QVERIFY(options.lblDefault()->font().underline());

    options.resetLinkLabels();
    QVERIFY(!options.lblCF()->isBold());
    QVERIFY(!options.lblDefault()->isBold());
    QVERIFY(options.lblCF()->font().underline());
}

void TestCompressionOptions::linkLabelClickNeedsLeftPressAndReleaseInside()
{
    QWidget window;
    auto *link = new LinkLabel(QStringLiteral("为什么?"), &window);
    link->setGeometry(10, 10, 60, 17);
    window.show();
    QSignalSpy clicks(link, &LinkLabel::clicked);
    QSignalSpy presses(link, &LinkLabel::mousePressed);

    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);

    QTest::mouseClick(link, Qt::RightButton);
    QCOMPARE(clicks.count(), 1);

    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(200, 5));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(presses.count(), 3);
}

void TestCompressionOptions::startupDefaultsOpenNoChooser()
{
    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.setSliderBounds(100, 200);
    options.setResizeText(QStringLiteral("640x480"));
    options.lblCF_Click();
    options.setQuality(10);
    options.setOutputFolder(QStringLiteral("/elsewhere"));
    const qsizetype calls = panel.chooserCalls();

    options.setStartupDefaults();

    QCOMPARE(panel.chooserCalls(), calls);
    QCOMPARE(options.SliderMin(), 2000);
    QCOMPARE(options.SliderMax(), 4000);
    QCOMPARE(options.resizeText(), QStringLiteral("不变"));
    QCOMPARE(options.outputChoice(), 0);
    QCOMPARE(options.lblCF()->text(), QStringLiteral("图片原始路径"));
    QCOMPARE(options.OutputFolder(), Platform::defaultOutputFolder());
    QCOMPARE(options.Quality(), 75);
}

void TestCompressionOptions::scaleForScreen_data()
{
    QTest::addColumn<qint16>("sliderMin");
    QTest::addColumn<qint16>("sliderMax");
    QTest::addColumn<double>("twipsX");
    QTest::addColumn<double>("twipsY");
    QTest::addColumn<qint16>("scaledMin");
    QTest::addColumn<qint16>("scaledMax");

    QTest::newRow("design bounds at 12")
        << qint16(2000) << qint16(4000) << 12.0 << 12.0 << qint16(1600) << qint16(3200);
    QTest::newRow("design bounds at 15")
        << qint16(2000) << qint16(4000) << 15.0 << 15.0 << qint16(2000) << qint16(4000);
    QTest::newRow("bounds follow the vertical factor")
        << qint16(2000) << qint16(4000) << 10.0 << 12.0 << qint16(1600) << qint16(3200);
    QTest::newRow("halves go to even")
        << qint16(2001) << qint16(2003) << 7.5 << 7.5 << qint16(1000) << qint16(1002);
    QTest::newRow("a bound that no longer fits keeps its value")
        << qint16(2000) << qint16(30000) << 30.0 << 30.0 << qint16(4000) << qint16(30000);
}

void TestCompressionOptions::scaleForScreen()
{
    QFETCH(qint16, sliderMin);
    QFETCH(qint16, sliderMax);
    QFETCH(double, twipsX);
    QFETCH(double, twipsY);
    QFETCH(qint16, scaledMin);
    QFETCH(qint16, scaledMax);

    OptionsPanel panel;
    CompressionOptions &options = *panel.options;
    options.setSliderBounds(sliderMin, sliderMax);
    QList<QRect> before;
    for (const QWidget *control : options.runLockedControls())
        before.append(control->geometry());

    options.scaleForScreen(twipsX, twipsY);

    QCOMPARE(options.SliderMin(), scaledMin);
    QCOMPARE(options.SliderMax(), scaledMax);
    QCOMPARE(options.thumbLeft(),
             static_cast<float>(CompressionOptions::designThumbLeft * twipsX / 15));
    QCOMPARE(options.twipsPerPixelX(), twipsX);
    QCOMPARE(options.twipsPerPixelY(), twipsY);
    QList<QRect> after;
    for (const QWidget *control : options.runLockedControls())
        after.append(control->geometry());
    QCOMPARE(after, before);
}

QTEST_MAIN(TestCompressionOptions)
#include "tst_compressionoptions.moc"
