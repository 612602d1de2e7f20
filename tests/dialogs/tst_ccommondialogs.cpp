#include "dialogs/CCommonDialogs.h"
#include "dialogs/DialogConversions.h"
#include "platform/Platform.h"
#include "tests/dialogs/FakeDialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum Operation { Open, Save, Folder, Color, Font, Printer, PrinterProperties };

bool show(CCommonDialogs &dialogs, int operation)
{
    switch (operation) {
    case Open:
        return dialogs.ShowOpen();
    case Save:
        return dialogs.ShowSave();
    case Folder:
        return dialogs.ShowFolder();
    case Color:
        return dialogs.ShowColor(true);
    case Font:
        return dialogs.ShowFont();
    case Printer:
        return dialogs.ShowPrinter();
    default:
        return dialogs.ShowPrinterProperties();
    }
}

void addOperationRows()
{
    QTest::addColumn<int>("operation");
    QTest::newRow("ShowOpen") << int(Open);
    QTest::newRow("ShowSave") << int(Save);
    QTest::newRow("ShowFolder") << int(Folder);
    QTest::newRow("ShowColor") << int(Color);
    QTest::newRow("ShowFont") << int(Font);
    QTest::newRow("ShowPrinter") << int(Printer);
    QTest::newRow("ShowPrinterProperties") << int(PrinterProperties);
}

QStringList properties(const CCommonDialogs &d)
{
    return {d.Filename(),
            d.Path(),
            d.FileTitle(),
            d.Title(),
            d.Filter(),
            d.DefExt(),
            d.FontName(),
            QString::number(d.Color()),
            QString::number(d.FontSize()),
            QString::number(d.FontBold()),
            QString::number(d.FontItalic()),
            QString::number(d.FontUnderline())};
}

// Every property away from its initial value; Path is an existing folder with its trailing
// separator, which ShowSave keeps as its starting folder.
void fillAll(CCommonDialogs &d)
{
    d.setFilename(QStringLiteral("proposed.jpg"));
    d.setPath(QDir::tempPath() + u'/');
    d.setFileTitle(QStringLiteral("earlier.jpg"));
    d.setTitle(QStringLiteral("打开文件"));
    d.setFilter(QStringLiteral("PNG图片(*.png)|*.png"));
    d.setDefExt(QStringLiteral("png"));
    d.setFontName(QStringLiteral("Serif"));
    d.setColor(0x00123456);
    d.setFontSize(14);
    d.setFontBold(true);
    d.setFontItalic(true);
    d.setFontUnderline(true);
}

void answerEverything(FakeDialogs &fake)
{
    fake.fileAnswer = QStringLiteral("/srv/photos/a.jpg");
    fake.folderAnswer = QStringLiteral("/srv/photos");
    fake.colorAnswer = QColor(1, 2, 3);
    fake.fontAnswer = QFont(QStringLiteral("Sans"), 30);
    fake.printerAnswer = true;
}

struct Rig {
    QWidget owner;
    CCommonDialogs dialogs;
    FakeDialogs *fake = nullptr;

    Rig()
    {
        auto provider = std::make_unique<FakeDialogs>();
        fake = provider.get();
        dialogs.setDialogProvider(std::move(provider));
        dialogs.Init(&owner);
    }
};

const QString addFileFilter =
    QStringLiteral("所有文件(All Files, *.*)|*.*|JPG图片文件(*.jpg)|*.jpg|BMP文件(*.bmp)|"
                   "*.bmp|GIF文件(*.gif)|*.gif|PNG图片(*.png)|*.png");

QString withNul(const QString &head, const QString &tail)
{
    return head + QChar(u'\0') + tail;
}

} // namespace

class TestCCommonDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void nameFilters_data();
    void nameFilters();
    void readRule_data();
    void readRule();
    void openAsksWithTheProperties();
    void openStartsWhereTheLastFileWasChosen();
    void openConfirmedSplitsThePath_data();
    void openConfirmedSplitsThePath();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void noOwnerShowsNothing_data();
    void noOwnerShowsNothing();
    void saveSettlesItsFolderFirst_data();
    void saveSettlesItsFolderFirst();
    void saveConfirmed();
    void folderConfirmed_data();
    void folderConfirmed();
    void colorKeepsColorRefOrder_data();
    void colorKeepsColorRefOrder();
    void fontMapping_data();
    void fontMapping();
    void printersReportTheAnswer();

