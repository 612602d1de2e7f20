#include "platform/Platform.h"
#include "queue/FileSearch.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Unprivileged.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestFileSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void imageName_data();
    void imageName();
    void trimEntryName_data();
    void trimEntryName();
    void joinPath_data();
    void joinPath();
    void scanIsDepthFirstOwnImagesFirst();
    void scanQueuesAwkwardNamesExactly();
    void scanSearchesOnlyFirst200Subfolders();
    void scanGoesHundredLevelsDeep();
    void scanDoesNotFollowLinks();
    void scanSkipsHiddenFolders();
    void scanOfUnlistableFolderAddsNothing_data();
    void scanOfUnlistableFolderAddsNothing();
    void scanSkipsUnreadableSubfolder();
    void scanServesEventsBetweenEntries();
};

namespace {

const QByteArray tinyContent("not really an image");

bool touch(const QString &path)
{
    return TestFiles::write(path, tinyContent);
}

QStringList listed(const QListWidget &list)
{
    QStringList paths;
    for (int i = 0; i < list.count(); ++i)
        paths.append(list.item(i)->text());
    return paths;
}

// The folder given as the folder chooser gives it, with the system's separators; what is found
// is handed back with "/" like the paths the cases build.
QStringList scan(const QString &folder)
{
    QListWidget list;
    FileSearch::ScanFolder(TestFiles::native(folder), &list);
    QStringList found = listed(list);
    for (QString &path : found)
        path = QDir::fromNativeSeparators(path);
    return found;
}

// Every folder's images form one block in the result, the folder's own images at its start:
// the order a depth-first search that lists a folder's own images first must produce.
void verifyDepthFirst(const QStringList &found, const QString &root)
{
    QDir rootDir(root);
    QStringList folders{QString()};
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(rootDir.relativeFilePath(it.next()));

    for (const QString &folder : folders) {
        const QString prefix = folder.isEmpty() ? root + u'/' : root + u'/' + folder + u'/';
        QList<qsizetype> inTree;
        QList<qsizetype> own;
        for (qsizetype i = 0; i < found.size(); ++i) {
            if (!found.at(i).startsWith(prefix))
                continue;
            inTree.append(i);
            if (!found.at(i).mid(prefix.size()).contains(u'/'))
                own.append(i);
        }
        if (inTree.isEmpty())
            continue;
        QCOMPARE(inTree.last() - inTree.first() + 1, inTree.size());
        for (qsizetype k = 0; k < own.size(); ++k)
            QCOMPARE(own.at(k), inTree.first() + k);
    }
}

} // namespace

void TestFileSearch::imageName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("image");
    QTest::newRow("bmp") << QStringLiteral("a.bmp") << true;
    QTest::newRow("jpg") << QStringLiteral("a.jpg") << true;
    QTest::newRow("JPG") << QStringLiteral("a.JPG") << true;
    QTest::newRow("Jpg") << QStringLiteral("a.Jpg") << true;
    QTest::newRow("gif") << QStringLiteral("a.gif") << true;
    QTest::newRow("png") << QStringLiteral("a.PnG") << true;
    QTest::newRow("tif") << QStringLiteral("a.tif") << true;
    QTest::newRow("TIFF") << QStringLiteral("a.TIFF") << true;
    QTest::newRow("Jpeg") << QStringLiteral("a.Jpeg") << true;
    QTest::newRow("only extension") << QStringLiteral(".jpg") << true;
    QTest::newRow("chinese") << QStringLiteral("照片.jpeg") << true;
    QTest::newRow("jpe") << QStringLiteral("a.jpe") << false;
    QTest::newRow("jpgx") << QStringLiteral("a.jpgx") << false;
    // The newer photo formats, where this build's converter reads them.
    const QStringList reads = Platform::converterFormats();
    QTest::newRow("heic") << QStringLiteral("IMG_0001.HEIC")
                          << reads.contains(QStringLiteral("HEIC"));
    QTest::newRow("heif") << QStringLiteral("a.heif") << reads.contains(QStringLiteral("HEIC"));
    QTest::newRow("avif") << QStringLiteral("a.Avif") << reads.contains(QStringLiteral("AVIF"));
    QTest::newRow("webp") << QStringLiteral("a.webp") << reads.contains(QStringLiteral("WEBP"));
    QTest::newRow("heic as a word") << QStringLiteral("aheic") << false;
    QTest::newRow("webp backup") << QStringLiteral("a.webp.bak") << false;
    QTest::newRow("backup") << QStringLiteral("a.jpg.bak") << false;
    QTest::newRow("no dot") << QStringLiteral("ajpg") << false;
    QTest::newRow("bare extension") << QStringLiteral("jpg") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestFileSearch::imageName()
{
    QFETCH(QString, name);
    QFETCH(bool, image);
    QCOMPARE(FileSearch::isImageName(name), image);
}

