#include "platform/FileCopy.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// Copies of a user's file into the work folder: the bytes whole and counted, and every way a
// copy can fail reported as a failure, never as a shorter success.
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
        QCOMPARE(FileCopy::copy(source, path(QStringLiteral("copy.dat")), cancel),
                 qint64(m_bytes.size()));
        QCOMPARE(TestFiles::read(path(QStringLiteral("copy.dat"))), m_bytes);
    }

    void aSourceLargerThanAllowedIsNotCopied()
    {
        const QString source = path(QStringLiteral("large.tif"));
        QVERIFY(TestFiles::write(source, m_bytes));
        const std::atomic_bool cancel = false;
        QCOMPARE(FileCopy::copy(source, path(QStringLiteral("large.dat")), cancel, 1 << 20),
                 FileCopy::tooLarge);
        QCOMPARE(FileCopy::copy(source, path(QStringLiteral("exact.dat")), cancel, m_bytes.size()),
                 qint64(m_bytes.size()));
    }

    void failuresAreReportedAsFailures()
    {
        const std::atomic_bool cancel = false;
        QCOMPARE(
            FileCopy::copy(path(QStringLiteral("gone.jpg")), path(QStringLiteral("a.dat")), cancel),
            -1);
        QVERIFY(QDir(m_root.path()).mkdir(QStringLiteral("a folder.jpg")));
        QCOMPARE(FileCopy::copy(path(QStringLiteral("a folder.jpg")), path(QStringLiteral("b.dat")),
                                cancel),
                 -1);
    }

    void aCancelledCopyIsAFailure()
    {
        const QString source = path(QStringLiteral("cancelled.png"));
        QVERIFY(TestFiles::write(source, m_bytes));
        const std::atomic_bool cancel = true;
        const qint64 copied = FileCopy::copy(source, path(QStringLiteral("cancelled.dat")), cancel);
        // A file system that shares the data copies nothing and has nothing to cancel.
        QVERIFY2(copied == -1 || copied == m_bytes.size(), qPrintable(QString::number(copied)));
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
        QCOMPARE(FileCopy::copy(source, folder + QStringLiteral("/copy.dat"), cancel),
                 qint64(m_bytes.size()));
        QCOMPARE(TestFiles::read(folder + QStringLiteral("/copy.dat")), m_bytes);
    }
};

QTEST_GUILESS_MAIN(TestFileCopy)
#include "tst_filecopy.moc"