private:
    QTemporaryDir m_temp;
};

void TestCCommonDialogs::initTestCase()
{
    QVERIFY(m_temp.isValid());
    QVERIFY(QDir(m_temp.path()).mkpath(QStringLiteral("sub")));
    QVERIFY(QDir(m_temp.path()).mkpath(QStringLiteral(".hidden")));
    QFile file(m_temp.filePath(QStringLiteral("file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestCCommonDialogs::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("add-file list, order kept, *.* is every file")
        << addFileFilter
        << QStringList{QStringLiteral("所有文件(All Files, *.*) (*)"),
                       QStringLiteral("JPG图片文件(*.jpg) (*.jpg)"),
                       QStringLiteral("BMP文件(*.bmp) (*.bmp)"),
                       QStringLiteral("GIF文件(*.gif) (*.gif)"),
                       QStringLiteral("PNG图片(*.png) (*.png)")};
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("several patterns") << QStringLiteral("Images|*.jpg;*.png; *.*")
                                      << QStringList{QStringLiteral("Images (*.jpg *.png *)")};
    QTest::newRow("description without pattern")
        << QStringLiteral("A|*.a|B") << QStringList{QStringLiteral("A (*.a)")};
    QTest::newRow("empty item ends the list")
        << QStringLiteral("A|*.a||*.b|C|*.c") << QStringList{QStringLiteral("A (*.a)")};
}

void TestCCommonDialogs::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(DialogConversions::nameFilters(filter), expected);
}

void TestCCommonDialogs::readRule_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<bool>("cut");
    for (const char *name : {"Title", "Path", "FileTitle", "Filename"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    for (const char *name : {"Filter", "DefExt", "FontName"})
        QTest::newRow(name) << QString::fromLatin1(name) << false;
}

void TestCCommonDialogs::readRule()
{
    QFETCH(QString, property);
    QFETCH(bool, cut);
    using Setter = void (CCommonDialogs::*)(const QString &);
    using Getter = QString (CCommonDialogs::*)() const;
    const QHash<QString, std::pair<Setter, Getter>> accessors = {
        {QStringLiteral("Title"), {&CCommonDialogs::setTitle, &CCommonDialogs::Title}},
        {QStringLiteral("Path"), {&CCommonDialogs::setPath, &CCommonDialogs::Path}},
        {QStringLiteral("FileTitle"), {&CCommonDialogs::setFileTitle, &CCommonDialogs::FileTitle}},
        {QStringLiteral("Filename"), {&CCommonDialogs::setFilename, &CCommonDialogs::Filename}},
        {QStringLiteral("Filter"), {&CCommonDialogs::setFilter, &CCommonDialogs::Filter}},
        {QStringLiteral("DefExt"), {&CCommonDialogs::setDefExt, &CCommonDialogs::DefExt}},
        {QStringLiteral("FontName"), {&CCommonDialogs::setFontName, &CCommonDialogs::FontName}},
    };
    const auto [set, get] = accessors.value(property);
    CCommonDialogs dialogs;

    const QString raw = withNul(QStringLiteral("a.jpg"), QStringLiteral("     "));
    (dialogs.*set)(raw);
    QCOMPARE((dialogs.*get)(), cut ? QStringLiteral("a.jpg") : raw);

    (dialogs.*set)(QStringLiteral("压缩 图片 "));
    QCOMPARE((dialogs.*get)(), QStringLiteral("压缩 图片 "));
}

void TestCCommonDialogs::openAsksWithTheProperties()
{
    Rig rig;
    rig.dialogs.setFilename(QStringLiteral("proposed.jpg"));
    rig.dialogs.setTitle(withNul(QStringLiteral("打开文件"), QStringLiteral("junk")));
    rig.dialogs.setFilter(addFileFilter);
    rig.dialogs.setDefExt(QStringLiteral("jpg"));

    QVERIFY(!rig.dialogs.ShowOpen());
    QCOMPARE(rig.fake->calls, 1);
    QCOMPARE(rig.fake->request.title, QStringLiteral("打开文件"));
    QCOMPARE(rig.fake->request.folder, QDir::currentPath());
    QCOMPARE(rig.fake->request.proposedName, QStringLiteral("proposed.jpg"));
    QCOMPARE(rig.fake->request.nameFilters, DialogConversions::nameFilters(addFileFilter));
    QCOMPARE(rig.fake->request.defaultSuffix, QStringLiteral("jpg"));
}

void TestCCommonDialogs::openStartsWhereTheLastFileWasChosen()
{
    QTemporaryDir home;
    const QString album = home.filePath(QStringLiteral("相册 2026"));
    QVERIFY(QDir().mkpath(album));
    const QString workingFolder = QDir::currentPath();
    Rig rig;
    rig.fake->fileAnswer = album + QStringLiteral("/a.jpg");
    QVERIFY(rig.dialogs.ShowOpen());
    // Relative paths elsewhere in the program still mean what they meant before the dialog.
    QCOMPARE(QDir::currentPath(), workingFolder);
    rig.fake->fileAnswer.clear();
    QVERIFY(!rig.dialogs.ShowOpen());
    QCOMPARE(QFileInfo(rig.fake->request.folder).canonicalFilePath(),
             QFileInfo(album).canonicalFilePath());
}

void TestCCommonDialogs::openConfirmedSplitsThePath_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("filename");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fileTitle");
#ifdef Q_OS_WIN
    QTest::newRow("folder") << QStringLiteral("D:/photos/a.jpg")
                            << QStringLiteral("D:\\photos\\a.jpg") << QStringLiteral("D:\\photos")
                            << QStringLiteral("a.jpg");
    QTest::newRow("drive root") << QStringLiteral("C:/a.jpg") << QStringLiteral("C:\\a.jpg")
                                << QStringLiteral("C:") << QStringLiteral("a.jpg");
#else
    QTest::newRow("folder") << QStringLiteral("/home/user/photos/a.jpg")
                            << QStringLiteral("/home/user/photos/a.jpg")
                            << QStringLiteral("/home/user/photos") << QStringLiteral("a.jpg");
    QTest::newRow("root") << QStringLiteral("/a.jpg") << QStringLiteral("/a.jpg")
                          << QStringLiteral("/") << QStringLiteral("a.jpg");
    QTest::newRow("no extension") << QStringLiteral("/srv/照片 2/README")
                                  << QStringLiteral("/srv/照片 2/README")
                                  << QStringLiteral("/srv/照片 2") << QStringLiteral("README");
#endif
}

void TestCCommonDialogs::openConfirmedSplitsThePath()
{
    QFETCH(QString, chosen);
    QFETCH(QString, filename);
    QFETCH(QString, path);
    QFETCH(QString, fileTitle);
    Rig rig;
    rig.dialogs.setFilename(QString());
    rig.fake->fileAnswer = chosen;

    QVERIFY(rig.dialogs.ShowOpen());
    QCOMPARE(rig.dialogs.Filename(), filename);
    QCOMPARE(rig.dialogs.Path(), path);
    QCOMPARE(rig.dialogs.FileTitle(), fileTitle);
}

void TestCCommonDialogs::cancelChangesNothing_data()
{
    addOperationRows();
}

void TestCCommonDialogs::cancelChangesNothing()
{
    QFETCH(int, operation);
    Rig rig;
    fillAll(rig.dialogs);
    const QStringList before = properties(rig.dialogs);

    QVERIFY(!show(rig.dialogs, operation));
    QCOMPARE(rig.fake->calls, 1);
    QCOMPARE(properties(rig.dialogs), before);
}

void TestCCommonDialogs::noOwnerShowsNothing_data()
{
    addOperationRows();
}

void TestCCommonDialogs::noOwnerShowsNothing()
{
    QFETCH(int, operation);
    auto provider = std::make_unique<FakeDialogs>();
    FakeDialogs *fake = provider.get();
    answerEverything(*fake);
    CCommonDialogs dialogs;
    dialogs.setDialogProvider(std::move(provider));
    fillAll(dialogs);
    dialogs.setPath(QString());
    const QStringList before = properties(dialogs);

    QVERIFY(!show(dialogs, operation));

    auto owner = std::make_unique<QWidget>();
    dialogs.Init(owner.get());
    owner.reset();
    QVERIFY(!show(dialogs, operation));

    QCOMPARE(fake->calls, 0);
    QCOMPARE(properties(dialogs), before);
}

void TestCCommonDialogs::saveSettlesItsFolderFirst_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    const QString temp = m_temp.path();
    const QString program = Platform::programFolder();
    QTest::newRow("blank") << QString() << program;
    QTest::newRow("blanks only") << QStringLiteral("   ") << program;
    // A folder without a separator at its end gets the system's.
    const QChar separator = QDir::separator();
    QTest::newRow("folder") << temp + QStringLiteral("/sub")
                            << temp + QStringLiteral("/sub") + separator;
    QTest::newRow("folder with separator")
        << temp + QStringLiteral("/sub/") << temp + QStringLiteral("/sub/");
    QTest::newRow("hidden folder")
        << temp + QStringLiteral("/.hidden") << temp + QStringLiteral("/.hidden") + separator;
    QTest::newRow("cut at NUL") << withNul(temp + QStringLiteral("/sub"), QStringLiteral("x"))
                                << temp + QStringLiteral("/sub") + separator;
    QTest::newRow("missing folder") << temp + QStringLiteral("/missing") << program;
    QTest::newRow("a file") << temp + QStringLiteral("/file.txt") << program;
}

void TestCCommonDialogs::saveSettlesItsFolderFirst()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    Rig rig;
    rig.dialogs.setPath(path);
    rig.dialogs.setTitle(QStringLiteral("not for saving"));
    rig.dialogs.setDefExt(QStringLiteral("jpg"));
    rig.dialogs.setFilename(QStringLiteral("kept.jpg"));

    QVERIFY(!rig.dialogs.ShowSave());
    QCOMPARE(rig.dialogs.Path(), expected);
    QCOMPARE(rig.fake->request.folder, expected);
    QCOMPARE(rig.fake->request.title, QStringLiteral("Save"));
    QCOMPARE(rig.fake->request.defaultSuffix, QString());
    QCOMPARE(rig.fake->request.proposedName, QString());
    QCOMPARE(rig.dialogs.Filename(), QStringLiteral("kept.jpg"));
}

