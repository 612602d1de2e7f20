#include "app/WindowChrome.h"

#include "app/PictureButton.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"

namespace {

// The pressed look follows a move only while the left button alone is held.
bool onlyLeftHeld(Qt::MouseButtons buttons)
{
    return buttons == Qt::LeftButton;
}

} // namespace

WindowChrome::WindowChrome(const Controls &controls, CompressionOptions &options,
                           std::function<bool()> runInProgress, QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_options(options)
    , m_runInProgress(std::move(runInProgress))
{}

void WindowChrome::imgClose_MouseMove(Qt::MouseButtons buttons)
{
    m_controls.imgMin->clearPicture();
    m_controls.imgClose->setPicture(onlyLeftHeld(buttons) ? m_pictures.closeDark
                                                          : m_pictures.closeLight);
}

void WindowChrome::imgClose_MouseDown()
{
    m_controls.imgClose->setPicture(m_pictures.closeDark);
}

void WindowChrome::imgMin_MouseMove(Qt::MouseButtons buttons)
{
    m_controls.imgClose->clearPicture();
    m_controls.imgMin->setPicture(onlyLeftHeld(buttons) ? m_pictures.minDark : m_pictures.minLight);
}

void WindowChrome::imgMin_MouseDown()
{
    m_controls.imgMin->setPicture(m_pictures.minDark);
}

void WindowChrome::imgStart_MouseMove(Qt::MouseButtons buttons)
{
    m_controls.imgStart->setPicture(onlyLeftHeld(buttons) ? m_pictures.startDark
                                                          : m_pictures.startLight);
}

void WindowChrome::imgStart_MouseDown()
{
    m_controls.imgStart->setPicture(m_pictures.startDark);
}

void WindowChrome::imgToolbar_MouseMove(int index)
{
    if (index < 0 || index >= toolbarItems)
        return;
    clearToolbar();
    m_controls.imgToolbar[index]->setPicture(m_pictures.imgToolbarData[index]);
}

void WindowChrome::imgToolbar_MouseDown()
{
    clearToolbar();
}

void WindowChrome::lblWhy_MouseMove()
{
    m_controls.lblWhy->setBold(true);
}

void WindowChrome::lblWhy_MouseDown()
{
    m_controls.lblWhy->setBold(false);
}

void WindowChrome::resetLooks()
{
    m_options.resetLinkLabels();
    m_controls.imgClose->clearPicture();
    m_controls.imgStart->clearPicture();
    m_controls.imgMin->clearPicture();
    clearToolbar();
    if (m_runInProgress())
        m_controls.imgStart->setPicture(m_pictures.startD);
    m_controls.lblWhy->setBold(false);
}

void WindowChrome::showStartBusy(bool busy)
{
    if (busy)
        m_controls.imgStart->setPicture(m_pictures.startD);
    else
        m_controls.imgStart->clearPicture();
}

void WindowChrome::clearToolbar()
{
    for (PictureButton *item : m_controls.imgToolbar)
        item->clearPicture();
}
