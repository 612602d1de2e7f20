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

using namespace Qt::StringLiterals;

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

QStringList scan(const QString &folder)
{
    QListWidget list;
    FileSearch::ScanFolder(folder, &list);
    return listed(list);
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
    QTest::newRow("webp") << QStringLiteral("a.webp") << false;
    QTest::newRow("backup") << QStringLiteral("a.jpg.bak") << false;
    QTest::newRow("no dot") << QStringLiteral("ajpg") << false;
    QTest::newRow("bare extension") << QStringLiteral("jpg") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestFileSearch::imageName()
{
    QFETCH(QString, name);
    QFETCH(bool, image);
    QCOMPARE(FileSearch::IsImageName(name), image);
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
    QTest::newRow("plain") << QStringLiteral("pics") << QStringLiteral("pics") + sep + u"a.jpg"_s;
    QTest::newRow("trailing separator")
        << QStringLiteral("pics") + sep << QStringLiteral("pics") + sep + u"a.jpg"_s;
    QTest::newRow("root") << QDir::toNativeSeparators(QDir::rootPath())
                          << QDir::toNativeSeparators(QDir::rootPath()) + u"a.jpg"_s;
}

void TestFileSearch::joinPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, joined);
    QCOMPARE(FileSearch::JoinPath(folder, QStringLiteral("a.jpg")), joined);
}

void TestFileSearch::scanIsDepthFirstOwnImagesFirst()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const QStringList images{
        u"r1.jpg"_s,           u"r2.png"_s,       u"a/a1.gif"_s,  u"a/x/ax1.bmp"_s,
        u"a/x/ax2.tif"_s,      u"a/y/ay1.jpeg"_s, u"a/a2.tiff"_s, u"b/b1.jpg"_s,
        u"b/c/d/e/deep.jpg"_s, u"b/c/c1.png"_s,   u"z/z1.jpg"_s,  u"z/zz/zz1.jpg"_s,
    };
    for (const QString &image : images)
        QVERIFY(touch(root + u'/' + image));
    for (const QString &other : {u"r.txt"_s, u"a/notes.doc"_s, u"b/c/readme"_s})
        QVERIFY(touch(root + u'/' + other));
    QVERIFY(QDir(root).mkpath(u"empty/emptier"_s));

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
    const QStringList queued{
        u"with blanks.jpg"_s,
        u"quote\"s'.png"_s,
        u"-leading dash.gif"_s,
        u"照片 一.JPG"_s,
        u"a.Jpeg"_s,
        u"b.TIFF"_s,
        u"c.tif"_s,
        u".jpg"_s,
        // A name ending in blanks is an image by its trimmed name and keeps its real name.
        u"padded.jpg  "_s,
    };
    const QStringList skipped{u"a.jpg.bak"_s, u"a.jpe"_s, u"a.webp"_s, u"a.jpgx"_s, u"jpg"_s};
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
        QVERIFY(touch(root + u"/sub%1/img.jpg"_s.arg(i)));
    QVERIFY(touch(root + u"/own.jpg"_s));

    const QStringList found = scan(root);

    const QStringList subfolders =
        QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    QCOMPARE(subfolders.size(), 250);
    QStringList expected{root + u"/own.jpg"_s};
    for (const QString &subfolder : subfolders.mid(0, 200))
        expected.append(root + u'/' + subfolder + u"/img.jpg"_s);
    QCOMPARE(found, expected);
}

void TestFileSearch::scanGoesHundredLevelsDeep()
{
    QTemporaryDir dir;
    QString folder = dir.path();
    QStringList expected;
    for (int level = 0; level <= 100; ++level) {
        QVERIFY(touch(folder + u"/level%1.png"_s.arg(level)));
        expected.append(folder + u"/level%1.png"_s.arg(level));
        folder += u"/d%1"_s.arg(level);
    }
    QCOMPARE(scan(dir.path()), expected);
}