void TestCCommonDialogs::saveConfirmed()
{
    Rig rig;
    rig.dialogs.setPath(m_temp.path());
    rig.fake->fileAnswer = m_temp.filePath(QStringLiteral("sub/out.jpg"));

    QVERIFY(rig.dialogs.ShowSave());
    QCOMPARE(rig.fake->request.nameFilters, QStringList{QStringLiteral("*.* (*)")});
    QCOMPARE(rig.dialogs.Filename(),
             QDir::toNativeSeparators(m_temp.filePath(QStringLiteral("sub/out.jpg"))));
    QCOMPARE(rig.dialogs.Path(), QDir::toNativeSeparators(m_temp.filePath(QStringLiteral("sub"))));
    QCOMPARE(rig.dialogs.FileTitle(), QStringLiteral("out.jpg"));
}

void TestCCommonDialogs::folderConfirmed_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << QStringLiteral("/srv/照片/")
                            << QDir::toNativeSeparators(QStringLiteral("/srv/照片"));
    QTest::newRow("root") << QStringLiteral("/") << QDir::toNativeSeparators(QStringLiteral("/"));
}

void TestCCommonDialogs::folderConfirmed()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    Rig rig;
    fillAll(rig.dialogs);
    rig.dialogs.setTitle(QStringLiteral("请选择文件夹"));
    rig.fake->folderAnswer = chosen;

    QVERIFY(rig.dialogs.ShowFolder());
    QCOMPARE(rig.fake->prompt, QStringLiteral("请选择文件夹"));
    QCOMPARE(rig.dialogs.Path(), expected);
    QCOMPARE(rig.dialogs.Filename(), QString());
    QCOMPARE(rig.dialogs.FileTitle(), QString());
}

