#include "platform/ConverterLocator.h"
#include "platform/Platform.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

        const QStringList all = {QStringLiteral("convert"), QStringLiteral("magick"),
                                 QStringLiteral("convert-im6.q16")};
        QTest::newRow("link that reaches a program")
            << QStringLiteral("to a program") << all << QStringLiteral("link");
        QTest::newRow("a program, not a link")
            << QStringLiteral("program") << all << QStringLiteral("link");
        QTest::newRow("missing, not a dangling link")
            << QStringLiteral("missing") << all << QStringLiteral("link");
        QTest::newRow("dangling: the exact build first")
            << QStringLiteral("dangling") << all << QStringLiteral("convert-im6.q16");
        QTest::newRow("dangling: ImageMagick 7 before the plain name")
            << QStringLiteral("dangling")
            << QStringList{QStringLiteral("convert"), QStringLiteral("magick")}
            << QStringLiteral("magick");
        QTest::newRow("dangling: the plain name last")
            << QStringLiteral("dangling") << QStringList{QStringLiteral("convert")}
            << QStringLiteral("convert");
        QTest::newRow("dangling: a file that is no program is passed over")
            << QStringLiteral("dangling")
            << QStringList{QStringLiteral("convert"), QStringLiteral("magick (not executable)")}
            << QStringLiteral("convert");
        QTest::newRow("dangling, nothing installed")
            << QStringLiteral("dangling") << QStringList() << QStringLiteral("link");
        QTest::newRow("link to a folder")
            << QStringLiteral("to a folder") << all << QStringLiteral("convert-im6.q16");
    }

    void choice()
    {
        QFETCH(QString, link);
        QFETCH(QStringList, installed);
        QFETCH(QString, chosen);

        for (QString name : installed) {
            const bool executable = !name.endsWith(QStringLiteral(" (not executable)"));
            name = name.section(u' ', 0, 0);
            QVERIFY(makeProgram(m_system + u'/' + name, executable));
        }
        const QString converter = m_data + QStringLiteral("/convert");
        const QString program = m_root.filePath(QStringLiteral("real-converter"));
        QVERIFY(makeProgram(program));
        if (link == QStringLiteral("to a program"))
            QVERIFY(QFile::link(program, converter));
        else if (link == QStringLiteral("program"))
            QVERIFY(makeProgram(converter));
        else if (link == QStringLiteral("dangling"))
            QVERIFY(
                QFile::link(m_root.filePath(QStringLiteral("gone/convert-im6.q16")), converter));
        else if (link == QStringLiteral("to a folder"))
            QVERIFY(QFile::link(m_system, converter));

        const QString expected =
            chosen == QStringLiteral("link") ? converter : m_system + u'/' + chosen;
        QCOMPARE(ConverterLocator::resolve(converter,
                                           {m_root.filePath(QStringLiteral("empty")), m_system}),
                 expected);
    }

    // A package whose link names a converter this system does not have still converts, with the
    // one ImageMagick installed here.
    void danglingLinkFindsTheSystemsImageMagick()
    {
        const QString program = m_root.filePath(QStringLiteral("program"));
        QVERIFY(QFile::link(QStringLiteral("/usr/bin/convert-im6.q99-gone"),
                            m_data + QStringLiteral("/convert")));
        const QString converter = Platform::converterPath(program);
        QVERIFY2(converter != m_data + QStringLiteral("/convert"), qPrintable(converter));
        QVERIFY(converter.startsWith(QStringLiteral("/usr/bin/")));
        QProcess process;
        process.start(converter, {QStringLiteral("-version")});
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
