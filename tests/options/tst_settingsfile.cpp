#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SettingsFile.h"
#include "options/SliderThumb.h"
#include "platform/Platform.h"
#include "tests/options/OptionsPanel.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// A panel as start-up leaves it just before the settings file is read.
struct LoadingPanel : OptionsPanel {
    LoadingPanel() { options->setOptionsLoading(true); }
    // Loaded from a settings file, as start-up does.
    explicit LoadingPanel(const QString &settingsPath)
        : LoadingPanel()
    {
        SettingsFile::LoadSettings(*options, settingsPath);
    }
};

QByteArray sixLines(const QByteArray &folder, const QByteArray &quality, const QByteArray &resize,
                    const QByteArray &thumb, const QByteArray &caption, const QByteArray &choice)
{
    return folder + "\r\n" + quality + "\r\n" + resize + "\r\n" + thumb + "\r\n" + caption +
           "\r\n" + choice + "\r\n";
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstSaveWritesDefaults();
    void everyLineRoundTrips();
    void thumbIsStoredInDesignUnits();

    void badValuesFallBack_data();
    void badValuesFallBack();
    void shortFilesKeepDefaultsForMissingLines_data();
    void shortFilesKeepDefaultsForMissingLines();
    void lineEndingsAndByteOrderMark_data();
    void lineEndingsAndByteOrderMark();
    void byteOrderMarkMeansUtf8WhateverTheCodePage_data();
    void byteOrderMarkMeansUtf8WhateverTheCodePage();
    void savedInTheCodePageOnlyWhenItHoldsEveryCharacter_data();
    void savedInTheCodePageOnlyWhenItHoldsEveryCharacter();
    void customChoiceShowsStoredFolderWithoutChooser();
    void unusableFilesLeaveDefaults();
    void garbageIsSurvivedAndRepairedByTheNextSave();

    void folderWithLineBreakKeepsTheOtherLinesInPlace();
    void saveCreatesMissingFolder();
    void saveFailuresAreReported_data();
    void saveFailuresAreReported();
    void readOnlyFolderKeepsOldFile();
    void fullDiskKeepsOldFileWhole();
    void linksAreFollowedOnlyWhenTheUserMadeThem();

private:
    QTemporaryDir m_dir;
};

void TestSettingsFile::firstSaveWritesDefaults()
{
    LoadingPanel panel;
    const QString path = m_dir.filePath(QStringLiteral("first/tessaly.ini"));
    SettingsFile::LoadSettings(*panel.options, path); // no file yet

    QString message;
    QVERIFY(SettingsFile::SaveSettings(*panel.options, path, &message));
    QVERIFY(message.isEmpty());
    QCOMPARE(TestFiles::read(path), sixLines(Platform::defaultOutputFolder().toUtf8(), "75", "不变",
                                             " 3510 ", "默认推荐压缩率", " 0 "));
}

void TestSettingsFile::everyLineRoundTrips()
{
    OptionsPanel saved;
    CompressionOptions &options = *saved.options;
    // Commas and leading quotes survive: lines are read whole.
    const QString folder = m_dir.filePath(QStringLiteral("输出, 照片 \"旧\""));
    saved.nextFolder = folder;
    options.lblCF_Click();
    options.setQuality(42);
    options.setResizeText(QStringLiteral("\"50%\", sharp"));
    options.setThumbLeft(2847.5f);
    options.setQualityCaptionText(QStringLiteral("42% - 中等"));
    const QString path = m_dir.filePath(QStringLiteral("roundtrip.ini"));
    QVERIFY(SettingsFile::SaveSettings(options, path, nullptr));
    QCOMPARE(TestFiles::read(path),
             sixLines(folder.toUtf8(), "42", "\"50%\", sharp", " 2847.5 ", "42% - 中等", " 1 "));

    LoadingPanel loaded;
    SettingsFile::LoadSettings(*loaded.options, path);
    loaded.options->setOptionsLoading(false);
    const CompressionOptions &restored = *loaded.options;
    QCOMPARE(restored.OutputFolder(), folder);
    QCOMPARE(restored.Quality(), 42);
    QCOMPARE(restored.resizeText(), QStringLiteral("\"50%\", sharp"));
    QCOMPARE(restored.thumbLeft(), 2848.0f); // halves to even
    QCOMPARE(restored.qualityCaptionText(), QStringLiteral("42% - 中等"));
    QCOMPARE(restored.outputChoice(), 1);
    QCOMPARE(restored.lblCF()->text(), folder.left(10) + QStringLiteral(".."));
    QCOMPARE(restored.lblCF()->toolTip(), folder);
    QCOMPARE(loaded.chooserCalls(), 0);
}