void TestCCommonDialogs::colorKeepsColorRefOrder_data()
{
    QTest::addColumn<bool>("fullOpen");
    QTest::newRow("full open") << true;
    QTest::newRow("collapsed") << false;
}

void TestCCommonDialogs::colorKeepsColorRefOrder()
{
    QFETCH(bool, fullOpen);
    Rig rig;
    rig.dialogs.setColor(0x00332211);
    rig.fake->colorAnswer = QColor(0xAA, 0xBB, 0xCC);

    QVERIFY(rig.dialogs.ShowColor(fullOpen));
    QCOMPARE(rig.fake->initialColor, QColor(0x11, 0x22, 0x33));
    QCOMPARE(rig.fake->fullOpen, fullOpen);
    QCOMPARE(rig.dialogs.Color(), qint32(0x00CCBBAA));
}

void TestCCommonDialogs::fontMapping_data()
{
    QTest::addColumn<QFont>("answer");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underlineBefore");
    QFont underlined(QStringLiteral("Mono"), 8);
    underlined.setUnderline(true);
    QTest::newRow("bold") << QFont(QStringLiteral("Sans"), 12, QFont::Bold) << 12 << true << false
                          << false;
    QTest::newRow("black is bold")
        << QFont(QStringLiteral("Sans"), 20, QFont::Black) << 20 << true << false << true;
    QTest::newRow("demibold is not")
        << QFont(QStringLiteral("Sans"), 9, QFont::DemiBold, true) << 9 << false << true << false;
    QTest::newRow("underline is no answer") << underlined << 8 << false << false << false;
    QTest::newRow("underline kept")
        << QFont(QStringLiteral("Sans"), 8) << 8 << false << false << true;
}

