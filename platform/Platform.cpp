#include "platform/Platform.h"

#include "platform/ConverterLocator.h"
#include "platform/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <filesystem>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Platform {

namespace {

QString environment(const char *name)
{
    return qEnvironmentVariable(name);
}

QString homeFolder()
{
    return QDir::homePath();
}

} // namespace

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString converterPath(const QString &programFolder)
{
#ifdef Q_OS_WIN
    return programFolder + QStringLiteral("\\data\\convert.exe");
#else
    return ConverterLocator::resolve(programFolder + QStringLiteral("/data/convert"));
#endif
}

QString heifDecoderPath(const QString &programFolder)
{
#ifdef Q_OS_WIN
    return programFolder + QStringLiteral("\\data\\heif-convert.exe");
#else
    return programFolder + QStringLiteral("/data/heif-convert");
#endif
}

QStringList converterFormats()
{
    static const QStringList formats =
        QStringLiteral(TESSALY_CONVERTER_FORMATS).split(u',', Qt::SkipEmptyParts);
    return formats;
}

QString converterPolicyFolder(const QString &programFolder)
{
    return QDir::toNativeSeparators(programFolder + QStringLiteral("/data"));
}

QString soundPath(const QString &programFolder)
{
    return QDir::toNativeSeparators(programFolder + QStringLiteral("/sound.wav"));
}

QString scratchRoot()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:");
#else
    QString cache = environment("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = homeFolder() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/tessaly");
#endif
}

void ensureScratchRoot()
{
#ifndef Q_OS_WIN
    const QString root = scratchRoot();
    QDir().mkpath(root);
    // Work copies of the user's photos pass through here; nobody else may read them.
    QFile::setPermissions(root,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
}

QString jpgTmpFolder()
{
    return scratchRoot() + nativeSeparator() + QStringLiteral("jpgtmp");
}

QString tmpQuenbyFolder()
{
    return scratchRoot() + nativeSeparator() + QStringLiteral("tmpquenby");
}

QString instanceFolder()
{
#ifdef Q_OS_WIN
    // The scratch root is the root of drive C:, where ordinary users may not create files.
    return QDir::tempPath();
#else
    return scratchRoot();
#endif
}

QString defaultOutputFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\压缩图片输出");
#else
    return homeFolder() + QStringLiteral("/压缩图片输出");
#endif
}

QString settingsPath()
{
    QString folder = environment("APPDATA");
#ifdef Q_OS_WIN
    if (folder.isEmpty())
        folder = homeFolder() + QStringLiteral("/AppData/Roaming");
    return QDir::toNativeSeparators(folder + QStringLiteral("/tessaly.ini"));
#else
    if (folder.isEmpty()) {
        folder = environment("XDG_CONFIG_HOME");
        if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
            folder = homeFolder() + QStringLiteral("/.config");
    }
    return folder + QStringLiteral("/tessaly.ini");
#endif
}

std::vector<FolderEntry> listFolder(const QString &folder)
{
    std::vector<FolderEntry> entries;
#ifdef Q_OS_WIN
    // The system's own calls, which take a long path in its extended form: the C++ library's
    // listing opens folders through a buffer of MAX_PATH characters and fails on deep ones. The
    // attributes come with each name, so no entry is looked at a second time.
    const std::wstring pattern = (NativePath::toFileSystem(folder) / L"*").native();
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                         FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const QString name = QString::fromWCharArray(found.cFileName);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            entries.push_back({name, found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY});
    } while (FindNextFileW(search, &found));
    FindClose(search);
#else
    std::error_code error;
    std::filesystem::directory_iterator it(NativePath::toFileSystem(folder), error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        // What the listing already says of the entry: no further look at the disk per entry.
        std::error_code kindError;
        const bool plain = !it->is_symlink(kindError) && it->is_directory(kindError) &&
                           !it->path().filename().native().starts_with('.');
        entries.push_back({NativePath::fromFileSystem(it->path().filename()), plain});
    }
#endif
    return entries;
}

bool isPathSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

QChar nativeSeparator()
{
    return QDir::separator();
}

} // namespace Platform
