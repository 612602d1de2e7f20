#pragma once

#include "engine/RunOptions.h"
#include "engine/RunReport.h"

#include <QList>
#include <QObject>
#include <QString>

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

    // The status label's tooltip after a run: what was written and saved, then what failed.
    static QString summaryText(const RunSummary &summary);
    // A size as the summary gives it: "812 KB", "32.1 MB", "1.4 GB".
    static QString sizeText(qint64 bytes);

private:
    void showMessage(RunMessageKind kind, const QString &title, const QString &text);
    void lockControls(bool locked);
    void showStarted(int entries);
    void showFinished(const RunSummary &summary);
    void showFolderNotOpened(const QString &folder);

    Controls m_controls;
};
