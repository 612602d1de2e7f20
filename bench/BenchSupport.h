#pragma once

// What the benchmarks that drive the real window share.

#include "app/frmPrinting.h"
#include "engine/CompressionRun.h"
#include "options/CompressionOptions.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <functional>

// The longest stretch in which the event loop served nothing, seen by a 5 ms timer (a finer
// one would cost a run measurably more than the bare converters it is compared with).
class GapMeter
{
public:
    GapMeter()
    {
        m_timer.setInterval(5);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer,
                         [this] { m_longest = std::max(m_longest, m_sinceLast.restart()); });
        m_sinceLast.start();
        m_timer.start();
    }
    qint64 longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    qint64 m_longest = 0;
};

// Shows the window and sets its run to convert with the program folder's converter into one
// output folder, with no folder opened and no sound played at its end.
inline void prepareWindowForRun(frmPrinting &window, const QString &outputFolder, int jobs)
{
    window.show();
    CompressionRun &run = window.run();
    run.setProgramFolder(QStringLiteral(TESSALY_PROGRAM_DIR));
    run.setJobs(jobs);
    run.setFolderOpener([](const QString &) { return true; });
    run.setSoundPlayer([](const QString &) {});
    window.options().setOutputFolder(outputFolder);
    window.options().cmbOutput()->setCurrentIndex(1);
}

// Starts the window's run and serves the window, as the program's event loop does, until the run
// has ended; `ended` is called as it ends. The run's summary. An event loop of its own, not calls
// of processEvents(): those leave what the run hands to deleteLater() undeleted.
inline RunSummary runToEnd(CompressionRun &run, const std::function<void()> &ended = {})
{
    RunSummary summary;
    QEventLoop loop;
    const QMetaObject::Connection connection =
        QObject::connect(&run, &CompressionRun::finished, &loop, [&](const RunSummary &result) {
            if (ended)
                ended();
            summary = result;
            loop.quit();
        });
    run.Command3_Click();
    if (run.RunInProgress())
        loop.exec();
    QObject::disconnect(connection);
    return summary;
}
