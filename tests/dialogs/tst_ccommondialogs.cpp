#include "dialogs/CCommonDialogs.h"
#include "dialogs/DialogConversions.h"
#include "platform/Platform.h"
#include "tests/dialogs/FakeDialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

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
    d.setFilename(u"proposed.jpg"_s);
    d.setPath(QDir::tempPath() + u'/');
    d.setFileTitle(u"earlier.jpg"_s);
    d.setTitle(u"打开文件"_s);
    d.setFilter(u"PNG图片(*.png)|*.png"_s);
    d.setDefExt(u"png"_s);
    d.setFontName(u"Serif"_s);
    d.setColor(0x00123456);
    d.setFontSize(14);
    d.setFontBold(true);
    d.setFontItalic(true);
    d.setFontUnderline(true);
}

void answerEverything(FakeDialogs &fake)
{
    fake.fileAnswer = u"/srv/photos/a.jpg"_s;
    fake.folderAnswer = u"/srv/photos"_s;
    fake.colorAnswer = QColor(1, 2, 3);
    fake.fontAnswer = QFont(u"Sans"_s, 30);
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
    u"所有文件(All Files, *.*)|*.*|JPG图片文件(*.jpg)|*.jpg|BMP文件(*.bmp)|"
    "*.bmp|GIF文件(*.gif)|*.gif|PNG图片(*.png)|*.png"_s;

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
    void cleanup();
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
    QString m_startFolder = QDir::currentPath();
};

void TestCCommonDialogs::initTestCase()
{
    QVERIFY(m_temp.isValid());
    QVERIFY(QDir(m_temp.path()).mkpath(u"sub"_s));
    QVERIFY(QDir(m_temp.path()).mkpath(u".hidden"_s));
    QFile file(m_temp.filePath(u"file.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestCCommonDialogs::cleanup()
{
    // A confirmed open dialog moves the working folder; every case starts from the same one.
    QDir::setCurrent(m_startFolder);
}

void TestCCommonDialogs::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("add-file list, order kept, *.* is every file")
        << addFileFilter
        << QStringList{u"所有文件(All Files, *.*) (*)"_s, u"JPG图片文件(*.jpg) (*.jpg)"_s,
                       u"BMP文件(*.bmp) (*.bmp)"_s, u"GIF文件(*.gif) (*.gif)"_s,
                       u"PNG图片(*.png) (*.png)"_s};
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("several patterns")
        << u"Images|*.jpg;*.png; *.*"_s << QStringList{u"Images (*.jpg *.png *)"_s};
    QTest::newRow("description without pattern") << u"A|*.a|B"_s << QStringList{u"A (*.a)"_s};
    QTest::newRow("empty item ends the list") << u"A|*.a||*.b|C|*.c"_s << QStringList{u"A (*.a)"_s};
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
        {u"Title"_s, {&CCommonDialogs::setTitle, &CCommonDialogs::Title}},
        {u"Path"_s, {&CCommonDialogs::setPath, &CCommonDialogs::Path}},
        {u"FileTitle"_s, {&CCommonDialogs::setFileTitle, &CCommonDialogs::FileTitle}},
        {u"Filename"_s, {&CCommonDialogs::setFilename, &CCommonDialogs::Filename}},
        {u"Filter"_s, {&CCommonDialogs::setFilter, &CCommonDialogs::Filter}},
        {u"DefExt"_s, {&CCommonDialogs::setDefExt, &CCommonDialogs::DefExt}},
        {u"FontName"_s, {&CCommonDialogs::setFontName, &CCommonDialogs::FontName}},
    };
    const auto [set, get] = accessors.value(property);
    CCommonDialogs dialogs;

    const QString raw = withNul(u"a.jpg"_s, u"     "_s);
    (dialogs.*set)(raw);
    QCOMPARE((dialogs.*get)(), cut ? u"a.jpg"_s : raw);

    (dialogs.*set)(u"压缩 图片 "_s);
    QCOMPARE((dialogs.*get)(), u"压缩 图片 "_s);
}

void TestCCommonDialogs::openAsksWithTheProperties()
{
    Rig rig;
    rig.dialogs.setFilename(u"proposed.jpg"_s);
    rig.dialogs.setTitle(withNul(u"打开文件"_s, u"junk"_s));
    rig.dialogs.setFilter(addFileFilter);
    rig.dialogs.setDefExt(u"jpg"_s);

    QVERIFY(!rig.dialogs.ShowOpen());
    QCOMPARE(rig.fake->calls, 1);
    QCOMPARE(rig.fake->request.title, u"打开文件"_s);
    QCOMPARE(rig.fake->request.folder, QDir::currentPath());
    QCOMPARE(rig.fake->request.proposedName, u"proposed.jpg"_s);
    QCOMPARE(rig.fake->request.nameFilters, DialogConversions::nameFilters(addFileFilter));
    QCOMPARE(rig.fake->request.defaultSuffix, u"jpg"_s);
}

void TestCCommonDialogs::openStartsWhereTheLastFileWasChosen()
{
    QTemporaryDir home;
    const QString album = home.filePath(u"相册 2026"_s);
    QVERIFY(QDir().mkpath(album));
    Rig rig;
    rig.fake->fileAnswer = album + u"/a.jpg"_s;
    QVERIFY(rig.dialogs.ShowOpen());
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
    QTest::newRow("folder") << u"D:/photos/a.jpg"_s << u"D:\\photos\\a.jpg"_s << u"D:\\photos"_s
                            << u"a.jpg"_s;
    QTest::newRow("drive root") << u"C:/a.jpg"_s << u"C:\\a.jpg"_s << u"C:"_s << u"a.jpg"_s;
#else
    QTest::newRow("folder") << u"/home/user/photos/a.jpg"_s << u"/home/user/photos/a.jpg"_s
                            << u"/home/user/photos"_s << u"a.jpg"_s;
    QTest::newRow("root") << u"/a.jpg"_s << u"/a.jpg"_s << u"/"_s << u"a.jpg"_s;
    QTest::newRow("no extension") << u"/srv/照片 2/README"_s << u"/srv/照片 2/README"_s
                                  << u"/srv/照片 2"_s << u"README"_s;
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
    QTest::newRow("blanks only") << u"   "_s << program;
    QTest::newRow("folder") << temp + u"/sub"_s << temp + u"/sub/"_s;
    QTest::newRow("folder with separator") << temp + u"/sub/"_s << temp + u"/sub/"_s;
    QTest::newRow("hidden folder") << temp + u"/.hidden"_s << temp + u"/.hidden/"_s;
    QTest::newRow("cut at NUL") << withNul(temp + u"/sub"_s, u"x"_s) << temp + u"/sub/"_s;
    QTest::newRow("missing folder") << temp + u"/missing"_s << program;
    QTest::newRow("a file") << temp + u"/file.txt"_s << program;
}

void TestCCommonDialogs::saveSettlesItsFolderFirst()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    Rig rig;
    rig.dialogs.setPath(path);
    rig.dialogs.setTitle(u"not for saving"_s);
    rig.dialogs.setDefExt(u"jpg"_s);
    rig.dialogs.setFilename(u"kept.jpg"_s);

    QVERIFY(!rig.dialogs.ShowSave());
    QCOMPARE(rig.dialogs.Path(), expected);
    QCOMPARE(rig.fake->request.folder, expected);
    QCOMPARE(rig.fake->request.title, u"Save"_s);
    QCOMPARE(rig.fake->request.defaultSuffix, QString());
    QCOMPARE(rig.fake->request.proposedName, QString());
    QCOMPARE(rig.dialogs.Filename(), u"kept.jpg"_s);
}

