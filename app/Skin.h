#pragma once

#include <QPalette>
#include <QString>

// Tessaly's own look for the standard controls (drop-downs, the list, the progress bar, scroll
// bars), matched to the window's artwork. Attached before the controls are set up and detached
// at shutdown, leaving the application as it found it.
class Skin
{
public:
    void SkinH_Attach();
    void SkinH_Detach();
    bool isAttached() const { return m_attached; }

    static QPalette palette();
    static QString styleSheet();

private:
    bool m_attached = false;
    QString m_previousStyle;
    QPalette m_previousPalette;
    QString m_previousStyleSheet;
};