void TestFileSearch::trimEntryName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("plain") << QStringLiteral("a.jpg") << QStringLiteral("a.jpg");
    QTest::newRow("blanks") << QStringLiteral("a.jpg   ") << QStringLiteral("a.jpg");
    QTest::newRow("nuls and blanks") << QStringLiteral("a.jpg\0 \0 ") << QStringLiteral("a.jpg");
    QTest::newRow("inner blank kept") << QStringLiteral("my a.jpg") << QStringLiteral("my a.jpg");
    QTest::newRow("leading blank kept") << QStringLiteral(" a") << QStringLiteral(" a");
    QTest::newRow("tab kept") << QStringLiteral("a\t") << QStringLiteral("a\t");
    QTest::newRow("only padding") << QStringLiteral("  \0\0 ") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestFileSearch::trimEntryName()
{
    QFETCH(QString, name);
    QFETCH(QString, trimmed);
    QCOMPARE(FileSearch::TrimEntryName(name), trimmed);
}

void TestFileSearch::joinPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("joined");
    const QString sep = QDir::separator();
    QTest::newRow("plain") << QStringLiteral("pics")
                           << QStringLiteral("pics") + sep + QStringLiteral("a.jpg");
    QTest::newRow("trailing separator")
        << QStringLiteral("pics") + sep << QStringLiteral("pics") + sep + QStringLiteral("a.jpg");
    QTest::newRow("root") << QDir::toNativeSeparators(QDir::rootPath())
                          << QDir::toNativeSeparators(QDir::rootPath()) + QStringLiteral("a.jpg");
}

void TestFileSearch::joinPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, joined);
    QCOMPARE(FileSearch::joinPath(folder, QStringLiteral("a.jpg")), joined);
}

void TestFileSearch::scanIsDepthFirstOwnImagesFirst()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const QStringList images{
        QStringLiteral("r1.jpg"),           QStringLiteral("r2.png"),
        QStringLiteral("a/a1.gif"),         QStringLiteral("a/x/ax1.bmp"),
        QStringLiteral("a/x/ax2.tif"),      QStringLiteral("a/y/ay1.jpeg"),
        QStringLiteral("a/a2.tiff"),        QStringLiteral("b/b1.jpg"),
        QStringLiteral("b/c/d/e/deep.jpg"), QStringLiteral("b/c/c1.png"),
        QStringLiteral("z/z1.jpg"),         QStringLiteral("z/zz/zz1.jpg"),
    };
    for (const QString &image : images)
        QVERIFY(touch(root + u'/' + image));
    for (const QString &other :
         {QStringLiteral("r.txt"), QStringLiteral("a/notes.doc"), QStringLiteral("b/c/readme")})
        QVERIFY(touch(root + u'/' + other));
    QVERIFY(QDir(root).mkpath(QStringLiteral("empty/emptier")));

    const QStringList found = scan(root);

    QStringList expected;
    for (const QString &image : images)
        expected.append(root + u'/' + image);
    QCOMPARE(QSet<QString>(found.cbegin(), found.cend()).size(), found.size());
    QStringList sortedFound = found;
    sortedFound.sort();
    expected.sort();
    QCOMPARE(sortedFound, expected);
    verifyDepthFirst(found, root);
}

