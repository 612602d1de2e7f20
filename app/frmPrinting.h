#pragma once

#include "app/HelpTexts.h"
#include "app/Skin.h"

#include <QPixmap>
#include <QWidget>

#include <array>

class CCommonDialogs;
class CompressionOptions;
class CompressionRun;
class DOSOutputs;
class ImageQueue;
class LinkLabel;
class PictureButton;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTimer;
class QueueCommands;
class WindowActions;
class WindowChrome;

// The main window: a borderless, picture-drawn window that composes the queue, the options, the
// compression run and the chrome, places the controls and wires their events. It holds no logic
// of the subsystems it composes.
class frmPrinting : public QWidget
{
    Q_OBJECT

public:
    // `arguments` are the command line after the program name.
    explicit frmPrinting(const QStringList &arguments, QWidget *parent = nullptr);
    ~frmPrinting() override;

    // Multiplies the twips-based state by the screen's twips per pixel over 15; the pixel
    // geometry of the window stays as designed.
    void ScaleForScreen(double twipsPerPixelX, double twipsPerPixelY);
    void Timer1_Timer();
    void imgToolbar_Click(int index);
    void imgClose_Click();
    void imgMin_Click();
    // Queues paths given to the program. During a run the queue must not change, so paths
    // handed over then are queued when it ends.
    void queuePaths(const QStringList &paths);

    ImageQueue &queue() const { return *m_queue; }
    CompressionOptions &options() const { return *m_options; }
    CompressionRun &run() const { return *m_run; }
    CCommonDialogs &dialogs() const { return *m_dialogs; }
    QueueCommands &queueCommands() const { return *m_queueCommands; }
    WindowChrome &chrome() const { return *m_chrome; }
    WindowActions &actions() const { return *m_actions; }
    HelpTexts &help() { return m_help; }
    PictureButton *imgClose() const { return m_imgClose; }
    PictureButton *imgMin() const { return m_imgMin; }
    PictureButton *imgStart() const { return m_imgStart; }
    PictureButton *imgToolbar(int index) const { return m_imgToolbar.at(index); }
    LinkLabel *lblWhy() const { return m_lblWhy; }
    QProgressBar *pb() const { return m_pb; }
    QLabel *lblPB() const { return m_lblPB; }
    QPlainTextEdit *txtDebug() const { return m_txtDebug; }
    QTimer *Timer1() const { return m_timer1; }
    const QPixmap &background() const { return m_background; }
    bool isSkinAttached() const { return m_skin.isAttached(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load(const QStringList &arguments);
    void Form_Unload();
    // The queue is not kept from one session to the next, so a close while entries are being
    // converted would lose what is still waiting: the user is asked once, and "no" leaves the
    // run going.
    bool confirmStopAndClose();
    void createControls();
    void loadPictures();
    void wireEvents();
    // Each command one action, shared by its picture button, its key and assistive technology.
    void createActions();
    // Where the remove menu opens: at the pointer when it is on the toolbar item, else under it.
    QPoint removeMenuPlace() const;

    Skin m_skin;
    HelpTexts m_help;
    ImageQueue *m_queue = nullptr;
    CompressionOptions *m_options = nullptr;
    DOSOutputs *m_runner = nullptr;
    CCommonDialogs *m_dialogs = nullptr;
    QueueCommands *m_queueCommands = nullptr;
    CompressionRun *m_run = nullptr;
    WindowChrome *m_chrome = nullptr;
    WindowActions *m_actions = nullptr;
    PictureButton *m_imgClose = nullptr;
    PictureButton *m_imgMin = nullptr;
    PictureButton *m_imgStart = nullptr;
    std::array<PictureButton *, 5> m_imgToolbar{};
    LinkLabel *m_lblWhy = nullptr;
    QProgressBar *m_pb = nullptr;
    QLabel *m_lblPB = nullptr;
    QPlainTextEdit *m_txtDebug = nullptr;
    QTimer *m_timer1 = nullptr;
    QPixmap m_background;
    bool m_unloaded = false;
};
