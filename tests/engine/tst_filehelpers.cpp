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
        QTest::newRow("several dots") << QStringLiteral("/pics/trip.day1.jpg")
                                      << QStringLiteral("trip.day1.jpg") << QStringLiteral("trip");
        QTest::newRow("no dot") << QStringLiteral("/pics/photo") << QStringLiteral("photo")
                                << QStringLiteral("photo");
        QTest::newRow("leading dot")
            << QStringLiteral("/pics/.hidden.png") << QStringLiteral(".hidden.png") << QString();
        QTest::newRow("empty") << QString() << QString() << QString();
        QTest::newRow("no folder")
            << QStringLiteral("a.b.png") << QStringLiteral("a.b.png") << QStringLiteral("a");
        QTest::newRow("trailing separator") << QStringLiteral("/pics/") << QString() << QString();
        QTest::newRow("chinese") << QStringLiteral("/相册/风景.照片.JPG")
                                 << QStringLiteral("风景.照片.JPG") << QStringLiteral("风景");
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
        QTest::newRow("plain") << QStringLiteral("640x480");
        QTest::newRow("blank") << QStringLiteral("/home/my photos/tmp.dat");
        QTest::newRow("option smuggling") << QStringLiteral("640x480 -write /tmp/x.png");
        QTest::newRow("quotes") << QStringLiteral("640x480\" -write \"x");
        QTest::newRow("dash and chinese") << QStringLiteral("-rf 相片 'a'.png");
        QTest::newRow("full-width blanks") << QStringLiteral("640x480\u3000-write\u3000/tmp/x.png");
        QTest::newRow("no-break space") << QStringLiteral("640x480\u00A0-write /tmp/x.png");
        QTest::newRow("carriage return") << QStringLiteral("640x480\r-write\v/tmp/x.png");
    }

    void quotedPiecesStayOneArgument()
    {
        QFETCH(QString, piece);
        const QString line = QStringLiteral("convert ") + ConverterCommand::quoted(piece) +
                             QStringLiteral(" -quality 75");
        QCOMPARE(QProcess::splitCommand(line),
                 QStringList({QStringLiteral("convert"), piece, QStringLiteral("-quality"),
                              QStringLiteral("75")}));
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
#ifdef Q_OS_WIN
        const QString inProgramFolder = QStringLiteral("\\data\\convert.exe");
#else
        const QString inProgramFolder = QStringLiteral("/data/convert");
#endif
        const QString converter = QStringLiteral("/opt/tessaly") + inProgramFolder;
        ConverterCommand command;
        command.programFolder = QStringLiteral("/opt/tessaly");
        command.input = QStringLiteral("/c/jpgtmp/tmp.dat");
        command.output = QStringLiteral("/c/jpgtmp/tmp1.jpg");
        QCOMPARE(command.commandLine(),
                 converter + QStringLiteral(" /c/jpgtmp/tmp.dat  -quality 75 /c/jpgtmp/tmp1.jpg"));
        command.resizeText = QStringLiteral("640x480");
        command.quality = 82;
        QCOMPARE(command.commandLine(),
                 converter +
                     QStringLiteral(
                         " /c/jpgtmp/tmp.dat  -resize 640x480 -quality 82 /c/jpgtmp/tmp1.jpg"));
        command.flattenOntoWhite = true;
        QCOMPARE(QProcess::splitCommand(command.commandLine()),
                 QStringList(
                     {converter, QStringLiteral("/c/jpgtmp/tmp.dat"), QStringLiteral("-resize"),
                      QStringLiteral("640x480"), QStringLiteral("-background"),
                      QStringLiteral("white"), QStringLiteral("-alpha"), QStringLiteral("remove"),
                      QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-quality"),
                      QStringLiteral("82"), QStringLiteral("/c/jpgtmp/tmp1.jpg")}));
        // A program folder with blanks stays one program, not a program and its options.
        command.programFolder = QStringLiteral("/opt/my tools/图片 压缩");
        QCOMPARE(QProcess::splitCommand(command.commandLine()).first(),
                 QStringLiteral("/opt/my tools/图片 压缩") + inProgramFolder);
    }
};

QTEST_GUILESS_MAIN(TestFileHelpers)
#include "tst_filehelpers.moc"
