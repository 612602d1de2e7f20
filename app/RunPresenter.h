#pragma once

#include "engine/RunOptions.h"
#include "engine/RunReport.h"

#include <QList>
#include <QObject>

class CompressionOptions;
class CompressionRun;
class QLabel;
class QProgressBar;
class QWidget;

// Shows a compression run in the window: the bar and the status label follow the run's
// signals, the controls that would change it are locked while it goes, its messages become
// message boxes, and as it ends the label's tooltip says what it achieved and what failed.
class RunPresenter : public QObject
{
    Q_OBJECT

public:
    struct Controls {
        QList<QWidget *> lockedDuringRun; // in the order they are locked
        QProgressBar *pb = nullptr;
        QLabel *lblPB = nullptr;
        QWidget *messageOwner = nullptr;
    };

    RunPresenter(CompressionRun &run, const Controls &controls, QObject *parent = nullptr);

    // The run's view of the options panel as it stands.
    static RunOptions snapshotOf(const CompressionOptions &options);

private:
    // Shown modal but not waited for: the run goes on while the user reads it.
    void showMessage(const RunMessage &message);
    void lockControls(bool locked);
    void showStarted(int entries);
    void showState(RunState state);
    void showFinished(const RunSummary &summary);
    void showFolderNotOpened(const QString &folder);

    const CompressionRun &m_run;
    Controls m_controls;
};
