#include "app/frmPrinting.h"

#include "app/Accessibility.h"
#include "app/Artwork.h"
#include "app/PictureButton.h"
#include "app/RunPresenter.h"
#include "app/ScreenScale.h"
#include "app/WindowActions.h"
#include "app/WindowChrome.h"
#include "app/WindowDescriptions.h"
#include "app/WindowDrag.h"
#include "dialogs/CCommonDialogs.h"
#include "engine/CompressionRun.h"
#include "engine/DOSOutputs.h"
#include "engine/ScratchFolders.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SettingsFile.h"
#include "options/SliderThumb.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowGeometry.h"
#include "queue/FolderScan.h"
#include "queue/ImageQueue.h"
#include "queue/QueueCommands.h"

#include <QAbstractButton>
#include <QAction>
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

#include <algorithm>

namespace {

constexpr int shapingDelayMs = 50;

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

void frmPrinting::Form_Load(const QStringList &arguments)
{
    setObjectName(QStringLiteral("frmPrinting"));
    setMouseTracking(true);
    Q_INIT_RESOURCE(artwork);
    // Before any control exists, so that none is described by the generic interface.
    Accessibility::install();

    // The skin goes on before the controls exist, so each is made in its final look.
    m_skin.SkinH_Attach();
    createControls();
    createActions();
    WindowDescriptions::describeControls(*this);
    WindowDescriptions::setTabOrder(*this);
    m_txtDebug->setVisible(arguments.join(u' ') == QStringLiteral("/debug"));
    m_options->setOptionsLoading(true);
    m_options->setStartupDefaults();
    ScratchFolders::cleanUp();
    SettingsFile::LoadSettings(*m_options, Platform::settingsPath());
    m_dialogs->Init(this);
    setWindowTitle(QStringLiteral("Tessaly"));
    setFixedSize(Geometry::window);
    ScaleForScreen(ScreenScale::twipsPerPixel(this, Qt::Horizontal),
                   ScreenScale::twipsPerPixel(this, Qt::Vertical));
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
    m_runner = new DOSOutputs(this);
    m_dialogs = new CCommonDialogs(this);
    m_queueCommands = new QueueCommands(
        m_queue,
        [dialogs = m_dialogs](const QString &title, const QString &filter) {
            return dialogs->askOpenFile(title, filter);
        },
        this);

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
    // Black whatever the skin's palette says; a style sheet, since the application's style
    // sheet would win over a palette.
    m_lblPB->setStyleSheet(QStringLiteral("color: rgb(0, 0, 0);"));

    m_txtDebug = new QPlainTextEdit(QStringLiteral("Text1"), this);
    m_txtDebug->setObjectName(QStringLiteral("txtDebug"));
    m_txtDebug->setGeometry(Geometry::txtDebug);
    m_txtDebug->hide();

    new WindowDrag(this);
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    m_timer1->setInterval(shapingDelayMs);
    connect(m_timer1, &QTimer::timeout, this, &frmPrinting::Timer1_Timer);

    m_run = new CompressionRun(*m_queue->model(), *m_runner, this);
    m_run->setOptionsSource([this] { return RunPresenter::snapshotOf(*m_options); });
    m_run->setFolderOpener(Platform::openInFileBrowser);
    m_run->setSoundPlayer(SoundPlayer::play);
    connect(m_run, &CompressionRun::outputFolderChanged, m_options,
            &CompressionOptions::setOutputFolder);
    RunPresenter::Controls runControls;
    runControls.lockedDuringRun = {m_queue->LV()};
    for (PictureButton *item : m_imgToolbar)
        runControls.lockedDuringRun.append(item);
    runControls.lockedDuringRun += m_options->runLockedControls();
    runControls.lockedDuringRun.append(m_lblWhy);
    runControls.pb = m_pb;
    runControls.lblPB = m_lblPB;
    runControls.messageOwner = this;
    new RunPresenter(*m_run, runControls, this);

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
    connect(m_imgMin, &PictureButton::mouseMoved, m_chrome, &WindowChrome::imgMin_MouseMove);
    connect(m_imgMin, &PictureButton::mousePressed, m_chrome, &WindowChrome::imgMin_MouseDown);
    connect(m_imgStart, &PictureButton::mouseMoved, m_chrome, &WindowChrome::imgStart_MouseMove);
    connect(m_imgStart, &PictureButton::mousePressed, m_chrome, &WindowChrome::imgStart_MouseDown);
    for (int index = 0; index < WindowChrome::toolbarItems; ++index) {
        PictureButton *item = m_imgToolbar[index];
        connect(item, &PictureButton::mouseMoved, m_chrome,
                [this, index] { m_chrome->imgToolbar_MouseMove(index); });
        connect(item, &PictureButton::mousePressed, m_chrome, &WindowChrome::imgToolbar_MouseDown);
    }
    connect(m_lblWhy, &LinkLabel::mouseMoved, m_chrome, &WindowChrome::lblWhy_MouseMove);
    connect(m_lblWhy, &LinkLabel::mousePressed, m_chrome, &WindowChrome::lblWhy_MouseDown);
    connect(m_lblWhy, &LinkLabel::clicked, this, [this] { m_help.lblWhy_Click(this); });
    connect(m_run, &CompressionRun::startBusyChanged, m_chrome, &WindowChrome::showStartBusy);
    // Given paths wait while a run goes, and are queued once it has ended.
    connect(m_run, &CompressionRun::started, m_queueCommands,
            [this] { m_queueCommands->holdGivenPaths(true); });
    connect(m_run, &CompressionRun::finished, m_queueCommands,
            [this] { m_queueCommands->holdGivenPaths(false); });
}

void frmPrinting::createActions()
{
    m_actions = new WindowActions(this);
    const std::array<QAction *, WindowChrome::toolbarItems> toolbar = {
        m_actions->addFile(), m_actions->addFolder(), m_actions->removeMenu(), m_actions->about(),
        m_actions->exit()};
    for (int index = 0; index < WindowChrome::toolbarItems; ++index) {
        m_imgToolbar[index]->setAction(toolbar[index]);
        connect(toolbar[index], &QAction::triggered, this,
                [this, index] { imgToolbar_Click(index); });
    }
    m_imgStart->setAction(m_actions->start());
    connect(m_actions->start(), &QAction::triggered, m_run, &CompressionRun::imgStart_Click);
    m_imgClose->setAction(m_actions->close());
    connect(m_actions->close(), &QAction::triggered, this, &frmPrinting::imgClose_Click);
    m_imgMin->setAction(m_actions->minimise());
    connect(m_actions->minimise(), &QAction::triggered, this, &frmPrinting::imgMin_Click);
    // Esc is for a run only.
    connect(m_run, &CompressionRun::startBusyChanged, m_actions->stop(), &QAction::setEnabled);
    connect(m_actions->stop(), &QAction::triggered, m_run, &CompressionRun::requestStop);
    // White shows on the red title bar and the red Start button; the rest keep the skin's red.
    for (PictureButton *onRed : {m_imgClose, m_imgMin, m_imgStart})
        onRed->setFocusMarkColour(Qt::white);
}

void frmPrinting::ScaleForScreen(double twipsPerPixelX, double twipsPerPixelY)
{
    m_options->scaleForScreen(twipsPerPixelX, twipsPerPixelY);
    ScreenScale::scaleFonts(findChildren<QWidget *>(),
                            twipsPerPixelX / CompressionOptions::designTwipsPerPixel);
    // The list of images takes the vertical factor on top.
    QList<QWidget *> list = m_queue->LV()->findChildren<QWidget *>();
    list.prepend(m_queue->LV());
    ScreenScale::scaleFonts(list, twipsPerPixelY / CompressionOptions::designTwipsPerPixel);
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
        m_queueCommands->popupRemoveMenu(removeMenuPlace());
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

QPoint frmPrinting::removeMenuPlace() const
{
    const PictureButton *item = m_imgToolbar[2];
    const QPoint pointer = QCursor::pos();
    if (item->rect().contains(item->mapFromGlobal(pointer)))
        return pointer;
    return item->mapToGlobal(QPoint(0, item->height()));
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
    m_queueCommands->addPaths(paths);
}

void frmPrinting::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

void frmPrinting::mouseMoveEvent(QMouseEvent *event)
{
    // A control may pass its own moves on (a drop-down list does); those are not over the
    // bare background.
    if (!childAt(event->position().toPoint()))
        m_chrome->resetLooks();
}

void frmPrinting::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded && m_run->isConverting() && !confirmStopAndClose()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

bool frmPrinting::confirmStopAndClose()
{
    QMessageBox question(QMessageBox::Question, QStringLiteral("Tessaly"),
                         QStringLiteral("正在压缩图片，队列中还有 %1 个文件。\n\n"
                                        "要停止压缩并关闭 Tessaly 吗？"
                                        "还没有压缩的文件不会保留在队列中。")
                             .arg(m_queue->count()),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.button(QMessageBox::Yes)->setText(QStringLiteral("停止并关闭"));
    question.button(QMessageBox::No)->setText(QStringLiteral("继续压缩"));
    question.setDefaultButton(QMessageBox::No);
    question.setEscapeButton(QMessageBox::No);
    return question.exec() == QMessageBox::Yes;
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
