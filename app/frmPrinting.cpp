#include "app/frmPrinting.h"

#include "app/Artwork.h"
#include "app/Geometry.h"
#include "app/PictureButton.h"
#include "app/WindowChrome.h"
#include "dialogs/CCommonDialogs.h"
#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SettingsFile.h"
#include "options/SliderThumb.h"
#include "platform/Platform.h"
#include "queue/FolderScan.h"
#include "queue/ImageQueue.h"
#include "queue/QueueCommands.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int shapingDelayMs = 50;

// Positions stay in pixels, but point sizes grow with the screen's dots per inch; scaling them
// back keeps every text at the pixel size the window was drawn for.
void scaleFonts(const QList<QWidget *> &widgets, double factor)
{
    if (!std::isfinite(factor) || factor <= 0 || factor == 1)
        return;
    // All sizes are read first: a new font on one widget changes what the widgets in it inherit.
    QList<std::pair<QWidget *, QFont>> scaled;
    for (QWidget *widget : widgets) {
        QFont font = widget->font();
        if (font.pointSizeF() <= 0)
            continue; // sized in pixels already
        font.setPointSizeF(font.pointSizeF() * factor);
        scaled.append({widget, font});
    }
    for (const auto &[widget, font] : std::as_const(scaled))
        widget->setFont(font);
}

QString pictureName(const char *name)
{
    return QString::fromLatin1(name);
}

} // namespace

frmPrinting::frmPrinting(const QStringList &arguments, QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Window)
{
    Form_Load(arguments);
}

frmPrinting::~frmPrinting() = default;

double frmPrinting::screenTwipsPerPixel(const QWidget *window, Qt::Orientation orientation)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return CompressionOptions::designTwipsPerPixel;
    const qreal dpi = orientation == Qt::Horizontal ? screen->logicalDotsPerInchX()
                                                    : screen->logicalDotsPerInchY();
    return dpi > 0 ? 1440.0 / dpi : CompressionOptions::designTwipsPerPixel;
}

void frmPrinting::Form_Load(const QStringList &arguments)
{
    setObjectName(QStringLiteral("frmPrinting"));
    setMouseTracking(true);
    Q_INIT_RESOURCE(artwork);

    // The skin goes on before the controls exist, so each is made in its final look.
    m_skin.SkinH_Attach();
    createControls();
    m_txtDebug->setVisible(arguments.join(u' ') == QStringLiteral("/debug"));
    m_options->setOptionsLoading(true);
    m_options->setStartupDefaults();
    CompressionRun::cleanUpScratchFolders();
    SettingsFile::LoadSettings(*m_options, Platform::settingsPath());
    m_dialogs->Init(this);
    setWindowTitle(QStringLiteral("Tessaly"));
    setFixedSize(Geometry::window);
    ScaleForScreen(screenTwipsPerPixel(this, Qt::Horizontal),
                   screenTwipsPerPixel(this, Qt::Vertical));
    loadPictures();
    m_options->setOptionsLoading(false);
    wireEvents();
    update();
    m_timer1->start();
}

