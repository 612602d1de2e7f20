#include "engine/ConverterCommand.h"
#include "engine/FileHelpers.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestFileHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("baseName");
        QTest::newRow("several dots")
            << u"/pics/trip.day1.jpg"_qs << u"trip.day1.jpg"_qs << u"trip"_qs;
        QTest::newRow("no dot") << u"/pics/photo"_qs << u"photo"_qs << u"photo"_qs;
        QTest::newRow("leading dot") << u"/pics/.hidden.png"_qs << u".hidden.png"_qs << QString();
        QTest::newRow("empty") << QString() << QString() << QString();
        QTest::newRow("no folder") << u"a.b.png"_qs << u"a.b.png"_qs << u"a"_qs;
        QTest::newRow("trailing separator") << u"/pics/"_qs << QString() << QString();
        QTest::newRow("chinese") << u"/相册/风景.照片.JPG"_qs << u"风景.照片.JPG"_qs << u"风景"_qs;
    }

    void names()
    {
        QFETCH(QString, path);
        QFETCH(QString, fileName);
        QFETCH(QString, baseName);
        QCOMPARE(FileHelpers::GetFileName(path), fileName);
        QCOMPARE(FileHelpers::GetBaseName(path), baseName);
    }

    void deleteFolderTreeRemovesEverything()
    {
        QTemporaryDir scratch;
        const QString root = scratch.filePath(QStringLiteral("jpgtmp"));
        QVERIFY(TestFiles::write(root + QStringLiteral("/tmp.dat"), "x"));
        QVERIFY(TestFiles::write(root + QStringLiteral("/.hidden"), "x"));
        QVERIFY(TestFiles::write(root + QStringLiteral("/a/b/c/deep.jpg"), "x"));
        QVERIFY(TestFiles::write(root + QStringLiteral("/ro/locked.jpg"), "x"));
        QFile::setPermissions(root + QStringLiteral("/ro/locked.jpg"), QFileDevice::ReadOwner);
        QFile::setPermissions(root + QStringLiteral("/ro"),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        FileHelpers::DeleteFolderTree(root + u'/');
        QVERIFY(!QFileInfo::exists(root));
    }

    void deleteFolderTreeNeverFollowsLinks()
    {
        QTemporaryDir scratch;
        const QString precious = scratch.filePath(QStringLiteral("photos/keep.jpg"));
        QVERIFY(TestFiles::write(precious, "precious"));
        const QString root = scratch.filePath(QStringLiteral("jpgtmp"));
        QVERIFY(QDir().mkpath(root));
        QVERIFY(QFile::link(scratch.filePath(QStringLiteral("photos")),
                            root + QStringLiteral("/linked-folder")));
        QVERIFY(QFile::link(precious, root + QStringLiteral("/linked-file")));
        FileHelpers::DeleteFolderTree(root + u'/');
        QVERIFY(!QFileInfo::exists(root));
        QCOMPARE(TestFiles::read(precious), QByteArray("precious"));
    }

    void deleteFolderTreeOfAMissingFolderDoesNothing()
    {
        QTemporaryDir scratch;
        FileHelpers::DeleteFolderTree(scratch.filePath(QStringLiteral("absent/")));
        QVERIFY(QFileInfo(scratch.path()).isDir());
    }

    void quotedPiecesStayOneArgument_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::newRow("plain") << u"640x480"_qs;
        QTest::newRow("blank") << u"/home/my photos/tmp.dat"_qs;
        QTest::newRow("option smuggling") << u"640x480 -write /tmp/x.png"_qs;
        QTest::newRow("quotes") << u"640x480\" -write \"x"_qs;
        QTest::newRow("dash and chinese") << u"-rf 相片 'a'.png"_qs;
        QTest::newRow("full-width blanks") << u"640x480\u3000-write\u3000/tmp/x.png"_qs;
        QTest::newRow("no-break space") << u"640x480\u00A0-write /tmp/x.png"_qs;
        QTest::newRow("carriage return") << u"640x480\r-write\v/tmp/x.png"_qs;
    }

    void quotedPiecesStayOneArgument()
    {
        QFETCH(QString, piece);
        const QString line = QStringLiteral("convert ") + ConverterCommand::quoted(piece) +
                             QStringLiteral(" -quality 75");
        QCOMPARE(QProcess::splitCommand(line),
                 QStringList({u"convert"_qs, piece, u"-quality"_qs, u"75"_qs}));
    }

    void everyGeometryFormIsTakenForASize()
    {
        for (const QString &resize :
             {QStringLiteral("50%"), QStringLiteral("x600"), QStringLiteral("640x"),
              QStringLiteral("800x600!"), QStringLiteral("1024x768>"), QStringLiteral("10000@"),
              QStringLiteral("150%x50%"), QStringLiteral("800x600^"), QStringLiteral(" 320x240 ")})
            QVERIFY2(ConverterCommand::isResizeGeometry(resize), qPrintable(resize));
    }

    void commandLineForOrdinaryInputIsExact()
    {
        ConverterCommand command;
        command.programFolder = QStringLiteral("/opt/tessaly");
        command.input = QStringLiteral("/c/jpgtmp/tmp.dat");
        command.output = QStringLiteral("/c/jpgtmp/tmp1.jpg");
        QCOMPARE(command.commandLine(),
                 u"/opt/tessaly/data/convert /c/jpgtmp/tmp.dat  -quality 75 /c/jpgtmp/tmp1.jpg"_qs);
        command.resizeText = QStringLiteral("640x480");
        command.quality = 82;
        QCOMPARE(command.commandLine(), u"/opt/tessaly/data/convert /c/jpgtmp/tmp.dat  -resize "
                                        u"640x480 -quality 82 /c/jpgtmp/tmp1.jpg"_qs);
        command.flattenOntoWhite = true;
        QCOMPARE(QProcess::splitCommand(command.commandLine()),
                 QStringList({u"/opt/tessaly/data/convert"_qs, u"/c/jpgtmp/tmp.dat"_qs,
                              u"-resize"_qs, u"640x480"_qs, u"-background"_qs, u"white"_qs,
                              u"-alpha"_qs, u"remove"_qs, u"-alpha"_qs, u"off"_qs, u"-quality"_qs,
                              u"82"_qs, u"/c/jpgtmp/tmp1.jpg"_qs}));
        // A program folder with blanks stays one program, not a program and its options.
        command.programFolder = QStringLiteral("/opt/my tools/图片 压缩");
        QCOMPARE(QProcess::splitCommand(command.commandLine()).first(),
                 u"/opt/my tools/图片 压缩/data/convert"_qs);
    }
};

QTEST_GUILESS_MAIN(TestFileHelpers)
#include "tst_filehelpers.moc"
