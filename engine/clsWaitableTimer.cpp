#include "engine/clsWaitableTimer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void clsWaitableTimer::Wait(const int &MilliSeconds)
{
    if (!QCoreApplication::instance())
        throw WaitError("[clsWaitableTimer.Wait]no application object serves the window events");

    // A due time that lies in the past still serves the pending events once.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(qMax(0, MilliSeconds));

    m_loop = &loop;
    loop.exec();
    m_loop.clear();
}

void clsWaitableTimer::interrupt()
{
    if (m_loop)
        m_loop->quit();
}