void TestFileSearch::scanQueuesAwkwardNamesExactly()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QStringList queued{
        QStringLiteral("with blanks.jpg"),
        QStringLiteral("it's.png"),
        QStringLiteral("-leading dash.gif"),
        QStringLiteral("照片 一.JPG"),
        QStringLiteral("a.Jpeg"),
        QStringLiteral("b.TIFF"),
        QStringLiteral("c.tif"),
        QStringLiteral(".jpg"),
    };
#ifdef Q_OS_UNIX
    // Names Windows cannot hold. A name ending in blanks is an image by its trimmed name and
    // keeps its real name.
    queued << QStringLiteral("quote\"s.png") << QStringLiteral("padded.jpg  ");
#endif
    if (Platform::converterFormats().contains(QStringLiteral("WEBP")))
        queued << QStringLiteral("saved from the web.WebP");
    const QStringList skipped{QStringLiteral("a.jpg.bak"), QStringLiteral("a.jpe"),
                              QStringLiteral("a.webpx"), QStringLiteral("a.jpgx"),
                              QStringLiteral("jpg")};
    for (const QString &name : queued + skipped)
        QVERIFY(touch(root + u'/' + name));

    QStringList found = scan(root);

    QStringList expected;
    for (const QString &name : queued) {
        expected.append(root + u'/' + name);
        QVERIFY(QFileInfo::exists(expected.last()));
    }
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestFileSearch::scanSearchesOnlyFirst200Subfolders()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    for (int i = 0; i < 250; ++i)
        QVERIFY(touch(root + QStringLiteral("/sub%1/img.jpg").arg(i)));
    QVERIFY(touch(root + QStringLiteral("/own.jpg")));

    const QStringList found = scan(root);

    const QStringList subfolders =
        QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    QCOMPARE(subfolders.size(), 250);
    QStringList expected{root + QStringLiteral("/own.jpg")};
    for (const QString &subfolder : subfolders.mid(0, 200))
        expected.append(root + u'/' + subfolder + QStringLiteral("/img.jpg"));
    QCOMPARE(found, expected);
}

void TestFileSearch::scanGoesHundredLevelsDeep()
{
    QTemporaryDir dir;
    QString folder = dir.path();
    QStringList expected;
    for (int level = 0; level <= 100; ++level) {
        QVERIFY(touch(folder + QStringLiteral("/level%1.png").arg(level)));
        expected.append(folder + QStringLiteral("/level%1.png").arg(level));
        folder += QStringLiteral("/d%1").arg(level);
    }
    QCOMPARE(scan(dir.path()), expected);
}