void TestSettingsFile::thumbIsStoredInDesignUnits()
{
    OptionsPanel saved;
    saved.options->scaleForScreen(12, 12);
    saved.options->setThumbLeft(2809); // one twip right of the design place, at 12
    const QString path = m_dir.filePath(QStringLiteral("scaled.ini"));
    QVERIFY(SettingsFile::SaveSettings(*saved.options, path, nullptr));
    QCOMPARE(TestFiles::read(path).split('\n').value(3), " 3511.25 \r");

    // Read before the next start-up rescales, then rescaled with the rest of the layout: the
    // thumb comes back where it was, not rescaled twice.
    LoadingPanel loaded;
    SettingsFile::LoadSettings(*loaded.options, path);
    QCOMPARE(loaded.options->thumbLeft(), 3511.0f);
    loaded.options->scaleForScreen(12, 12);
    QCOMPARE(loaded.options->thumbLeft(), 2808.8f);
    QCOMPARE(loaded.options->imgSlider()->x(), saved.options->imgSlider()->x());
}

void TestSettingsFile::badValuesFallBack_data()
{
    const float designPlace = CompressionOptions::designThumbLeft;
    QTest::addColumn<QByteArray>("quality");
    QTest::addColumn<QByteArray>("thumb");
    QTest::addColumn<QByteArray>("choice");
    QTest::addColumn<int>("expectedQuality");
    QTest::addColumn<float>("expectedThumb");
    QTest::addColumn<int>("expectedChoice");

    QTest::newRow("plain") << QByteArray("80") << QByteArray(" 3600 ") << QByteArray(" 0 ") << 80
                           << 3600.0f << 0;
    QTest::newRow("no range test on quality")
        << QByteArray("500") << QByteArray(" 3500.5 ") << QByteArray(" 1 ") << 500 << 3500.0f << 1;
    QTest::newRow("negative quality, thumb halves to even")
        << QByteArray("-3") << QByteArray(" 3501.5 ") << QByteArray("7") << -3 << 3502.0f << 1;
    QTest::newRow("quality floored")
        << QByteArray("75.9") << QByteArray("-3500 ") << QByteArray("x") << 75 << -3500.0f << 0;
    QTest::newRow("floored towards minus")
        << QByteArray("-0.5") << QByteArray("2000") << QByteArray("-1") << -1 << 2000.0f << 1;
    QTest::newRow("too large") << QByteArray("99999") << QByteArray("1e30") << QByteArray("1.5")
                               << 75 << designPlace << 1;
    QTest::newRow("not numbers") << QByteArray("abc") << QByteArray("NaN") << QByteArray("0.5")
                                 << 75 << designPlace << 0;
    QTest::newRow("just past 16 bits") << QByteArray("32768") << QByteArray("-32769")
                                       << QByteArray("40000") << 75 << designPlace << 0;
    QTest::newRow("empty values") << QByteArray() << QByteArray() << QByteArray() << 75
                                  << designPlace << 0;
    QTest::newRow("infinity") << QByteArray("inf") << QByteArray("-inf") << QByteArray("0") << 75
                              << designPlace << 0;
}

