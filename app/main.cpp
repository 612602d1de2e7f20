#include "app/Artwork.h"
#include "app/frmPrinting.h"
#include "app/SingleInstance.h"
#include "platform/NativePath.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

namespace {

// Paths named on the command line, made absolute against the folder the user started us in.
// Read from the bytes the system passed, not Qt's decoded arguments: a name that is not UTF-8
// would not survive the decoding.
QStringList pathsToQueue(int argc, char *argv[])
{
    QStringList paths;
    for (const QString &argument : NativePath::commandLineArguments(argc, argv)) {
        std::error_code error;
        if (std::filesystem::exists(NativePath::toFileSystem(argument), error))
            paths.append(NativePath::absolutePath(argument));
    }
    return paths;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setApplicationVersion(QStringLiteral(TESSALY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tessaly"));
    // The window speaks Chinese whatever the locale, and so do the dialogs Qt draws for it.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    Q_INIT_RESOURCE(artwork);
    QApplication::setWindowIcon(Artwork::windowIcon());

    const QStringList arguments = QApplication::arguments().mid(1);
    const QStringList paths = pathsToQueue(argc, argv);

    // The lock that keeps Tessaly to one window lives in the scratch root on Linux.
    Platform::ensureScratchRoot();
    SingleInstance instance(Platform::instanceFolder());
    if (!instance.tryBecomePrimary()) {
        if (!paths.isEmpty())
            instance.sendToPrimary(paths);
        return 0;
    }
    instance.listen();

    frmPrinting window(arguments);
    QObject::connect(&instance, &SingleInstance::pathsReceived, &window, &frmPrinting::queuePaths);
    window.show();
    // Searched from the event loop, so that closing the window during a long search still ends
    // the program.
    QTimer::singleShot(0, &window, [&window, paths] { window.queuePaths(paths); });
    return QApplication::exec();
}
