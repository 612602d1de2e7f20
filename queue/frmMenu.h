#pragma once

#include <QObject>

class ImageQueue;
class QAction;
class QMenu;
class QPoint;
class QWidget;

// The queue's popup menu with its two remove commands. It is never shown as a window of its
// own; it reaches the queue through the window's txtAction mailbox.
class frmMenu : public QObject
{
    Q_OBJECT

public:
    frmMenu(ImageQueue *queue, QWidget *window);

    void menuRemoveSelected_Click();
    void menuRemoveAll_Click();

    // Pops menuRemove up at a point of the screen.
    void popup(const QPoint &globalPos);

    QMenu *menuRemove() const { return m_menuRemove; }
    QAction *menuRemoveSelected() const { return m_menuRemoveSelected; }
    QAction *menuRemoveAll() const { return m_menuRemoveAll; }

private:
    ImageQueue *m_queue;
    QMenu *m_menuRemove;
    QAction *m_menuRemoveSelected;
    QAction *m_menuRemoveAll;
};