void TestSettingsFile::badValuesFallBack()
{
    QFETCH(QByteArray, quality);
    QFETCH(QByteArray, thumb);
    QFETCH(QByteArray, choice);
    QFETCH(int, expectedQuality);
    QFETCH(float, expectedThumb);
    QFETCH(int, expectedChoice);

    const QString path = m_dir.filePath(QStringLiteral("bad.ini"));
    QVERIFY(TestFiles::write(path, sixLines("/srv/out", quality, "50%", thumb, "随便", choice)));

    LoadingPanel panel(path);
    const CompressionOptions &options = *panel.options;
    QCOMPARE(options.Quality(), expectedQuality);
    QCOMPARE(options.thumbLeft(), expectedThumb);
    QCOMPARE(options.outputChoice(), expectedChoice);
    QCOMPARE(options.lblCF()->text(),
             expectedChoice ? QStringLiteral("/srv/out..") : QStringLiteral("图片原始路径"));
    // The text lines are taken as they stand, whatever the numbers did.
    QCOMPARE(options.OutputFolder(), QStringLiteral("/srv/out"));
    QCOMPARE(options.resizeText(), QStringLiteral("50%"));
    QCOMPARE(options.qualityCaptionText(), QStringLiteral("随便"));
    QCOMPARE(panel.chooserCalls(), 0);
}

void TestSettingsFile::shortFilesKeepDefaultsForMissingLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QString>("resize");

    const QString home = Platform::defaultOutputFolder();
    QTest::newRow("empty") << QByteArray() << home << 75 << QStringLiteral("不变");
    QTest::newRow("one line") << QByteArray("/srv/out\r\n") << QStringLiteral("/srv/out") << 75
                              << QStringLiteral("不变");
    QTest::newRow("one line, no line end")
        << QByteArray("/srv/out") << QStringLiteral("/srv/out") << 75 << QStringLiteral("不变");
    QTest::newRow("two lines") << QByteArray("/srv/out\r\n60\r\n") << QStringLiteral("/srv/out")
                               << 60 << QStringLiteral("不变");
    QTest::newRow("empty folder line")
        << QByteArray("\r\n60\r\n800x600\r\n") << home << 60 << QStringLiteral("800x600");
    QTest::newRow("relative folder line")
        << QByteArray("out\r\n60\r\n") << home << 60 << QStringLiteral("不变");
}

void TestSettingsFile::shortFilesKeepDefaultsForMissingLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, folder);
    QFETCH(int, quality);
    QFETCH(QString, resize);

    const QString path = m_dir.filePath(QStringLiteral("short.ini"));
    QVERIFY(TestFiles::write(path, content));
    LoadingPanel panel(path);

    const CompressionOptions &options = *panel.options;
    QCOMPARE(options.OutputFolder(), folder);
    QCOMPARE(options.Quality(), quality);
    QCOMPARE(options.resizeText(), resize);
    QCOMPARE(options.thumbLeft(), CompressionOptions::designThumbLeft);
    QCOMPARE(options.qualityCaptionText(), QStringLiteral("默认推荐压缩率"));
    QCOMPARE(options.outputChoice(), 0);
    QCOMPARE(options.lblCF()->text(), QStringLiteral("图片原始路径"));
}

void TestSettingsFile::lineEndingsAndByteOrderMark_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray lines = sixLines("/srv/相片", "61", "800x600", " 3300 ", "61% - 较好", " 1 ");
    QTest::newRow("CR LF") << lines;
    QTest::newRow("LF") << QByteArray(lines).replace("\r\n", "\n");
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF") + lines;
    QTest::newRow("twenty lines") << lines + QByteArray("extra\r\n").repeated(14);
}

void TestSettingsFile::lineEndingsAndByteOrderMark()
{
    QFETCH(QByteArray, content);
    const QString path = m_dir.filePath(QStringLiteral("endings.ini"));
    QVERIFY(TestFiles::write(path, content));
    LoadingPanel panel(path);

    const CompressionOptions &options = *panel.options;
    QCOMPARE(options.OutputFolder(), QStringLiteral("/srv/相片"));
    QCOMPARE(options.Quality(), 61);
    QCOMPARE(options.resizeText(), QStringLiteral("800x600"));
    QCOMPARE(options.thumbLeft(), 3300.0f);
    QCOMPARE(options.qualityCaptionText(), QStringLiteral("61% - 较好"));
    QCOMPARE(options.outputChoice(), 1);
}

