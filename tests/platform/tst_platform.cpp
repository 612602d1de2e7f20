#include "platform/Desktop.h"
#include "platform/FolderBrowser.h"
#include "platform/NativePath.h"
#include "platform/Platform.h"
#include "platform/SoundPlayer.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

QByteArray desktopEntry(const QByteArray &name)
{
    return "[Desktop Entry]\nType=Application\nName=" + name +
           "\nExec=true %F\nMimeType=inode/directory;\n";
}

// A silent mono WAV of the given length: 8000 samples of one byte per second.
QByteArray silentWav(int milliseconds)
{
    const auto little32 = [](quint32 value) {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    };
    const QByteArray samples(8 * milliseconds, char(128));
    return "RIFF" + little32(36 + quint32(samples.size())) + "WAVEfmt " + little32(16) +
           QByteArray("\x01\x00\x01\x00", 4) + little32(8000) + little32(8000) +
           QByteArray("\x01\x00\x08\x00", 4) + "data" + little32(quint32(samples.size())) + samples;
}

// Sets or unsets environment variables for one test case, and puts them back afterwards.
class Environment
{
public:
    ~Environment()
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            if (it.value())
                qputenv(it.key().constData(), *it.value());
            else
                qunsetenv(it.key().constData());
        }
    }

    void set(const QByteArray &name, const QByteArray &value)
    {
        save(name);
        qputenv(name.constData(), value);
    }

    void unset(const QByteArray &name)
    {
        save(name);
        qunsetenv(name.constData());
    }

private:
    void save(const QByteArray &name)
    {
        if (!m_saved.contains(name))
            m_saved.insert(name, qEnvironmentVariableIsSet(name.constData())
                                     ? std::optional<QByteArray>(qgetenv(name.constData()))
                                     : std::nullopt);
    }

    QHash<QByteArray, std::optional<QByteArray>> m_saved;
};

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scratchPathsCreateNothing()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps the scratch folders at c:\\ and checks no owner-only mode");
#endif
        QTemporaryDir cache;
        Environment environment;
        environment.set("XDG_CACHE_HOME", cache.path().toUtf8());
        const QString expected = cache.filePath(QStringLiteral("tessaly"));
        QCOMPARE(Platform::scratchRoot(), expected);
        QCOMPARE(Platform::jpgTmpFolder(), expected + QStringLiteral("/jpgtmp"));
        QCOMPARE(Platform::tmpQuenbyFolder(), expected + QStringLiteral("/tmpquenby"));
        QCOMPARE(Platform::instanceFolder(), expected);
        QCOMPARE(
            QDir(cache.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList());
    }

    void ensureScratchRootIsOwnersOnly_data()
    {
        QTest::addColumn<bool>("existedOpen");
        QTest::newRow("made by us") << false;
        QTest::newRow("left open by someone") << true;
    }

    void ensureScratchRootIsOwnersOnly()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps the scratch folders at c:\\ and checks no owner-only mode");
#endif
        // Work copies of the user's photos pass through the scratch root.
        QFETCH(bool, existedOpen);
        QTemporaryDir cache;
        Environment environment;
        environment.set("XDG_CACHE_HOME", cache.path().toUtf8());
        const QString expected = cache.filePath(QStringLiteral("tessaly"));
        if (existedOpen) {
            QVERIFY(QDir().mkpath(expected));
            QVERIFY(QFile::setPermissions(expected, QFileDevice::Permissions(0x7777)));
        }
        Platform::ensureScratchRoot();
        QVERIFY(QFileInfo(expected).isDir());
        QCOMPARE(QFileInfo(expected).permissions() & QFileDevice::Permissions(0x7077),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void scratchRootFallsBackToTheHomeCache()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps the scratch folders at c:\\ and checks no owner-only mode");
#endif
        QTemporaryDir home;
        Environment environment;
        environment.set("HOME", home.path().toUtf8());
        environment.set("XDG_CACHE_HOME", "relative/cache");
        QCOMPARE(Platform::scratchRoot(), home.filePath(QStringLiteral(".cache/tessaly")));
    }

    void settingsPath_data()
    {
        QTest::addColumn<QByteArray>("appData");
        QTest::addColumn<QByteArray>("configHome");
        QTest::addColumn<QString>("expected"); // below the test's home
        QTest::newRow("config home")
            << QByteArray() << QByteArray("/cfg") << QStringLiteral("/cfg/tessaly.ini");
        QTest::newRow("APPDATA first") << QByteArray("/roaming") << QByteArray("/cfg")
                                       << QStringLiteral("/roaming/tessaly.ini");
        QTest::newRow("no config home")
            << QByteArray() << QByteArray() << QStringLiteral("~/.config/tessaly.ini");
        QTest::newRow("relative config home")
            << QByteArray() << QByteArray("cfg") << QStringLiteral("~/.config/tessaly.ini");
    }

    void settingsPath()
    {
        QFETCH(QByteArray, appData);
        QFETCH(QByteArray, configHome);
        QFETCH(QString, expected);
        Environment environment;
        environment.set("HOME", "/home/someone");
        if (appData.isEmpty())
            environment.unset("APPDATA");
        else
            environment.set("APPDATA", appData);
        if (configHome.isEmpty())
            environment.unset("XDG_CONFIG_HOME");
        else
            environment.set("XDG_CONFIG_HOME", configHome);
#ifdef Q_OS_WIN
        // There the user's profile, not HOME, decides where settings go without APPDATA.
        if (appData.isEmpty())
            QSKIP("no APPDATA: the profile folder Windows gives decides");
#endif
        QCOMPARE(Platform::settingsPath(), TestFiles::native(QString(expected).replace(
                                               u'~', QStringLiteral("/home/someone"))));
    }

    void endSoundIsLetGoNoLaterThanItLasts()
    {
        // Without an audio device (as here) the sound never reports its end; a player kept for
        // anything but the sound's length would stay behind for good.
        QTemporaryDir folder;
        const QString wav = folder.filePath(QStringLiteral("chime.wav"));
        QVERIFY(TestFiles::write(wav, silentWav(300)));
        QCOMPARE(SoundPlayer::durationMs(wav), 300);
#ifdef Q_OS_WIN
        // There the system plays it and keeps nothing of ours.
        SoundPlayer::play(wav);
#else
        const auto players = [] {
            return qApp->findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly).size();
        };
        const qsizetype before = players();
        SoundPlayer::play(wav);
        QCOMPARE(players(), before + 1);
        QTRY_COMPARE_WITH_TIMEOUT(players(), before, 10000);