void TestFileSearch::scanDoesNotFollowLinks()
{
#ifndef Q_OS_UNIX
    QSKIP("Qt makes shortcut files, not links, on Windows");
#endif
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(touch(root + QStringLiteral("/a/inside.jpg")));
    QVERIFY(touch(root + QStringLiteral("/top.jpg")));
    // A link back to the parent, one named like an image, and a link to an image file.
    QVERIFY(QFile::link(root, root + QStringLiteral("/a/up")));
    QVERIFY(QFile::link(root + QStringLiteral("/a"), root + QStringLiteral("/a/loop.jpg")));
    QVERIFY(QFile::link(root + QStringLiteral("/top.jpg"), root + QStringLiteral("/a/alias.png")));
    QVERIFY(QFile::link(root + QStringLiteral("/missing"), root + QStringLiteral("/a/broken.gif")));

    QStringList found = scan(root);

    QStringList expected{root + QStringLiteral("/top.jpg"), root + QStringLiteral("/a/inside.jpg"),
                         root + QStringLiteral("/a/loop.jpg"),
                         root + QStringLiteral("/a/alias.png"),
                         root + QStringLiteral("/a/broken.gif")};
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestFileSearch::scanSkipsHiddenFolders()
{
#ifndef Q_OS_UNIX
    QSKIP("a folder is hidden by its attribute on Windows, not by its name");
#endif
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(touch(root + QStringLiteral("/.hidden/secret.jpg")));
    QVERIFY(touch(root + QStringLiteral("/.album.jpg/inner.jpg")));
    QVERIFY(touch(root + QStringLiteral("/album.png/visible.jpg")));
    QVERIFY(touch(root + QStringLiteral("/.dotfile.png")));

    QStringList found = scan(root);

    // A hidden folder is never entered; named like an image it counts as a file.
    QStringList expected{root + QStringLiteral("/.album.jpg"),
                         root + QStringLiteral("/album.png/visible.jpg"),
                         root + QStringLiteral("/.dotfile.png")};
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestFileSearch::scanOfUnlistableFolderAddsNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("file") << QStringLiteral("file");
    QTest::newRow("empty path") << QStringLiteral("empty");
    QTest::newRow("no permission") << QStringLiteral("unreadable");
}

void TestFileSearch::scanOfUnlistableFolderAddsNothing()
{
    QFETCH(QString, kind);
    if (kind == QStringLiteral("unreadable")) {
#ifndef Q_OS_UNIX
        QSKIP("Qt's permissions on Windows set only the read-only attribute");
#endif
        TESSALY_RUN_UNPRIVILEGED();
    }
    QTemporaryDir dir;
    QString folder = dir.path() + QStringLiteral("/target");
    const QString workingFolder = QDir::currentPath();
    const auto restore = qScopeGuard([&] {
        QDir::setCurrent(workingFolder);
        QFile::setPermissions(dir.path() + QStringLiteral("/target"), QFileDevice::ReadOwner |
                                                                          QFileDevice::WriteOwner |
                                                                          QFileDevice::ExeOwner);
    });
    if (kind == QStringLiteral("file")) {
        QVERIFY(touch(folder));
    } else if (kind == QStringLiteral("empty")) {
        // The working folder holds images, and an empty path must not mean it.
        QVERIFY(touch(dir.path() + QStringLiteral("/here.jpg")));
        QVERIFY(QDir::setCurrent(dir.path()));
        folder.clear();
    } else if (kind == QStringLiteral("unreadable")) {
        QVERIFY(touch(folder + QStringLiteral("/a.jpg")));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions()));
        if (!QDir(folder).entryList(QDir::Files).isEmpty())
            QSKIP("permissions do not stop this user from listing folders");
    }

    QListWidget list;
    list.addItem(QStringLiteral("/earlier.jpg"));
    FileSearch::ScanFolder(folder, &list);
    QCOMPARE(listed(list), QStringList{QStringLiteral("/earlier.jpg")});
}

void TestFileSearch::scanSkipsUnreadableSubfolder()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(touch(root + QStringLiteral("/a/one.jpg")));
    QVERIFY(touch(root + QStringLiteral("/b/two.jpg")));
    // Not a folder the scan can list, whoever runs it: its path is taken by a dangling link.
    QVERIFY(QFile::link(root + QStringLiteral("/gone"), root + QStringLiteral("/c")));

    QStringList found = scan(root);
    found.sort();
    QCOMPARE(found, (QStringList{root + QStringLiteral("/a/one.jpg"),
                                 root + QStringLiteral("/b/two.jpg")}));
}

void TestFileSearch::scanServesEventsBetweenEntries()
{
    QTemporaryDir dir;
    for (int i = 0; i < 5; ++i)
        QVERIFY(touch(dir.path() + QStringLiteral("/img%1.jpg").arg(i)));
    QListWidget list;
    QList<int> foundWhenServed;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, &list,
                     [&] { foundWhenServed.append(int(list.count())); });
    ticker.start();

    FileSearch::ScanFolder(dir.path(), &list);

    QCOMPARE(list.count(), 5);
    // Served in the middle: after the first two entries, not after the first alone (the
    // window may also be served while the folder is listed, before any entry).
    QVERIFY2(foundWhenServed.contains(2), qPrintable(QString::number(foundWhenServed.size())));
    QVERIFY(!foundWhenServed.contains(1));
}

QTEST_MAIN(TestFileSearch)
#include "tst_filesearch.moc"
