#include "platform/ConverterLocator.h"
#include "platform/Platform.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool makeProgram(const QString &path, bool executable = true)
{
    if (!TestFiles::write(path, "#!/bin/sh\nexit 0\n"))
        return false;
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (executable)
        permissions |= QFileDevice::ExeOwner;
    return QFile::setPermissions(path, permissions);
}

} // namespace

class TestConverterLocator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_root.isValid());
        m_data = m_root.filePath(QStringLiteral("program/data"));
        m_system = m_root.filePath(QStringLiteral("system"));
        QVERIFY(QDir().mkpath(m_data));
        QVERIFY(QDir().mkpath(m_system));
    }

    void cleanup()
    {
        QDir(m_root.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_root.path()));
    }

    // What data/convert is, which converters the system folder holds, and which is used.
    void choice_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("chosen");

        const QStringList all = {u"convert"_s, u"magick"_s, u"convert-im6.q16"_s};
        QTest::newRow("link that reaches a program") << u"to a program"_s << all << u"link"_s;
        QTest::newRow("a program, not a link") << u"program"_s << all << u"link"_s;
        QTest::newRow("missing, not a dangling link") << u"missing"_s << all << u"link"_s;
        QTest::newRow("dangling: the exact build first")
            << u"dangling"_s << all << u"convert-im6.q16"_s;
        QTest::newRow("dangling: ImageMagick 7 before the plain name")
            << u"dangling"_s << QStringList{u"convert"_s, u"magick"_s} << u"magick"_s;
        QTest::newRow("dangling: the plain name last")
            << u"dangling"_s << QStringList{u"convert"_s} << u"convert"_s;
        QTest::newRow("dangling: a file that is no program is passed over")
            << u"dangling"_s << QStringList{u"convert"_s, u"magick (not executable)"_s}
            << u"convert"_s;
        QTest::newRow("dangling, nothing installed") << u"dangling"_s << QStringList() << u"link"_s;
        QTest::newRow("link to a folder") << u"to a folder"_s << all << u"convert-im6.q16"_s;
    }

    void choice()
    {
        QFETCH(QString, link);
        QFETCH(QStringList, installed);
        QFETCH(QString, chosen);

        for (QString name : installed) {
            const bool executable = !name.endsWith(u" (not executable)"_s);
            name = name.section(u' ', 0, 0);
            QVERIFY(makeProgram(m_system + u'/' + name, executable));
        }
        const QString converter = m_data + u"/convert"_s;
        const QString program = m_root.filePath(u"real-converter"_s);
        QVERIFY(makeProgram(program));
        if (link == u"to a program"_s)
            QVERIFY(QFile::link(program, converter));
        else if (link == u"program"_s)
            QVERIFY(makeProgram(converter));
        else if (link == u"dangling"_s)
            QVERIFY(QFile::link(m_root.filePath(u"gone/convert-im6.q16"_s), converter));
        else if (link == u"to a folder"_s)
            QVERIFY(QFile::link(m_system, converter));

        const QString expected = chosen == u"link"_s ? converter : m_system + u'/' + chosen;
        QCOMPARE(ConverterLocator::resolve(converter, {m_root.filePath(u"empty"_s), m_system}),
                 expected);
    }

    // A package whose link names a converter this system does not have still converts, with the
    // one ImageMagick installed here.
    void danglingLinkFindsTheSystemsImageMagick()
    {
        const QString program = m_root.filePath(u"program"_s);
        QVERIFY(QFile::link(u"/usr/bin/convert-im6.q99-gone"_s, m_data + u"/convert"_s));
        const QString converter = Platform::converterPath(program);
        QVERIFY2(converter != m_data + u"/convert"_s, qPrintable(converter));
        QVERIFY(converter.startsWith(u"/usr/bin/"_s));
        QProcess process;
        process.start(converter, {u"-version"_s});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY(process.readAllStandardOutput().contains("ImageMagick"));
    }

private:
    QTemporaryDir m_root;
    QString m_data;
    QString m_system;
};

QTEST_GUILESS_MAIN(TestConverterLocator)
#include "tst_converterlocator.moc"