#endif
    }

    void folderChooserAnswerIsCleaned_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trailing separator")
            << QStringLiteral("/srv/photos/") << QStringLiteral("/srv/photos");
        QTest::newRow("doubled and dotted")
            << QStringLiteral("/srv//photos/./2026/../相册") << QStringLiteral("/srv/photos/相册");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("cancel") << QStringLiteral("") << QStringLiteral("");
    }

    void folderChooserAnswerIsCleaned()
    {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        FolderBrowser browser;
        browser.setPicker([&answer](QWidget *, const QString &) { return answer; });
        QCOMPARE(browser.browse(nullptr, FolderBrowser::folderPrompt()),
                 TestFiles::native(expected));
    }

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
        const std::vector<Platform::FolderEntry> listing = Platform::listFolder(root.path());
        QCOMPARE(listing.size(), 5u);
        const auto listed = std::find_if(listing.begin(), listing.end(),
                                         [&](const auto &found) { return found.name == entry; });
        QCOMPARE(listed != listing.end() && listed->plainFolder, plain);
    }

    // Windows lets the C++ library reach no path longer than 260 characters unless it is written
    // in its extended form; a tree that deep is still listed to its last folder.
    void foldersDeeperThanPlainPathsAreListed()
    {
        QTemporaryDir root;
        QString folder = root.path();
        while (folder.size() < 400)
            folder += QStringLiteral("/相册文件夹-%1").arg(folder.size());
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/深处.jpg"), "x"));
        QVERIFY(QDir().mkdir(folder + QStringLiteral("/inner")));

        const std::vector<Platform::FolderEntry> listing = Platform::listFolder(folder);
        QCOMPARE(listing.size(), 2u);
        for (const Platform::FolderEntry &entry : listing)
            QCOMPARE(entry.plainFolder, entry.name == QStringLiteral("inner"));
        const QString parent = folder.left(folder.lastIndexOf(u'/'));
        QCOMPARE(Platform::listFolder(parent).size(), 1u);
        QVERIFY(Platform::listFolder(parent).front().plainFolder);
    }

    // A long path goes to the system in another form on Windows, and comes back as the user
    // knows it.
    void longPathsComeBackAsGiven_data()
    {
        QTest::addColumn<QString>("root");
        QTest::newRow("on a drive") << QDir::tempPath();
        QTest::newRow("on a network share") << QStringLiteral("//server/共享的照片");
    }

    void longPathsComeBackAsGiven()
    {
        QFETCH(QString, root);
        QString path = root;
        while (path.size() < 300)
            path += QStringLiteral("/相册文件夹-%1").arg(path.size());
        path += QStringLiteral("/深处.jpg");
        QCOMPARE(NativePath::fromFileSystem(NativePath::toFileSystem(path)),
                 TestFiles::native(path));
        QCOMPARE(NativePath::fromFileSystem(NativePath::toFileSystem(path).filename()),
                 QStringLiteral("深处.jpg"));
    }

    void aFolderThatCannotBeListedHasNoEntries()
    {
        QTemporaryDir root;
        QVERIFY(Platform::listFolder(root.filePath(QStringLiteral("gone"))).empty());
        QVERIFY(TestFiles::write(root.filePath(QStringLiteral("a.jpg")), "x"));
        QVERIFY(Platform::listFolder(root.filePath(QStringLiteral("a.jpg"))).empty());
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
#ifdef Q_OS_WIN
        QSKIP("folders are opened through the desktop's MIME defaults on Linux only");
#endif
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