void TestSettingsFile::byteOrderMarkMeansUtf8WhateverTheCodePage_data()
{
    QTest::addColumn<bool>("mark");
    QTest::newRow("with mark") << true;
    QTest::newRow("without mark") << false;
}

void TestSettingsFile::byteOrderMarkMeansUtf8WhateverTheCodePage()
{
    // On Windows the system's code page is rarely UTF-8; an editor that saved the file as
    // UTF-8 marked it so. Latin-1 stands in for such a code page here.
    QFETCH(bool, mark);
    const QByteArray lines = sixLines("/srv/相片", "61", "800x600", " 3300 ", "61% - 较好", " 1 ");
    const QString path = m_dir.filePath(QStringLiteral("marked.ini"));
    QVERIFY(TestFiles::write(path, mark ? QByteArray("\xEF\xBB\xBF") + lines : lines));
    LoadingPanel panel;
    SettingsFile::LoadSettings(*panel.options, path, QStringConverter::Latin1);

    const CompressionOptions &options = *panel.options;
    const auto asCodePage = [mark](const char *utf8) {
        return mark ? QString::fromUtf8(utf8) : QString::fromLatin1(utf8);
    };
    QCOMPARE(options.OutputFolder(), asCodePage("/srv/相片"));
    QCOMPARE(options.qualityCaptionText(), asCodePage("61% - 较好"));
    QCOMPARE(options.Quality(), 61);
    QCOMPARE(options.outputChoice(), 1);
}

void TestSettingsFile::savedInTheCodePageOnlyWhenItHoldsEveryCharacter_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("inCodePage");
    QTest::newRow("all of it Latin")
        << QStringLiteral("/srv/Fotos für Oma") << QStringLiteral("61%") << true;
    QTest::newRow("a Chinese folder")
        << QStringLiteral("/srv/相片") << QStringLiteral("61%") << false;
    QTest::newRow("the default caption")
        << QStringLiteral("/srv/Fotos") << QStringLiteral("默认推荐压缩率") << false;
}

void TestSettingsFile::savedInTheCodePageOnlyWhenItHoldsEveryCharacter()
{
    // A Western Windows has no Chinese in its code page; Latin-1 stands in for it here. What it
    // cannot hold comes back whole all the same, and what it holds is written as it always was.
    QFETCH(QString, folder);
    QFETCH(QString, caption);
    QFETCH(bool, inCodePage);
    OptionsPanel saved;
    saved.nextFolder = folder;
    saved.options->lblCF_Click();
    saved.options->setQualityCaptionText(caption);
    saved.options->setResizeText(QStringLiteral("800x600")); // the default is Chinese
    const QString path = m_dir.filePath(QStringLiteral("western.ini"));
    QVERIFY(SettingsFile::SaveSettings(*saved.options, path, nullptr, QStringConverter::Latin1));

    const QByteArray bytes = TestFiles::read(path);
    QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), !inCodePage);
    if (inCodePage)
        QVERIFY(bytes.startsWith(folder.toLatin1() + "\r\n"));
    LoadingPanel loaded;
    SettingsFile::LoadSettings(*loaded.options, path, QStringConverter::Latin1);
    QCOMPARE(loaded.options->OutputFolder(), folder);
    QCOMPARE(loaded.options->qualityCaptionText(), caption);
    QCOMPARE(loaded.options->outputChoice(), 1);
}

void TestSettingsFile::customChoiceShowsStoredFolderWithoutChooser()
{
    const QString folder = QStringLiteral("/mnt/") + QString(10000, u'长');
    const QString path = m_dir.filePath(QStringLiteral("long.ini"));
    QVERIFY(TestFiles::write(
        path, sixLines(folder.toUtf8(), "75", "不变", " 3510 ", "默认推荐压缩率", " 1 ")));

    // Even when nothing is loading any more, restoring never asks for a folder.
    OptionsPanel panel;
    SettingsFile::LoadSettings(*panel.options, path);

    QCOMPARE(panel.chooserCalls(), 0);
    QCOMPARE(panel.options->OutputFolder(), folder);
    QCOMPARE(panel.options->outputChoice(), 1);
    QCOMPARE(panel.options->lblCF()->text(), QStringLiteral("/mnt/长长长长长.."));
    QCOMPARE(panel.options->lblCF()->toolTip(), folder);
}

