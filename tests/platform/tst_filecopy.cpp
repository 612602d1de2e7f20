#include "platform/FileCopy.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Copies of a user's file into the work folder: the bytes whole and counted, and every way a
// copy can fail reported as a failure, never as a shorter success.
using Outcome = FileCopy::Result::Outcome;

class TestFileCopy : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QByteArray m_bytes;

    QString path(const QString &name) const { return m_root.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_bytes = QByteArray(3 << 20, 'x') + QByteArray("the end");
    }

    void copiesTheBytesAndCountsThem()
    {
        const QString source = path(QStringLiteral("照片.jpg"));
        QVERIFY(TestFiles::write(source, m_bytes));
        const std::atomic_bool cancel = false;
        const FileCopy::Result copied =
            FileCopy::copy(source, path(QStringLiteral("copy.dat")), cancel);
        QCOMPARE(copied.outcome, Outcome::Copied);
        QCOMPARE(copied.bytes, qint64(m_bytes.size()));
        QCOMPARE(TestFiles::read(path(QStringLiteral("copy.dat"))), m_bytes);
    }

    // A work copy of ours is written over by the next one, which may be shorter.
    void aCopyOverAnEarlierOneKeepsNothingOfIt()
    {
        const QString target = path(QStringLiteral("over.dat"));
        QVERIFY(TestFiles::write(target, m_bytes));
        const QString shorter = path(QStringLiteral("short.png"));
        QVERIFY(TestFiles::write(shorter, "a short image"));
        const std::atomic_bool cancel = false;
        const FileCopy::Result copied = FileCopy::copy(shorter, target, cancel);
        QCOMPARE(copied.outcome, Outcome::Copied);
        QCOMPARE(copied.bytes, qint64(13));
        QCOMPARE(TestFiles::read(target), QByteArray("a short image"));
    }

    void aSourceLargerThanAllowedIsNotCopied()
    {
        const QString source = path(QStringLiteral("large.tif"));
        QVERIFY(TestFiles::write(source, m_bytes));
        const std::atomic_bool cancel = false;
        QCOMPARE(FileCopy::copy(source, path(QStringLiteral("large.dat")), cancel, 1 << 20).outcome,
                 Outcome::TooLarge);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("large.dat"))));
        QCOMPARE(
            FileCopy::copy(source, path(QStringLiteral("exact.dat")), cancel, m_bytes.size()).bytes,
            qint64(m_bytes.size()));
    }

    void aSourceThatCannotBeReadIsToldApartFromATargetThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("source gone")
            << QStringLiteral("gone.jpg") << QStringLiteral("a.dat") << Outcome::SourceUnreadable;
        QTest::newRow("source a folder") << QStringLiteral("a folder.jpg")
                                         << QStringLiteral("b.dat") << Outcome::SourceUnreadable;
        QTest::newRow("target in a missing folder")
            << QStringLiteral("whole.jpg") << QStringLiteral("missing/c.dat")
            << Outcome::TargetUnwritable;
        QTest::newRow("target under a file")
            << QStringLiteral("whole.jpg") << QStringLiteral("whole.jpg/d.dat")
            << Outcome::TargetUnwritable;
    }

    void aSourceThatCannotBeReadIsToldApartFromATargetThatCannotBeWritten()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(Outcome, outcome);
        QVERIFY(QDir().mkpath(path(QStringLiteral("a folder.jpg"))));
        QVERIFY(TestFiles::write(path(QStringLiteral("whole.jpg")), m_bytes));
        const std::atomic_bool cancel = false;
        QCOMPARE(FileCopy::copy(path(source), path(target), cancel).outcome, outcome);
    }

    void aCancelledCopyIsAFailure()
    {
        const QString source = path(QStringLiteral("cancelled.png"));
        QVERIFY(TestFiles::write(source, m_bytes));
        const std::atomic_bool cancel = true;
        const FileCopy::Result copied =
            FileCopy::copy(source, path(QStringLiteral("cancelled.dat")), cancel);
        // A file system that shares the data copies nothing and has nothing to cancel.
        QVERIFY(copied.outcome == Outcome::Cancelled ||
                (copied.outcome == Outcome::Copied && copied.bytes == m_bytes.size()));
    }

    // Windows lets the C++ library reach no path longer than 260 characters unless it is written
    // in its extended form.
    void copiesBetweenFoldersDeeperThanPlainPaths()
    {
        QString folder = m_root.path();
        while (folder.size() < 400)
            folder += QStringLiteral("/相册文件夹-%1").arg(folder.size());
        QVERIFY(QDir().mkpath(folder));
        const QString source = folder + QStringLiteral("/深处.jpg");
        QVERIFY(TestFiles::write(source, m_bytes));
        const std::atomic_bool cancel = false;
        QCOMPARE(FileCopy::copy(source, folder + QStringLiteral("/copy.dat"), cancel).bytes,
                 qint64(m_bytes.size()));
        QCOMPARE(TestFiles::read(folder + QStringLiteral("/copy.dat")), m_bytes);
    }
};

QTEST_GUILESS_MAIN(TestFileCopy)
#include "tst_filecopy.moc"
