#pragma once

#include <QObject>
#include <QPointer>

#include <stdexcept>

class QEventLoop;

// A pause that keeps the window alive: Wait returns when the time has passed and serves every
// window event meanwhile. interrupt() ends a running wait early, so a caller that waits for
// something else as well (a child process) does not sit out the rest of the period.
class clsWaitableTimer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Raised with a description that starts with "[clsWaitableTimer.Wait]".
    class WaitError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    void Wait(const int &MilliSeconds);
    bool isWaiting() const { return !m_loop.isNull(); }

public Q_SLOTS:
    void interrupt();

private:
    QPointer<QEventLoop> m_loop;
};