void TestSettingsFile::unusableFilesLeaveDefaults()
{
    TESSALY_RUN_UNPRIVILEGED();
    const QString missing = m_dir.filePath(QStringLiteral("missing.ini"));
    const QString directory = m_dir.filePath(QStringLiteral("directory.ini"));
    QVERIFY(QDir().mkpath(directory));
    const QString unreadable = m_dir.filePath(QStringLiteral("unreadable.ini"));
    QVERIFY(TestFiles::write(unreadable, sixLines("/srv/x", "10", "1x1", "1", "c", "1")));
    QVERIFY(QFile::setPermissions(unreadable, QFileDevice::Permissions()));
    const bool canStillRead = QFile(unreadable).open(QIODevice::ReadOnly);

    for (const QString &path : {missing, directory, unreadable}) {
        if (path == unreadable && canStillRead)
            continue; // permissions do not bind this user
        LoadingPanel panel(path);
        QCOMPARE(panel.options->OutputFolder(), Platform::defaultOutputFolder());
        QCOMPARE(panel.options->Quality(), 75);
        QCOMPARE(panel.options->resizeText(), QStringLiteral("不变"));
        QCOMPARE(panel.options->outputChoice(), 0);
    }
    QFile::setPermissions(unreadable, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (canStillRead)
        QSKIP("file permissions do not apply to this user; the unreadable file was not tried");
}

void TestSettingsFile::garbageIsSurvivedAndRepairedByTheNextSave()
{
    QByteArray garbage(8192, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    for (char &byte : garbage)
        byte = static_cast<char>(random.bounded(256));
    const QString path = m_dir.filePath(QStringLiteral("garbage.ini"));
    QVERIFY(TestFiles::write(path, garbage));

    LoadingPanel panel(path);
    QCOMPARE(panel.chooserCalls(), 0);

    QVERIFY(SettingsFile::SaveSettings(*panel.options, path, nullptr));
    const QByteArray written = TestFiles::read(path);
    QCOMPARE(written.count("\r\n"), 6);
    QVERIFY(written.endsWith("\r\n"));

    // The repaired file is stable: read and written again, it stays the same bytes.
    LoadingPanel again;
    SettingsFile::LoadSettings(*again.options, path);
    const QString copy = m_dir.filePath(QStringLiteral("garbage-again.ini"));
    QVERIFY(SettingsFile::SaveSettings(*again.options, copy, nullptr));
    QCOMPARE(TestFiles::read(copy), written);
}

void TestSettingsFile::folderWithLineBreakKeepsTheOtherLinesInPlace()
{
    OptionsPanel panel;
    panel.options->setOutputFolder(m_dir.filePath(QStringLiteral("two\nlines")));
    panel.options->setQuality(33);
    const QString path = m_dir.filePath(QStringLiteral("linebreak.ini"));
    QVERIFY(SettingsFile::SaveSettings(*panel.options, path, nullptr));

    const QList<QByteArray> lines = TestFiles::read(path).split('\n');
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.at(0), Platform::defaultOutputFolder().toUtf8() + '\r');
    QCOMPARE(lines.at(1), "33\r");
}

void TestSettingsFile::saveCreatesMissingFolder()
{
    OptionsPanel panel;
    const QString path = m_dir.filePath(QStringLiteral("new/config/tessaly.ini"));
    QVERIFY(SettingsFile::SaveSettings(*panel.options, path, nullptr));
    QCOMPARE(TestFiles::read(path).count("\r\n"), 6);
}

void TestSettingsFile::saveFailuresAreReported_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("keptFile");
    QTest::addColumn<QString>("reason");

    const QString directory = m_dir.filePath(QStringLiteral("dir-at-path/tessaly.ini"));
    QVERIFY(TestFiles::write(directory + QStringLiteral("/inside.txt"), "keep me"));
    QTest::newRow("a directory at the settings path")
        << directory << directory + QStringLiteral("/inside.txt")
        << QStringLiteral("该位置已有一个同名的文件夹");

    const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
    QVERIFY(TestFiles::write(blocker, "keep me"));
    QTest::newRow("a file where the folder should be")
        << blocker + QStringLiteral("/tessaly.ini") << blocker
        << QStringLiteral("所在的文件夹不存在");
}

