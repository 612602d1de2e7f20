#include "app/RunPresenter.h"

#include "app/RunTexts.h"
#include "engine/CompressionRun.h"
#include "options/CompressionOptions.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

namespace {

QMessageBox::Icon iconOf(RunTexts::Message::Look look)
{
    switch (look) {
    case RunTexts::Message::Look::Warning:
        return QMessageBox::Warning;
    case RunTexts::Message::Look::Critical:
        return QMessageBox::Critical;
    case RunTexts::Message::Look::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

RunPresenter::RunPresenter(CompressionRun &run, const Controls &controls, QObject *parent)
    : QObject(parent)
    , m_run(run)
    , m_controls(controls)
{
    connect(&run, &CompressionRun::messageRequested, this, &RunPresenter::showMessage);
    connect(&run, &CompressionRun::started, this, &RunPresenter::showStarted);
    connect(&run, &CompressionRun::stateChanged, this, &RunPresenter::showState);
    connect(&run, &CompressionRun::progressChanged, m_controls.pb, &QProgressBar::setValue);
    connect(&run, &CompressionRun::finished, this, &RunPresenter::showFinished);
    connect(&run, &CompressionRun::outputFolderNotOpened, this, &RunPresenter::showFolderNotOpened);
}

RunOptions RunPresenter::snapshotOf(const CompressionOptions &options)
{
    RunOptions snapshot;
    snapshot.quality = options.Quality();
    snapshot.resizeText = options.resizeText();
    snapshot.keepSize = snapshot.resizeText == CompressionOptions::unchangedSizeText();
    snapshot.intoOutputFolder = options.outputChoice() == CompressionOptions::customFolderChoice;
    snapshot.outputFolder = options.OutputFolder();
    return snapshot;
}

void RunPresenter::showMessage(const RunMessage &message)
{
    const RunTexts::Message shown = RunTexts::message(message);
    auto *box = new QMessageBox(iconOf(shown.look), shown.title, shown.text, QMessageBox::Ok,
                                m_controls.messageOwner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

void RunPresenter::lockControls(bool locked)
{
    for (QWidget *control : std::as_const(m_controls.lockedDuringRun))
        control->setEnabled(!locked);
}

void RunPresenter::showStarted(int entries)
{
    lockControls(true);
    m_controls.lblPB->setToolTip(QString());
    m_controls.pb->setMaximum(entries);
    m_controls.pb->setMinimum(0);
}

void RunPresenter::showState(RunState state)
{
    if (state != RunState::Idle)
        m_controls.lblPB->setText(RunTexts::status(state, m_run.summary()));
}

void RunPresenter::showFinished(const RunSummary &summary)
{
    m_controls.lblPB->setToolTip(RunTexts::summary(summary));
    lockControls(false);
}

void RunPresenter::showFolderNotOpened(const QString &folder)
{
    QString tip = m_controls.lblPB->toolTip();
    if (!tip.isEmpty())
        tip += QStringLiteral("\n\n");
    tip += RunTexts::folderNotOpened(folder);
    m_controls.lblPB->setToolTip(tip);
}
