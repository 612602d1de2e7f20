#include "platform/AtomicFile.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullDiskKeepsTheOldFileWhole_data()
    {
        QTest::addColumn<bool>("fromCopy");
        QTest::newRow("bytes") << false;
        QTest::newRow("copy of a file") << true;
    }

    void fullDiskKeepsTheOldFileWhole()
    {
        QFETCH(bool, fromCopy);
        SmallFileSystem disk(64);
        if (!disk.isMounted())
            QSKIP("mounting a small file system needs root");
        const QString target = disk.filePath(QStringLiteral("tessaly.ini"));
        const QByteArray old("C:\\out\r\n75\r\n不变\r\n 3500 \r\n默认推荐压缩率\r\n 0 \r\n");
        QVERIFY(TestFiles::write(target, old));
        QVERIFY(disk.fill());

        QTemporaryDir elsewhere;
        const QByteArray replacement(16 * 1024, 'n');
        const QString source = elsewhere.filePath(QStringLiteral("new"));
        QVERIFY(TestFiles::write(source, replacement));
        QString reason;
        const bool replaced = fromCopy ? AtomicFile::replaceWithCopyOf(target, source, &reason)
                                       : AtomicFile::replace(target, replacement, &reason);
        QVERIFY(!replaced);
        QCOMPARE(reason, QStringLiteral("磁盘空间不足"));
        QCOMPARE(TestFiles::read(target), old);
        QCOMPARE(entriesOf(disk.path()),
                 (QStringList{QStringLiteral(".filler"), QStringLiteral("tessaly.ini")}));

        // Once there is room the same call goes through.
        disk.makeRoom();
        QVERIFY(fromCopy ? AtomicFile::replaceWithCopyOf(target, source, &reason)
                         : AtomicFile::replace(target, replacement, &reason));
        QCOMPARE(TestFiles::read(target), replacement);
    }

    void plantedLinkIsReplacedNotFollowed()
    {
        QTemporaryDir output;
        QTemporaryDir outside;
        const QString victim = outside.filePath(QStringLiteral("precious.txt"));
        QVERIFY(TestFiles::write(victim, "the user's own file"));
        const QString target = output.filePath(QStringLiteral("t1_已压缩.jpg"));
        QVERIFY(QFile::link(victim, target));

        QString reason;
        QVERIFY(AtomicFile::replace(target, "JPEG", &reason));
        QCOMPARE(TestFiles::read(victim), QByteArray("the user's own file"));
        QVERIFY(!QFileInfo(target).isSymLink());
        QCOMPARE(TestFiles::read(target), QByteArray("JPEG"));
    }

    void replacedFileKeepsItsPermissions()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("kept.ini"));
        QVERIFY(TestFiles::write(target, "old"));
        const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(target, mode));
        QString reason;
        QVERIFY(AtomicFile::replace(target, "new", &reason));
        const auto modeBits =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(target) & modeBits, mode);
    }

    void folderInTheWayIsAReason()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("taken"));
        QVERIFY(QDir().mkdir(target));
        QString reason;
        QVERIFY(!AtomicFile::replace(target, "x", &reason));
        QCOMPARE(reason, QStringLiteral("该位置已有一个同名的文件夹"));
        QVERIFY(QFileInfo(target).isDir());
    }

    void onlyTheUsersOwnLinksAreFollowed()
    {
        QTemporaryDir folder;
        const QString kept = folder.filePath(QStringLiteral("dotfiles/tessaly.ini"));
        QVERIFY(TestFiles::write(kept, "mine"));
        const QString link = folder.filePath(QStringLiteral("tessaly.ini"));
        QVERIFY(QFile::link(kept, link));
        QCOMPARE(AtomicFile::ownLinkTarget(link), QFileInfo(kept).canonicalFilePath());

        // A link someone else planted is not the user's set-up.
        QVERIFY(::lchown(QFile::encodeName(link).constData(), 65534, 65534) == 0 ||
                ::geteuid() != 0);
        if (::geteuid() == 0)
            QCOMPARE(AtomicFile::ownLinkTarget(link), link);
        const QString plain = folder.filePath(QStringLiteral("plain.ini"));
        QCOMPARE(AtomicFile::ownLinkTarget(plain), plain);
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