void TestSettingsFile::saveFailuresAreReported()
{
    QFETCH(QString, path);
    QFETCH(QString, keptFile);
    QFETCH(QString, reason);

    OptionsPanel panel;
    QString message;
    QVERIFY(!SettingsFile::SaveSettings(*panel.options, path, &message));
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
    QVERIFY2(message.startsWith(QStringLiteral("无法保存设置文件")), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QCOMPARE(TestFiles::read(keptFile), "keep me");
}

void TestSettingsFile::readOnlyFolderKeepsOldFile()
{
    TESSALY_RUN_UNPRIVILEGED();
    const QString folder = m_dir.filePath(QStringLiteral("readonly"));
    const QString path = folder + QStringLiteral("/tessaly.ini");
    const QByteArray old = sixLines("/old", "50", "不变", " 3000 ", "50% - 中等", " 0 ");
    QVERIFY(TestFiles::write(path, old));
    QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const auto restore = qScopeGuard([&folder] {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    });
    if (QFile probe(folder + QStringLiteral("/probe")); probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        QSKIP("folder permissions do not apply to this user");
    }

    OptionsPanel panel;
    panel.options->setQuality(90);
    QString message;
    QVERIFY(!SettingsFile::SaveSettings(*panel.options, path, &message));
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
    QCOMPARE(TestFiles::read(path), old);
}

void TestSettingsFile::fullDiskKeepsOldFileWhole()
{
    SmallFileSystem disk(64);
    if (!disk.isMounted())
        QSKIP("mounting a small file system needs root");
    const QString path = disk.filePath(QStringLiteral("tessaly.ini"));
    const QByteArray old = sixLines("/old", "50", "不变", " 3000 ", "50% - 中等", " 0 ");
    QVERIFY(TestFiles::write(path, old));
    QVERIFY(disk.fill());

    OptionsPanel panel;
    panel.options->setQuality(90);
    QString message;
    QVERIFY(!SettingsFile::SaveSettings(*panel.options, path, &message));
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("磁盘空间不足")), qPrintable(message));
    QCOMPARE(TestFiles::read(path), old);
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral(".filler"), QStringLiteral("tessaly.ini")}));
}

void TestSettingsFile::linksAreFollowedOnlyWhenTheUserMadeThem()
{
    const QString folder = m_dir.filePath(QStringLiteral("linked"));
    const QString kept = folder + QStringLiteral("/dotfiles/tessaly.ini");
    const QString path = folder + QStringLiteral("/tessaly.ini");
    QVERIFY(TestFiles::write(kept, "old"));
    QVERIFY(QFile::link(kept, path));
    OptionsPanel panel;
    panel.options->setQuality(42);
    QVERIFY(SettingsFile::SaveSettings(*panel.options, path, nullptr));
    QVERIFY(QFileInfo(path).isSymLink());
    QCOMPARE(TestFiles::read(kept).split('\r').value(1), "\n42");

    if (::geteuid() != 0)
        QSKIP("handing a link to another user needs root");
    const QString planted = m_dir.filePath(QStringLiteral("planted"));
    const QString victim = planted + QStringLiteral("/elsewhere.txt");
    QVERIFY(TestFiles::write(victim, "not a settings file"));
    const QString plantedPath = planted + QStringLiteral("/tessaly.ini");
    QVERIFY(QFile::link(victim, plantedPath));
    QCOMPARE(::lchown(QFile::encodeName(plantedPath).constData(), 65534, 65534), 0);
    QVERIFY(SettingsFile::SaveSettings(*panel.options, plantedPath, nullptr));
    QCOMPARE(TestFiles::read(victim), "not a settings file");
    QVERIFY(!QFileInfo(plantedPath).isSymLink());
    QCOMPARE(TestFiles::read(plantedPath).count("\r\n"), 6);
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