void frmPrinting::createControls()
{
    m_queue = new ImageQueue(this);
    m_queue->LV()->setGeometry(Geometry::LV);
    m_queue->picText()->setGeometry(Geometry::picText);
    m_queue->List1()->setGeometry(Geometry::offscreen);
    m_queue->txtAction()->setGeometry(Geometry::offscreen);
    m_options = new CompressionOptions(this);
    m_runner = new DOSOutputs(this, this);
    m_dialogs = new CCommonDialogs(this);
    m_queueCommands = new QueueCommands(m_queue, m_dialogs, this);

    m_imgClose = new PictureButton(Geometry::imgClose, this);
    m_imgClose->setObjectName(QStringLiteral("imgClose"));
    m_imgMin = new PictureButton(Geometry::imgMin, this);
    m_imgMin->setObjectName(QStringLiteral("imgMin"));
    m_imgStart = new PictureButton(Geometry::imgStart, this);
    m_imgStart->setObjectName(QStringLiteral("imgStart"));
    for (int index = 0; index < WindowChrome::toolbarItems; ++index) {
        m_imgToolbar[index] = new PictureButton(Geometry::imgToolbar[index], this);
        m_imgToolbar[index]->setObjectName(QStringLiteral("imgToolbar%1").arg(index));
    }

    m_lblWhy = new LinkLabel(QStringLiteral("为什么压缩后图片依然很大呢?"), this);
    m_lblWhy->setObjectName(QStringLiteral("lblWhy"));
    // Tahoma's line fits the designed height; a taller fallback face would lose its underline.
    QRect why = Geometry::lblWhy;
    why.setHeight(std::max(why.height(), m_lblWhy->textLineHeight()));
    m_lblWhy->setGeometry(why);

    m_pb = new QProgressBar(this);
    m_pb->setObjectName(QStringLiteral("pb"));
    m_pb->setGeometry(Geometry::pb);
    m_pb->setTextVisible(false);
    m_pb->setValue(0);
    m_lblPB = new QLabel(QStringLiteral("0%"), this);
    m_lblPB->setObjectName(QStringLiteral("lblPB"));
    m_lblPB->setGeometry(Geometry::lblPB);
    m_lblPB->setAlignment(Qt::AlignCenter);
    QFont statusFont = m_lblPB->font();
    statusFont.setPointSizeF(7.5);
    statusFont.setBold(true);
    m_lblPB->setFont(statusFont);

    m_txtDebug = new QPlainTextEdit(QStringLiteral("Text1"), this);
    m_txtDebug->setObjectName(QStringLiteral("txtDebug"));
    m_txtDebug->setGeometry(Geometry::txtDebug);
    m_txtDebug->hide();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    m_timer1->setInterval(shapingDelayMs);
    connect(m_timer1, &QTimer::timeout, this, &frmPrinting::Timer1_Timer);

    CompressionRun::Controls runControls;
    runControls.imgStart = m_imgStart;
    runControls.lockedDuringRun = {m_queue->LV()};
    for (PictureButton *item : m_imgToolbar)
        runControls.lockedDuringRun.append(item);
    runControls.lockedDuringRun += m_options->runLockedControls();
    runControls.lockedDuringRun.append(m_lblWhy);
    runControls.pb = m_pb;
    runControls.lblPB = m_lblPB;
    runControls.messageOwner = this;
    m_run = new CompressionRun(*m_queue, *m_options, *m_runner, runControls, this);

    WindowChrome::Controls chromeControls;
    chromeControls.imgClose = m_imgClose;
    chromeControls.imgMin = m_imgMin;
    chromeControls.imgStart = m_imgStart;
    chromeControls.imgToolbar = m_imgToolbar;
    chromeControls.lblWhy = m_lblWhy;
    m_chrome = new WindowChrome(
        chromeControls, *m_options, [this] { return m_run->RunInProgress(); }, this);
}

void frmPrinting::loadPictures()
{
    const qreal ratio = devicePixelRatioF();
    m_background = Artwork::picture(QStringLiteral("background"), ratio);
    WindowChrome::Pictures pictures;
    pictures.closeLight = Artwork::picture(pictureName("closeLight"), ratio);
    pictures.closeDark = Artwork::picture(pictureName("closeDark"), ratio);
    pictures.minLight = Artwork::picture(pictureName("minLight"), ratio);
    pictures.minDark = Artwork::picture(pictureName("minDark"), ratio);
    pictures.startLight = Artwork::picture(pictureName("startLight"), ratio);
    pictures.startDark = Artwork::picture(pictureName("startDark"), ratio);
    pictures.startD = Artwork::picture(pictureName("startD"), ratio);
    for (int index = 0; index < WindowChrome::toolbarItems; ++index)
        pictures.imgToolbarData[index] =
            Artwork::picture(QStringLiteral("toolbar%1").arg(index), ratio);
    m_chrome->setPictures(pictures);
    m_options->imgSlider()->setPicture(Artwork::picture(pictureName("thumb"), ratio));
}