void TestFileSearch::scanDoesNotFollowLinks()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(touch(root + u"/a/inside.jpg"_s));
    QVERIFY(touch(root + u"/top.jpg"_s));
    // A link back to the parent, one named like an image, and a link to an image file.
    QVERIFY(QFile::link(root, root + u"/a/up"_s));
    QVERIFY(QFile::link(root + u"/a"_s, root + u"/a/loop.jpg"_s));
    QVERIFY(QFile::link(root + u"/top.jpg"_s, root + u"/a/alias.png"_s));
    QVERIFY(QFile::link(root + u"/missing"_s, root + u"/a/broken.gif"_s));

    QStringList found = scan(root);

    QStringList expected{root + u"/top.jpg"_s, root + u"/a/inside.jpg"_s, root + u"/a/loop.jpg"_s,
                         root + u"/a/alias.png"_s, root + u"/a/broken.gif"_s};
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestFileSearch::scanSkipsHiddenFolders()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(touch(root + u"/.hidden/secret.jpg"_s));
    QVERIFY(touch(root + u"/.album.jpg/inner.jpg"_s));
    QVERIFY(touch(root + u"/album.png/visible.jpg"_s));
    QVERIFY(touch(root + u"/.dotfile.png"_s));

    QStringList found = scan(root);

    // A hidden folder is never entered; named like an image it counts as a file.
    QStringList expected{root + u"/.album.jpg"_s, root + u"/album.png/visible.jpg"_s,
                         root + u"/.dotfile.png"_s};
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestFileSearch::scanOfUnlistableFolderAddsNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << u"missing"_s;
    QTest::newRow("file") << u"file"_s;
    QTest::newRow("empty path") << u"empty"_s;
    QTest::newRow("no permission") << u"unreadable"_s;
}

void TestFileSearch::scanOfUnlistableFolderAddsNothing()
{
    QFETCH(QString, kind);
    if (kind == u"unreadable")
        TESSALY_RUN_UNPRIVILEGED();
    QTemporaryDir dir;
    QString folder = dir.path() + u"/target"_s;
    const QString workingFolder = QDir::currentPath();
    const auto restore = qScopeGuard([&] {
        QDir::setCurrent(workingFolder);
        QFile::setPermissions(dir.path() + u"/target"_s, QFileDevice::ReadOwner |
                                                             QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner);
    });
    if (kind == u"file") {
        QVERIFY(touch(folder));
    } else if (kind == u"empty") {
        // The working folder holds images, and an empty path must not mean it.
        QVERIFY(touch(dir.path() + u"/here.jpg"_s));
        QVERIFY(QDir::setCurrent(dir.path()));
        folder.clear();
    } else if (kind == u"unreadable") {
        QVERIFY(touch(folder + u"/a.jpg"_s));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions()));
        if (!QDir(folder).entryList(QDir::Files).isEmpty())
            QSKIP("permissions do not stop this user from listing folders");
    }

    QListWidget list;
    list.addItem(u"/earlier.jpg"_s);
    FileSearch::ScanFolder(folder, &list);
    QCOMPARE(listed(list), QStringList{u"/earlier.jpg"_s});
}

void TestFileSearch::scanSkipsUnreadableSubfolder()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(touch(root + u"/a/one.jpg"_s));
    QVERIFY(touch(root + u"/b/two.jpg"_s));
    // Not a folder the scan can list, whoever runs it: its path is taken by a dangling link.
    QVERIFY(QFile::link(root + u"/gone"_s, root + u"/c"_s));

    QStringList found = scan(root);
    found.sort();
    QCOMPARE(found, (QStringList{root + u"/a/one.jpg"_s, root + u"/b/two.jpg"_s}));
}

void TestFileSearch::scanServesEventsBetweenEntries()
{
    QTemporaryDir dir;
    for (int i = 0; i < 5; ++i)
        QVERIFY(touch(dir.path() + u"/img%1.jpg"_s.arg(i)));
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
