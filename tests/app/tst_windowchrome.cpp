#include "app/PictureButton.h"
#include "app/WindowChrome.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "platform/WindowGeometry.h"

#include <QAction>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

QPixmap filled(const QSize &size, const QColor &colour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

void sendMouse(QWidget *widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               const QPoint &at = QPoint(3, 3))
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// The chrome on its own: picture buttons at their places and pictures of recognisable colours.
struct ChromeFixture {
    ChromeFixture()
        : options(&window)
    {
        WindowChrome::Controls controls;
        controls.imgClose = new PictureButton(Geometry::imgClose, &window);
        controls.imgMin = new PictureButton(Geometry::imgMin, &window);
        controls.imgStart = new PictureButton(Geometry::imgStart, &window);
        for (int i = 0; i < WindowChrome::toolbarItems; ++i)
            controls.imgToolbar[i] = new PictureButton(Geometry::imgToolbar[i], &window);
        controls.lblWhy = new LinkLabel(QStringLiteral("why"), &window);
        this->controls = controls;
        chrome = new WindowChrome(
            controls, options, [this] { return running; }, &window);
        WindowChrome::Pictures pictures;
        pictures.closeLight = filled({25, 22}, Qt::red);
        pictures.closeDark = filled({24, 21}, Qt::darkRed);
        pictures.minLight = filled({25, 22}, Qt::green);
        pictures.minDark = filled({25, 22}, Qt::darkGreen);
        pictures.startLight = filled({97, 43}, Qt::blue);
        pictures.startDark = filled({97, 43}, Qt::darkBlue);
        pictures.startD = filled({97, 43}, Qt::gray);
        const QSize toolbarSizes[] = {{50, 57}, {60, 56}, {48, 59}, {49, 59}, {49, 62}};
        for (int i = 0; i < WindowChrome::toolbarItems; ++i)
            pictures.imgToolbarData[i] = filled(toolbarSizes[i], QColor(10 * i, 0, 0));
        chrome->setPictures(pictures);
    }

    bool shows(PictureButton *button, const QPixmap &picture) const
    {
        return button->hasPicture() && button->picture().cacheKey() == picture.cacheKey();
    }

    int toolbarItemsShowing() const
    {
        int showing = 0;
        for (PictureButton *item : controls.imgToolbar)
            showing += item->hasPicture() ? 1 : 0;
        return showing;
    }

    QWidget window;
    CompressionOptions options;
    WindowChrome::Controls controls;
    WindowChrome *chrome = nullptr;
    bool running = false;
};

} // namespace

