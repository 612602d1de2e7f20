#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QDialog;

// Answers the modal dialogs and message boxes that code under test opens, so that a test runs
// without a person: every message box is recorded and answered with the chosen button where it
// has one, else its first; any other dialog goes to the handler, or is rejected when there is
// none.
class ModalWatcher : public QObject
{
    Q_OBJECT

public:
    struct Message {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    explicit ModalWatcher(QObject *parent = nullptr);

    void setDialogHandler(std::function<void(QDialog *)> handler);
    void setMessageAnswer(QMessageBox::StandardButton answer) { m_messageAnswer = answer; }
    // Answers a box that is showing first, so that one shown without being waited for is seen at
    // once.
    const QList<Message> &messages();
    int dialogsSeen() const { return m_dialogsSeen; }
    void clear();

private:
    void poll();

    QTimer m_timer;
    QList<Message> m_messages;
    int m_dialogsSeen = 0;
    QMessageBox::StandardButton m_messageAnswer = QMessageBox::NoButton;
    std::function<void(QDialog *)> m_dialogHandler;
};