void frmPrinting::wireEvents()
{
    connect(m_imgClose, &PictureButton::mouseMoved, m_chrome, &WindowChrome::imgClose_MouseMove);
    connect(m_imgClose, &PictureButton::mousePressed, m_chrome, &WindowChrome::imgClose_MouseDown);
    connect(m_imgClose, &PictureButton::clicked, this, &frmPrinting::imgClose_Click);
    connect(m_imgMin, &PictureButton::mouseMoved, m_chrome, &WindowChrome::imgMin_MouseMove);
    connect(m_imgMin, &PictureButton::mousePressed, m_chrome, &WindowChrome::imgMin_MouseDown);
    connect(m_imgMin, &PictureButton::clicked, this, &frmPrinting::imgMin_Click);
    connect(m_imgStart, &PictureButton::mouseMoved, m_chrome, &WindowChrome::imgStart_MouseMove);
    connect(m_imgStart, &PictureButton::mousePressed, m_chrome, &WindowChrome::imgStart_MouseDown);
    connect(m_imgStart, &PictureButton::clicked, m_run, &CompressionRun::imgStart_Click);
    for (int index = 0; index < WindowChrome::toolbarItems; ++index) {
        PictureButton *item = m_imgToolbar[index];
        connect(item, &PictureButton::mouseMoved, m_chrome,
                [this, index] { m_chrome->imgToolbar_MouseMove(index); });
        connect(item, &PictureButton::mousePressed, m_chrome, &WindowChrome::imgToolbar_MouseDown);
        connect(item, &PictureButton::clicked, this, [this, index] { imgToolbar_Click(index); });
    }
    connect(m_lblWhy, &LinkLabel::mouseMoved, m_chrome, &WindowChrome::lblWhy_MouseMove);
    connect(m_lblWhy, &LinkLabel::mousePressed, m_chrome, &WindowChrome::lblWhy_MouseDown);
    connect(m_lblWhy, &LinkLabel::clicked, this, [this] { m_help.lblWhy_Click(this); });
    connect(m_run, &CompressionRun::startBusyChanged, m_chrome, &WindowChrome::showStartBusy);
    // Queued, so that a folder handed over during the run is searched after the run's end
    // steps, not in the middle of them.
    connect(
        m_run, &CompressionRun::startBusyChanged, this,
        [this](bool busy) {
            if (!busy && !m_unloaded)
                queuePaths(std::exchange(m_pathsAfterRun, {}));
        },
        Qt::QueuedConnection);
}

void frmPrinting::ScaleForScreen(double twipsPerPixelX, double twipsPerPixelY)
{
    m_options->scaleForScreen(twipsPerPixelX, twipsPerPixelY);
    scaleFonts(findChildren<QWidget *>(), twipsPerPixelX / CompressionOptions::designTwipsPerPixel);
    // The list of images takes the vertical factor on top.
    QList<QWidget *> list = m_queue->LV()->findChildren<QWidget *>();
    list.prepend(m_queue->LV());
    scaleFonts(list, twipsPerPixelY / CompressionOptions::designTwipsPerPixel);
}

void frmPrinting::Timer1_Timer()
{
    m_timer1->stop();
    const QImage keyed = Artwork::picture(QStringLiteral("background"), 1).toImage();
    if (!keyed.isNull()) {
        const QBitmap shape =
            QBitmap::fromImage(keyed.createMaskFromColor(Artwork::keyColour, Qt::MaskInColor));
        setMask(QRegion(shape).intersected(rect()));
    }
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    QCoreApplication::processEvents();
}

void frmPrinting::imgToolbar_Click(int index)
{
    switch (index) {
    case 0:
        m_queueCommands->addFile();
        break;
    case 1:
        m_queueCommands->AddFolder();
        break;
    case 2:
        m_queueCommands->popupRemoveMenu(QCursor::pos());
        break;
    case 3:
        m_help.showAbout(this, m_run->programFolder());
        break;
    case 4:
        imgClose_Click();
        break;
    default:
        break;
    }
}

void frmPrinting::imgClose_Click()
{
    close();
}

void frmPrinting::imgMin_Click()
{
    showMinimized();
}

void frmPrinting::queuePaths(const QStringList &paths)
{
    if (m_run->RunInProgress()) {
        m_pathsAfterRun += paths;
        return;
    }
    m_queueCommands->addPaths(paths);
}

void frmPrinting::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

void frmPrinting::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    m_dragging = true;
}

void frmPrinting::mouseMoveEvent(QMouseEvent *event)
{
    dragWindow(event);
    // A control may pass its own moves on (a drop-down list does); those are not over the
    // bare background.
    if (!childAt(event->position().toPoint()))
        m_chrome->resetLooks();
}

void frmPrinting::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
}

void frmPrinting::dragWindow(const QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    // The window system moves the window itself where it can; elsewhere we follow the pointer.
    if (windowHandle() && windowHandle()->startSystemMove()) {
        m_dragging = false;
        return;
    }
    move(event->globalPosition().toPoint() - m_dragOffset);
}

void frmPrinting::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmPrinting::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_run->abort();
    m_queueCommands->folderScan()->abort();
    QString error;
    if (!SettingsFile::SaveSettings(*m_options, Platform::settingsPath(), &error))
        QMessageBox::warning(this, QStringLiteral("Tessaly"), error);
    m_skin.SkinH_Detach();
    QCoreApplication::quit();
}