class TestWindowChrome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pressedLookNeedsTheLeftButtonAlone_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("pressed");
        QTest::newRow("none") << int(Qt::NoButton) << false;
        QTest::newRow("left") << int(Qt::LeftButton) << true;
        QTest::newRow("right") << int(Qt::RightButton) << false;
        QTest::newRow("middle") << int(Qt::MiddleButton) << false;
        QTest::newRow("left and right") << int(Qt::LeftButton | Qt::RightButton) << false;
    }

    void pressedLookNeedsTheLeftButtonAlone()
    {
        QFETCH(int, buttons);
        QFETCH(bool, pressed);
        ChromeFixture f;
        const auto held = Qt::MouseButtons(buttons);
        const WindowChrome::Pictures &p = f.chrome->pictures();
        f.chrome->imgClose_MouseMove(held);
        QVERIFY(f.shows(f.controls.imgClose, pressed ? p.closeDark : p.closeLight));
        f.chrome->imgMin_MouseMove(held);
        QVERIFY(f.shows(f.controls.imgMin, pressed ? p.minDark : p.minLight));
        f.chrome->imgStart_MouseMove(held);
        QVERIFY(f.shows(f.controls.imgStart, pressed ? p.startDark : p.startLight));
    }

    void closeAndMinimiseClearEachOther()
    {
        ChromeFixture f;
        f.chrome->imgClose_MouseMove(Qt::NoButton);
        f.chrome->imgMin_MouseMove(Qt::NoButton);
        QVERIFY(!f.controls.imgClose->hasPicture());
        QVERIFY(f.controls.imgMin->hasPicture());
        f.chrome->imgClose_MouseMove(Qt::NoButton);
        QVERIFY(!f.controls.imgMin->hasPicture());
        // Start keeps its look when the pointer crosses the title buttons.
        f.chrome->imgStart_MouseMove(Qt::NoButton);
        f.chrome->imgClose_MouseMove(Qt::NoButton);
        QVERIFY(f.controls.imgStart->hasPicture());
    }

    void anyButtonPressShowsThePressedLook()
    {
        ChromeFixture f;
        const WindowChrome::Pictures &p = f.chrome->pictures();
        f.chrome->imgClose_MouseDown();
        f.chrome->imgMin_MouseDown();
        f.chrome->imgStart_MouseDown();
        QVERIFY(f.shows(f.controls.imgClose, p.closeDark));
        QVERIFY(f.shows(f.controls.imgMin, p.minDark));
        QVERIFY(f.shows(f.controls.imgStart, p.startDark));
        // The picture is drawn at its own size: the pressed close picture is a pixel smaller.
        QCOMPARE(f.controls.imgClose->size(), QSize(24, 21));
    }

    void onlyTheToolbarItemUnderThePointerShowsItsPicture()
    {
        ChromeFixture f;
        for (int i = 0; i < WindowChrome::toolbarItems; ++i) {
            f.chrome->imgToolbar_MouseMove(i);
            QCOMPARE(f.toolbarItemsShowing(), 1);
            QVERIFY(f.shows(f.controls.imgToolbar[i], f.chrome->pictures().imgToolbarData[i]));
        }
        f.chrome->imgToolbar_MouseMove(7);
        QCOMPARE(f.toolbarItemsShowing(), 1);
        f.chrome->imgToolbar_MouseDown();
        QCOMPARE(f.toolbarItemsShowing(), 0);
    }

    void backgroundResetRestsEverything()
    {
        ChromeFixture f;
        f.chrome->imgClose_MouseMove(Qt::NoButton);
        f.chrome->imgStart_MouseDown();
        f.chrome->imgToolbar_MouseMove(2);
        f.chrome->lblWhy_MouseMove();
        f.options.lblCF_MouseMove();
        f.options.lblDefault_MouseMove();
        QVERIFY(f.controls.lblWhy->isBold());
        f.chrome->resetLooks();
        QVERIFY(!f.controls.imgClose->hasPicture());
        QVERIFY(!f.controls.imgMin->hasPicture());
        QVERIFY(!f.controls.imgStart->hasPicture());
        QCOMPARE(f.toolbarItemsShowing(), 0);
        QVERIFY(!f.controls.lblWhy->isBold());
        QVERIFY(!f.options.lblCF()->isBold());
        QVERIFY(!f.options.lblDefault()->isBold());
        // Back at rest, each picture button covers its drawn button again.
        QCOMPARE(f.controls.imgClose->size(), Geometry::imgClose.size());
    }

    void startKeepsItsBusyLookThroughEveryResetOfARun()
    {
        ChromeFixture f;
        f.running = true;
        f.chrome->showStartBusy(true);
        for (int i = 0; i < 3; ++i) {
            f.chrome->resetLooks();
            QVERIFY(f.shows(f.controls.imgStart, f.chrome->pictures().startD));
        }
        f.running = false;
        f.chrome->showStartBusy(false);
        QVERIFY(!f.controls.imgStart->hasPicture());
        f.chrome->resetLooks();
        QVERIFY(!f.controls.imgStart->hasPicture());
    }

    void whyLinkTurnsRegularWhenPressed()
    {
        ChromeFixture f;
        f.chrome->lblWhy_MouseMove();
        QVERIFY(f.controls.lblWhy->isBold());
        f.chrome->lblWhy_MouseDown();
        QVERIFY(!f.controls.lblWhy->isBold());
    }

    void clickNeedsPressAndReleaseOnTheButton()
    {
        ChromeFixture f;
        PictureButton *start = f.controls.imgStart;
        QAction command;
        start->setAction(&command);
        QSignalSpy clicks(&command, &QAction::triggered);
        QSignalSpy moves(start, &PictureButton::mouseMoved);
        sendMouse(start, QEvent::MouseMove, Qt::NoButton, Qt::RightButton);
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves.first().first().value<Qt::MouseButtons>(),
                 Qt::MouseButtons(Qt::RightButton));
        sendMouse(start, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
        sendMouse(start, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton,
                  QPoint(300, 300));
        QCOMPARE(clicks.size(), 0);
        sendMouse(start, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
        sendMouse(start, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
        QCOMPARE(clicks.size(), 0);
        sendMouse(start, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
        sendMouse(start, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(clicks.size(), 1);
    }
};

QTEST_MAIN(TestWindowChrome)
#include "tst_windowchrome.moc"
