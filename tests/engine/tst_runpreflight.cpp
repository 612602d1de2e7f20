#include "engine/RunPreflight.h"
#include "platform/Platform.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// What is looked at before a run starts, without a run.
class TestRunPreflight : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_realProgram = QStringLiteral(TESSALY_PROGRAM_DIR);

    QString path(const QString &name) const { return m_home.filePath(name); }

private Q_SLOTS:
    void theConverterMustBeAProgram_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("a folder at its name") << QStringLiteral("folder");
#ifdef Q_OS_UNIX
        QTest::newRow("a file that cannot run") << QStringLiteral("plain file");
#endif
    }

    void theConverterMustBeAProgram()
    {
        QFETCH(QString, kind);
        const QString program = path(kind);
        const QString converter = Platform::converterPath(program);
        QVERIFY(QDir().mkpath(QFileInfo(converter).path()));
        if (kind == QStringLiteral("folder"))
            QVERIFY(QDir().mkpath(converter));
        else if (kind == QStringLiteral("plain file"))
            QVERIFY(TestFiles::write(converter, "#!/bin/sh\n"));
        const auto problem = RunPreflight::check(RunOptions(), program);
        QVERIFY(problem.has_value());
        QCOMPARE(problem->kind, RunMessage::Kind::ConverterMissing);
        QCOMPARE(problem->subject, converter);
        QVERIFY(!RunPreflight::check(RunOptions(), m_realProgram).has_value());
    }

    void theConverterIsLookedForFirst()
    {
        RunOptions options;
        options.keepSize = false;
        options.resizeText = QStringLiteral("huge");
        const auto problem = RunPreflight::check(options, path(QStringLiteral("nowhere")));
        QVERIFY(problem.has_value());
        QCOMPARE(problem->kind, RunMessage::Kind::ConverterMissing);
    }

    void aSizeIsJudgedOnlyWhenOneIsAskedFor()
    {
        RunOptions options;
        options.resizeText = QStringLiteral("不变");
        QVERIFY(!RunPreflight::check(options, m_realProgram).has_value());
        options.keepSize = false;
        const auto problem = RunPreflight::check(options, m_realProgram);
        QVERIFY(problem.has_value());
        QCOMPARE(problem->kind, RunMessage::Kind::UnusableSize);
        QCOMPARE(problem->subject, QStringLiteral("不变"));
        options.resizeText = QStringLiteral("1024x768>");
        QVERIFY(!RunPreflight::check(options, m_realProgram).has_value());
    }

    void theOutputFolderIsMadeAndTried_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("intoFolder");
        QTest::addColumn<bool>("usable");
        QTest::newRow("one level to make") << QStringLiteral("made") << true << true;
        QTest::newRow("two levels to make") << QStringLiteral("no/such") << true << false;
        QTest::newRow("a file at its name") << QStringLiteral("a-file") << true << false;
        QTest::newRow("not used: results beside the images")
            << QStringLiteral("a-file") << false << true;
    }

    void theOutputFolderIsMadeAndTried()
    {
        QFETCH(QString, folder);
        QFETCH(bool, intoFolder);
        QFETCH(bool, usable);
        QVERIFY(TestFiles::write(path(QStringLiteral("a-file")), "not a folder"));
        RunOptions options;
        options.intoOutputFolder = intoFolder;
        options.outputFolder = path(folder);
        const auto problem = RunPreflight::check(options, m_realProgram);
        QCOMPARE(!problem.has_value(), usable);
        if (problem) {
            QCOMPARE(problem->kind, RunMessage::Kind::UnusableOutputFolder);
            QCOMPARE(problem->subject, path(folder));
        } else if (intoFolder) {
            QVERIFY(QFileInfo(path(folder)).isDir());
            // The probe leaves nothing behind in the user's folder.
            QVERIFY(QDir(path(folder))
                        .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                 QDir::NoDotAndDotDot));
        }
    }
};

QTEST_GUILESS_MAIN(TestRunPreflight)
#include "tst_runpreflight.moc"
