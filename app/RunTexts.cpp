#include "app/RunTexts.h"

#include "platform/NativePath.h"

#include <QDir>
#include <QStringList>

#include <cmath>

namespace RunTexts {

namespace {

constexpr int failuresListedInTooltip = 40;
const QString queueKept = QStringLiteral("队列中的文件保持不变。");

QString savings(const RunSummary &summary)
{
    QString text = QStringLiteral("已压缩 %1 个文件：%2 → %3")
                       .arg(summary.written)
                       .arg(size(summary.sourceBytes), size(summary.resultBytes));
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

QString failures(const QList<EntryOutcome> &failures)
{
    QStringList lines;
    for (const EntryOutcome &failure : failures.mid(0, failuresListedInTooltip))
        lines.append(QStringLiteral("%1（%2）")
                         .arg(NativePath::displayPath(failure.source), failureReason(failure)));
    QString text = QStringLiteral("以下文件没有压缩成功：\n") + lines.join(u'\n');
    if (failures.size() > failuresListedInTooltip)
        text += QStringLiteral("\n……另有 %1 个").arg(failures.size() - failuresListedInTooltip);
    return text;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString status(RunState state, const RunSummary &summary)
{
    switch (state) {
    case RunState::Preparing:
        return QStringLiteral("准备文件...");
    case RunState::Compressing:
        return QStringLiteral("正在压缩...");
    case RunState::Finishing:
        return ending(summary);
    case RunState::Idle:
        break;
    }
    return QString();
}

QString ending(const RunSummary &summary)
{
    const QString ended = summary.stopped ? QStringLiteral("已停止.") : QStringLiteral("完成.");
    if (summary.failures.isEmpty())
        return ended;
    return ended + QStringLiteral(" %1 个文件失败").arg(summary.failures.size());
}

QString failureReason(const EntryOutcome &failure)
{
    switch (failure.failure) {
    case FailureKind::UnreadableSource:
        return QStringLiteral("无法读取原文件");
    case FailureKind::ConverterDidNotStart:
        return QStringLiteral("转换程序无法启动");
    case FailureKind::Damaged:
        return QStringLiteral("图片已损坏");
    case FailureKind::Unsupported:
        return QStringLiteral("不支持的图片格式");
    case FailureKind::TooLarge:
        return QStringLiteral("图片太大");
    case FailureKind::NotAnImage:
        return QStringLiteral("不是图片文件");
    case FailureKind::FolderInTheWay:
        return QStringLiteral("无法保存结果：该位置已有一个同名的文件夹");
    case FailureKind::ReadOnlyResult:
        return QStringLiteral("无法保存结果：原有的结果文件是只读的");
    case FailureKind::ResultNotSaved:
        return QStringLiteral("无法保存结果：%1").arg(failure.detail);
    case FailureKind::ConversionFailed:
    case FailureKind::None:
        break;
    }
    return QStringLiteral("转换失败");
}

QString size(qint64 bytes)
{
    constexpr double kilobyte = 1024.0;
    const double value = double(bytes);
    if (value < kilobyte * kilobyte)
        return QStringLiteral("%1 KB").arg(std::lround(value / kilobyte));
    if (value < kilobyte * kilobyte * kilobyte)
        return QStringLiteral("%1 MB").arg(value / (kilobyte * kilobyte), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(value / (kilobyte * kilobyte * kilobyte), 0, 'f', 1);
}

QString summary(const RunSummary &summary)
{
    QStringList parts;
    if (summary.written > 0)
        parts.append(savings(summary));
    if (!summary.failures.isEmpty())
        parts.append(failures(summary.failures));
    return parts.join(QStringLiteral("\n\n"));
}

QString folderNotOpened(const QString &folder)
{
    return QStringLiteral("无法打开输出文件夹：%1").arg(native(folder));
}

Message message(const RunMessage &message)
{
    const QString title = QStringLiteral("Tessaly");
    switch (message.kind) {
    case RunMessage::Kind::EmptyQueue:
        return {Message::Look::Plain, QStringLiteral("添加文件"),
                QStringLiteral("请先添加一个图片文件.")};
    case RunMessage::Kind::ConverterMissing:
        return {Message::Look::Critical, title,
                QStringLiteral("找不到图片转换程序：\n%1\n\n请安装 ImageMagick 后再试。"
                               "队列中的文件保持不变，没有压缩任何文件。")
                    .arg(native(message.subject))};
    case RunMessage::Kind::UnusableSize:
        return {Message::Look::Warning, title,
                QStringLiteral("无法识别尺寸“%1”。\n\n请从列表中选择，或输入像 "
                               "1024x768、800x、50% 这样的尺寸。")
                        .arg(message.subject) +
                    queueKept};
    case RunMessage::Kind::UnusableOutputFolder:
        return {Message::Look::Warning, title,
                QStringLiteral("无法在输出文件夹中保存图片：\n%1\n\n请另选一个输出文件夹后再试。")
                        .arg(native(message.subject)) +
                    queueKept};
    case RunMessage::Kind::ConverterDidNotStart:
        return {Message::Look::Critical, title, message.detail};
    case RunMessage::Kind::ScratchUnwritable: {
        const QString why = message.detail.isEmpty() ? QString() : message.detail + u'。';
        return {Message::Look::Critical, title,
                QStringLiteral("无法在临时文件夹中存放要压缩的图片：\n%1\n\n%2压缩已停止，"
                               "还没有压缩的文件保持在队列中。")
                    .arg(native(message.subject), why)};
    }
    }
    return {};
}

} // namespace RunTexts
