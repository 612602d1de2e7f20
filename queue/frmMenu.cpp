#include "queue/frmMenu.h"

#include "queue/ImageQueue.h"

#include <QLineEdit>
#include <QMenu>
#include <QTableView>

frmMenu::frmMenu(ImageQueue *queue, QWidget *window)
    : QObject(queue)
    , m_queue(queue)
    , m_menuRemove(new QMenu(QStringLiteral("Remove"), window))
    , m_menuRemoveSelected(m_menuRemove->addAction(QStringLiteral("移除选中文件")))
    , m_menuRemoveAll(m_menuRemove->addAction(QStringLiteral("移除所有文件")))
{
    m_menuRemove->setObjectName(QStringLiteral("menuRemove"));
    m_menuRemoveSelected->setObjectName(QStringLiteral("menuRemoveSelected"));
    m_menuRemoveAll->setObjectName(QStringLiteral("menuRemoveAll"));
    connect(m_menuRemoveSelected, &QAction::triggered, this, &frmMenu::menuRemoveSelected_Click);
    connect(m_menuRemoveAll, &QAction::triggered, this, &frmMenu::menuRemoveAll_Click);

    m_menuRemove->setAccessibleName(QStringLiteral("移除文件"));

    // The Delete key on the list is the menu's first item; not while the list is locked for a
    // run, since the key belongs to the list alone.
    m_menuRemoveSelected->setShortcut(QKeySequence::Delete);
    m_menuRemoveSelected->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    queue->LV()->addAction(m_menuRemoveSelected);
}

void frmMenu::menuRemoveSelected_Click()
{
    m_queue->txtAction()->setText(ImageQueue::removeSelectedCommand());
}

void frmMenu::menuRemoveAll_Click()
{
    m_queue->ClearQueue();
}

void frmMenu::popup(const QPoint &globalPos)
{
    m_menuRemove->popup(globalPos);
}
