#include "platform/NativePath.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "照片" as a Chinese Windows system writes it (GBK).
const QByteArray gbkPhoto("\xD5\xD5\xC6\xAC");

bool makeFileWithRawName(const QByteArray &path, const QByteArray &bytes = "x")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

} // namespace

class TestNativePath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteStringComesBackWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("gbk name") << QByteArray("/photos/" + gbkPhoto + ".png");
        QTest::newRow("latin-1 name") << QByteArray("/photos/caf\xE9.png");
        QTest::newRow("utf-8 name") << QByteArray("/photos/照片 2026.png");
        QTest::newRow("outside the basic plane") << QByteArray("/\xF0\x9F\x93\xB7.jpg");
        QTest::newRow("encoded surrogate") << QByteArray("/a\xED\xB2\x80.jpg");
        QTest::newRow("overlong slash") << QByteArray("/a\xC0\xAF.jpg");
        QTest::newRow("cut-off sequence at the end") << QByteArray("/a.jpg\xE7\x85");
        QByteArray everyByte;
        for (int byte = 1; byte < 256; ++byte)
            everyByte += char(byte);
        QTest::newRow("every byte") << everyByte;
    }

    void everyByteStringComesBackWhole()
    {
        QFETCH(QByteArray, bytes);
        const QString path = NativePath::fromNative(bytes);
        QCOMPARE(NativePath::toNative(path), bytes);
        const std::string native = NativePath::toFileSystem(path).native();
        QCOMPARE(QByteArray(native.data(), qsizetype(native.size())), bytes);
        QCOMPARE(NativePath::fromFileSystem(NativePath::toFileSystem(path)), path);
    }

    void utf8NamesReadAsQtReadsThem()
    {
        const QByteArray bytes("/home/用户/照片 📷.png");
        QCOMPARE(NativePath::fromNative(bytes), QString::fromUtf8(bytes));
        QVERIFY(!NativePath::hasForeignBytes(NativePath::fromNative(bytes)));
        QVERIFY(NativePath::hasForeignBytes(NativePath::fromNative("/" + gbkPhoto)));
    }

    void foreignNamesOpenTheRealFile()
    {
        QTemporaryDir folder;
        const QByteArray raw = QFile::encodeName(folder.path()) + '/' + gbkPhoto + ".png";
        QVERIFY(makeFileWithRawName(raw, "image bytes"));
        const QString path = NativePath::fromNative(raw);
        std::error_code error;
        QCOMPARE(std::filesystem::file_size(NativePath::toFileSystem(path), error), 11u);
        QVERIFY(!error);
        // Qt's own decoding names no file: the reason the paths are kept as they are.
        QVERIFY(!QFile::exists(QFile::decodeName(raw)));
    }

    void foreignNamesAreShownReadably_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("gbk file") << QByteArray("/photos/" + gbkPhoto + ".png")
                                  << QStringLiteral("/photos/照片.png");
        QTest::newRow("gbk folder, utf-8 file")
            << QByteArray("/" + gbkPhoto + "/相片.jpg") << QStringLiteral("/照片/相片.jpg");
        QTest::newRow("latin-1") << QByteArray("/caf\xE9.png") << QStringLiteral("/caf\\xE9.png");
        QTest::newRow("utf-8 unchanged")
            << QByteArray("/a b/照片.png") << QStringLiteral("/a b/照片.png");
    }

    void foreignNamesAreShownReadably()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(NativePath::displayPath(NativePath::fromNative(bytes)), shown);
    }

    void dialogAnswersFindTheRealEntries()
    {
        QTemporaryDir root;
        const QByteArray folder = QFile::encodeName(root.path()) + '/' + gbkPhoto;
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        const QByteArray file = folder + "/\xB4\xF3\xCD\xBC.jpg"; // "大图" in GBK
        QVERIFY(makeFileWithRawName(file));
        QVERIFY(makeFileWithRawName(QFile::encodeName(root.path()) + "/plain.jpg"));

        // What a Qt dialog hands back: the bytes read as UTF-8, replacement characters and all.
        QCOMPARE(NativePath::recoverFromDialog(QString::fromUtf8(file)),
                 NativePath::fromNative(file));
        const QString plain = root.filePath(QStringLiteral("plain.jpg"));
        QCOMPARE(NativePath::recoverFromDialog(plain), plain);
        const QString missing = root.filePath(QStringLiteral("gone/none.jpg"));
        QCOMPARE(NativePath::recoverFromDialog(missing), missing);
    }

    void droppedUrlsKeepTheirBytes()
    {
        QCOMPARE(NativePath::fromFileUrl(QUrl::fromEncoded("file:///tmp/%D5%D5%C6%AC.png")),
                 NativePath::fromNative("/tmp/" + gbkPhoto + ".png"));
        QCOMPARE(NativePath::fromFileUrl(QUrl::fromLocalFile(QStringLiteral("/tmp/照片 1.png"))),
                 QStringLiteral("/tmp/照片 1.png"));
        QCOMPARE(NativePath::fromFileUrl(QUrl::fromEncoded("file://localhost/tmp/a.png")),
                 QStringLiteral("/tmp/a.png"));
        QVERIFY(NativePath::fromFileUrl(QUrl::fromEncoded("file://elsewhere/tmp/a.png")).isEmpty());
        QVERIFY(
            NativePath::fromFileUrl(QUrl(QStringLiteral("https://example.org/a.png"))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNativePath)
#include "tst_nativepath.moc"
