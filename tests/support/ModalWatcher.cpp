#include "tests/support/ModalWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

ModalWatcher::ModalWatcher(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
    m_timer.start();
}

void ModalWatcher::setDialogHandler(std::function<void(QDialog *)> handler)
{
    m_dialogHandler = std::move(handler);
}

const QList<ModalWatcher::Message> &ModalWatcher::messages()
{
    poll();
    return m_messages;
}

void ModalWatcher::clear()
{
    m_messages.clear();
    m_dialogsSeen = 0;
}

void ModalWatcher::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        m_messages.append({box->windowTitle(), box->text(), box->icon()});
        const QList<QAbstractButton *> buttons = box->buttons();
        if (QAbstractButton *chosen = box->button(m_messageAnswer))
            chosen->click();
        else if (!buttons.isEmpty())
            buttons.first()->click();
        else
            box->done(0);
        return;
    }
    if (auto *dialog = qobject_cast<QDialog *>(modal)) {
        ++m_dialogsSeen;
        if (m_dialogHandler)
            m_dialogHandler(dialog);
        else
            dialog->reject();
    }
}
