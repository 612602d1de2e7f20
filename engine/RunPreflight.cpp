#include "engine/RunPreflight.h"

#include "engine/ConverterCommand.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace RunPreflight {

namespace {

RunMessage problem(RunMessage::Kind kind, const QString &subject)
{
    RunMessage message;
    message.kind = kind;
    message.subject = subject;
    return message;
}

bool canWriteInto(const QString &folder)
{
    QDir().mkdir(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.tessaly-XXXXXX"));
    return QFileInfo(folder).isDir() && probe.open();
}

} // namespace

std::optional<RunMessage> check(const RunOptions &options, const QString &programFolder)
{
    const QFileInfo converter(Platform::converterPath(programFolder));
    if (!converter.isFile() || !converter.isExecutable())
        return problem(RunMessage::Kind::ConverterMissing, converter.filePath());
    if (!options.keepSize && !ConverterCommand::isResizeGeometry(options.resizeText))
        return problem(RunMessage::Kind::UnusableSize, options.resizeText);
    if (options.intoOutputFolder && !canWriteInto(options.outputFolder))
        return problem(RunMessage::Kind::UnusableOutputFolder, options.outputFolder);
    return std::nullopt;
}

} // namespace RunPreflight
