#include "engine/ResultWriter.h"

#include "engine/FileHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/NativePath.h"
#include "platform/Platform.h"

#include <filesystem>
#include <system_error>

namespace ResultWriter {

namespace {

const QString resultSuffix = QStringLiteral("_已压缩.jpg");

bool isReadOnly(std::filesystem::perms permissions)
{
    // The mode bits, not access(): the owner marked the file read-only even when we could write.
    using std::filesystem::perms;
    return (permissions & (perms::owner_write | perms::group_write | perms::others_write)) ==
           perms::none;
}

Placed notSaved(FailureKind failure, const QString &detail = {})
{
    return {failure, detail};
}

} // namespace

QString outputPathFor(const QString &entry, const RunOptions &options)
{
    if (!options.intoOutputFolder) {
        const QString folder = entry.chopped(FileHelpers::GetFileName(entry).size());
        return folder + FileHelpers::GetBaseName(entry) + resultSuffix;
    }
    return options.outputFolder + Platform::nativeSeparator() + FileHelpers::GetBaseName(entry) +
           resultSuffix;
}

Placed place(const QString &result, const QString &outputPath)
{
    const std::filesystem::path target = NativePath::toFileSystem(outputPath);
    std::error_code error;
    const std::filesystem::file_status existing = std::filesystem::symlink_status(target, error);
    if (std::filesystem::is_directory(existing) || std::filesystem::is_other(existing))
        return notSaved(FailureKind::FolderInTheWay);
    if (std::filesystem::is_regular_file(existing) && isReadOnly(existing.permissions()))
        return notSaved(FailureKind::ReadOnlyResult);
    // Renaming replaces an old result in one step and copies nothing.
    std::filesystem::rename(NativePath::toFileSystem(result), target, error);
    if (!error)
        return {};
    if (error != std::errc::cross_device_link)
        return notSaved(FailureKind::ResultNotSaved,
                        AtomicFile::describeError(error.default_error_condition().value()));
    // On another file system the old result still stays whole until the new one is written.
    QString why;
    if (AtomicFile::replaceWithCopyOf(outputPath, result, &why))
        return {};
    return notSaved(FailureKind::ResultNotSaved, why);
}

} // namespace ResultWriter
