#include "platform/Desktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace Platform {

bool foldersOpenInTessaly()
{
#ifdef Q_OS_WIN
    return false;
#else
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return false;
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"),
                          QStringLiteral("inode/directory")});
    // The answer takes some tens of milliseconds; the window waits no longer than this.
    constexpr int queryTimeoutMs = 1000;
    if (!process.waitForFinished(queryTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    const QString answer = QString::fromLocal8Bit(process.readAllStandardOutput().trimmed());
    return !QGuiApplication::desktopFileName().isEmpty() &&
           answer == QGuiApplication::desktopFileName() + QStringLiteral(".desktop");
#endif
}

bool openInFileBrowser(const QString &folder)
{
    if (foldersOpenInTessaly())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool openWebPage(const QString &urlOrFile)
{
    const QUrl url =
        QFileInfo::exists(urlOrFile) ? QUrl::fromLocalFile(urlOrFile) : QUrl(urlOrFile);
    return QDesktopServices::openUrl(url);
}

} // namespace Platform
