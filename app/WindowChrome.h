#pragma once

#include <QObject>
#include <QPixmap>

#include <array>
#include <functional>

class CompressionOptions;
class LinkLabel;
class PictureButton;
class QWidget;

// The looks of the skinned window's picture buttons and link labels: hover and pressed pictures,
// the Start button's busy look, bold links under the pointer, and the reset that runs whenever
// the pointer moves over the bare background.
class WindowChrome : public QObject
{
    Q_OBJECT

public:
    static constexpr int toolbarItems = 5;

    struct Controls {
        PictureButton *imgClose = nullptr;
        PictureButton *imgMin = nullptr;
        PictureButton *imgStart = nullptr;
        std::array<PictureButton *, toolbarItems> imgToolbar{};
        LinkLabel *lblWhy = nullptr;
    };

    struct Pictures {
        QPixmap closeLight, closeDark, minLight, minDark;
        QPixmap startLight, startDark, startD;
        std::array<QPixmap, toolbarItems> imgToolbarData;
    };

    WindowChrome(const Controls &controls, CompressionOptions &options,
                 std::function<bool()> runInProgress, QObject *parent = nullptr);

    void setPictures(const Pictures &pictures) { m_pictures = pictures; }
    const Pictures &pictures() const { return m_pictures; }

    void imgClose_MouseMove(Qt::MouseButtons buttons);
    void imgClose_MouseDown();
    void imgMin_MouseMove(Qt::MouseButtons buttons);
    void imgMin_MouseDown();
    void imgStart_MouseMove(Qt::MouseButtons buttons);
    void imgStart_MouseDown();
    void imgToolbar_MouseMove(int index);
    void imgToolbar_MouseDown();
    void lblWhy_MouseMove();
    void lblWhy_MouseDown();
    // The pointer moved over the bare background.
    void resetLooks();
    // The compression run shows or clears the Start button's busy look.
    void showStartBusy(bool busy);

private:
    void clearToolbar();

    Controls m_controls;
    CompressionOptions &m_options;
    std::function<bool()> m_runInProgress;
    Pictures m_pictures;
};
