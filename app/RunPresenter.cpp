#include "app/RunPresenter.h"

#include "engine/CompressionRun.h"
#include "options/CompressionOptions.h"
#include "platform/NativePath.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QStringList>

#include <cmath>

namespace {

constexpr int failuresListedInTooltip = 40;

QMessageBox::Icon iconOf(RunMessageKind kind)
{
    switch (kind) {
    case RunMessageKind::Warning:
        return QMessageBox::Warning;
    case RunMessageKind::Critical:
        return QMessageBox::Critical;
    case RunMessageKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

QString savingsText(const RunSummary &summary)
{
    QString text = QStringLiteral("已压缩 %1 个文件：%2 → %3")
                       .arg(summary.written)
                       .arg(RunPresenter::sizeText(summary.sourceBytes),
                            RunPresenter::sizeText(summary.resultBytes));
    if (summary.sourceBytes > 0) {
        const double change =
            100.0 * double(summary.sourceBytes - summary.resultBytes) / double(summary.sourceBytes);
        const long percent = std::lround(std::abs(change));
        text += change >= 0 ? QStringLiteral("，节省 %1%").arg(percent)
                            : QStringLiteral("，增大 %1%").arg(percent);
    }
    if (summary.largerThanSource > 0)
        text += QStringLiteral("\n其中 %1 个文件比原图更大").arg(summary.largerThanSource);
    return text;
}

QString failuresText(const QList<RunSummary::Failure> &failures)
{
    QStringList lines;
    for (const RunSummary::Failure &failure : failures.mid(0, failuresListedInTooltip))
        lines.append(QStringLiteral("%1（%2）")
                         .arg(NativePath::displayPath(failure.source), failure.reason));
    QString text = QStringLiteral("以下文件没有压缩成功：\n") + lines.join(u'\n');
    if (failures.size() > failuresListedInTooltip)
        text += QStringLiteral("\n……另有 %1 个").arg(failures.size() - failuresListedInTooltip);
    return text;
}

} // namespace

RunPresenter::RunPresenter(CompressionRun &run, const Controls &controls, QObject *parent)
    : QObject(parent)
    , m_controls(controls)
{
    connect(&run, &CompressionRun::messageRequested, this, &RunPresenter::showMessage);
    connect(&run, &CompressionRun::started, this, &RunPresenter::showStarted);
    connect(&run, &CompressionRun::statusChanged, m_controls.lblPB, &QLabel::setText);
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

QString RunPresenter::sizeText(qint64 bytes)
{
    constexpr double kilobyte = 1024.0;
    const double value = double(bytes);
    if (value < kilobyte * kilobyte)
        return QStringLiteral("%1 KB").arg(std::lround(value / kilobyte));
    if (value < kilobyte * kilobyte * kilobyte)
        return QStringLiteral("%1 MB").arg(value / (kilobyte * kilobyte), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(value / (kilobyte * kilobyte * kilobyte), 0, 'f', 1);
}

QString RunPresenter::summaryText(const RunSummary &summary)
{
    QStringList parts;
    if (summary.written > 0)
        parts.append(savingsText(summary));
    if (!summary.failures.isEmpty())
        parts.append(failuresText(summary.failures));
    return parts.join(QStringLiteral("\n\n"));
}

void RunPresenter::showMessage(RunMessageKind kind, const QString &title, const QString &text)
{
    QMessageBox box(iconOf(kind), title, text, QMessageBox::Ok, m_controls.messageOwner);
    box.exec();
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

void RunPresenter::showFinished(const RunSummary &summary)
{
    m_controls.lblPB->setToolTip(summaryText(summary));
    lockControls(false);
}

void RunPresenter::showFolderNotOpened(const QString &folder)
{
    QString tip = m_controls.lblPB->toolTip();
    if (!tip.isEmpty())
        tip += QStringLiteral("\n\n");
    tip += QStringLiteral("无法打开输出文件夹：%1").arg(QDir::toNativeSeparators(folder));
    m_controls.lblPB->setToolTip(tip);
}