void TestCCommonDialogs::fontMapping()
{
    QFETCH(QFont, answer);
    QFETCH(int, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, underlineBefore);
    Rig rig;
    rig.dialogs.setFontName(QStringLiteral("Serif"));
    rig.dialogs.setFontSize(14);
    rig.dialogs.setFontBold(true);
    rig.dialogs.setFontItalic(false);
    rig.dialogs.setFontUnderline(underlineBefore);
    rig.dialogs.setColor(0x00123456);
    rig.fake->fontAnswer = answer;

    QVERIFY(rig.dialogs.ShowFont());
    const QFont &initial = rig.fake->initialFont;
    QCOMPARE(initial.family(), QStringLiteral("Serif"));
    QCOMPARE(initial.pointSize(), 14);
    QVERIFY(initial.bold());
    QVERIFY(!initial.italic());
    QCOMPARE(initial.underline(), underlineBefore);

    QCOMPARE(rig.dialogs.FontName(), answer.family());
    QCOMPARE(rig.dialogs.FontSize(), qint16(size));
    QCOMPARE(rig.dialogs.FontBold(), bold);
    QCOMPARE(rig.dialogs.FontItalic(), italic);
    QCOMPARE(rig.dialogs.FontUnderline(), underlineBefore);
    QCOMPARE(rig.dialogs.Color(), qint32(0x00123456));
}

void TestCCommonDialogs::printersReportTheAnswer()
{
    Rig rig;
    fillAll(rig.dialogs);
    const QStringList before = properties(rig.dialogs);
    rig.fake->printerAnswer = true;

    QVERIFY(rig.dialogs.ShowPrinter());
    QVERIFY(rig.dialogs.ShowPrinterProperties());
    QCOMPARE(rig.fake->calls, 2);
    QCOMPARE(properties(rig.dialogs), before);
}

QTEST_MAIN(TestCCommonDialogs)
#include "tst_ccommondialogs.moc"
