#include "platform/NativePath.h"
#include "platform/Platform.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray desktopEntry(const QByteArray &name)
{
    return "[Desktop Entry]\nType=Application\nName=" + name +
           "\nExec=true %F\nMimeType=inode/directory;\n";
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plainFolders_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("plain");
        QTest::newRow("folder") << QStringLiteral("photos") << true;
        QTest::newRow("chinese name with a blank") << QStringLiteral("相册 2026") << true;
        QTest::newRow("hidden folder") << QStringLiteral(".thumbnails") << false;
        QTest::newRow("link to a folder") << QStringLiteral("link") << false;
        QTest::newRow("file") << QStringLiteral("a.jpg") << false;
        QTest::newRow("missing") << QStringLiteral("gone") << false;
    }

    void plainFolders()
    {
        QFETCH(QString, entry);
        QFETCH(bool, plain);
        QTemporaryDir root;
        for (const QString &folder :
             {QStringLiteral("photos"), QStringLiteral("相册 2026"), QStringLiteral(".thumbnails")})
            QVERIFY(QDir(root.path()).mkdir(folder));
        QVERIFY(QFile::link(root.filePath(QStringLiteral("photos")),
                            root.filePath(QStringLiteral("link"))));
        QVERIFY(TestFiles::write(root.filePath(QStringLiteral("a.jpg")), "x"));
        const std::filesystem::directory_entry listed(
            NativePath::toFileSystem(root.filePath(entry)));
        QCOMPARE(Platform::isPlainFolder(listed), plain);
    }

    void folderDefaultIsRecognised_data()
    {
        QTest::addColumn<QByteArray>("mimeapps");
        QTest::addColumn<bool>("tessaly");
        QTest::newRow("the only program for folders") << QByteArray() << true;
        QTest::newRow("chosen for folders")
            << QByteArray("[Default Applications]\ninode/directory=tessaly.desktop\n") << true;
        QTest::newRow("a file manager chosen")
            << QByteArray("[Default Applications]\ninode/directory=files.desktop\n") << false;
    }

    void folderDefaultIsRecognised()
    {
        QFETCH(QByteArray, mimeapps);
        QFETCH(bool, tessaly);
        QGuiApplication::setDesktopFileName(QStringLiteral("tessaly")); // as the program names it
        // A desktop of its own, so that nothing installed on this machine takes part.
        QTemporaryDir desktop;
        const QString config = desktop.filePath(QStringLiteral("config"));
        const QString data = desktop.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(desktop.filePath(QStringLiteral("none"))));
        QVERIFY(TestFiles::write(data + QStringLiteral("/applications/tessaly.desktop"),
                                 desktopEntry("Tessaly")));
        QVERIFY(TestFiles::write(data + QStringLiteral("/applications/files.desktop"),
                                 desktopEntry("Files")));
        QVERIFY(QDir().mkpath(config));
        if (!mimeapps.isEmpty())
            QVERIFY(TestFiles::write(config + QStringLiteral("/mimeapps.list"), mimeapps));
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        qputenv("XDG_DATA_HOME", data.toUtf8());
        qputenv("XDG_CONFIG_DIRS", desktop.filePath(QStringLiteral("none")).toUtf8());
        qputenv("XDG_DATA_DIRS", desktop.filePath(QStringLiteral("none")).toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        if (mimeapps.isEmpty()) // only Tessaly offers folders
            QVERIFY(QFile::remove(data + QStringLiteral("/applications/files.desktop")));

        QCOMPARE(Platform::foldersOpenInTessaly(), tessaly);
        if (tessaly)
            QVERIFY(!Platform::openInFileBrowser(desktop.path()));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