void TestCCommonDialogs::saveConfirmed()
{
    Rig rig;
    rig.dialogs.setPath(m_temp.path());
    rig.fake->fileAnswer = m_temp.filePath(u"sub/out.jpg"_s);

    QVERIFY(rig.dialogs.ShowSave());
    QCOMPARE(rig.fake->request.nameFilters, QStringList{u"*.* (*)"_s});
    QCOMPARE(rig.dialogs.Filename(), QDir::toNativeSeparators(m_temp.filePath(u"sub/out.jpg"_s)));
    QCOMPARE(rig.dialogs.Path(), QDir::toNativeSeparators(m_temp.filePath(u"sub"_s)));
    QCOMPARE(rig.dialogs.FileTitle(), u"out.jpg"_s);
}

void TestCCommonDialogs::folderConfirmed_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << u"/srv/照片/"_s << QDir::toNativeSeparators(u"/srv/照片"_s);
    QTest::newRow("root") << u"/"_s << QDir::toNativeSeparators(u"/"_s);
}

void TestCCommonDialogs::folderConfirmed()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    Rig rig;
    fillAll(rig.dialogs);
    rig.dialogs.setTitle(u"请选择文件夹"_s);
    rig.fake->folderAnswer = chosen;

    QVERIFY(rig.dialogs.ShowFolder());
    QCOMPARE(rig.fake->prompt, u"请选择文件夹"_s);
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
    QFont underlined(u"Mono"_s, 8);
    underlined.setUnderline(true);
    QTest::newRow("bold") << QFont(u"Sans"_s, 12, QFont::Bold) << 12 << true << false << false;
    QTest::newRow("black is bold")
        << QFont(u"Sans"_s, 20, QFont::Black) << 20 << true << false << true;
    QTest::newRow("demibold is not")
        << QFont(u"Sans"_s, 9, QFont::DemiBold, true) << 9 << false << true << false;
    QTest::newRow("underline is no answer") << underlined << 8 << false << false << false;
    QTest::newRow("underline kept") << QFont(u"Sans"_s, 8) << 8 << false << false << true;
}

void TestCCommonDialogs::fontMapping()
{
    QFETCH(QFont, answer);
    QFETCH(int, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, underlineBefore);
    Rig rig;
    rig.dialogs.setFontName(u"Serif"_s);
    rig.dialogs.setFontSize(14);
    rig.dialogs.setFontBold(true);
    rig.dialogs.setFontItalic(false);
    rig.dialogs.setFontUnderline(underlineBefore);
    rig.dialogs.setColor(0x00123456);
    rig.fake->fontAnswer = answer;

    QVERIFY(rig.dialogs.ShowFont());
    const QFont &initial = rig.fake->initialFont;
    QCOMPARE(initial.family(), u"Serif"_s);
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
