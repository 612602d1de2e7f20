#include "engine/DOSOutputs.h"
#include "tests/support/ChildProcesses.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString shell(const QString &script)
{
    return QStringLiteral("/bin/sh -c \"%1\"").arg(script);
}

// Runs a command line to its end, as a run does: started, then followed until CommandOver.
QString outputOf(DOSOutputs &runner, const QString &commandLine = QString())
{
    QSignalSpy over(&runner, &DOSOutputs::CommandOver);
    if (!runner.ExecuteCommand(commandLine))
        return QStringLiteral("(not started)");
    if (over.isEmpty() && !over.wait(60000))
        return QStringLiteral("(not ended within a minute)");
    return runner.Outputs().toString();
}

} // namespace

class TestDOSOutputs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedCommandRunsOnEveryCall()
    {
        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        runner.setCommandLine(shell(QStringLiteral("echo hello")));
        QCOMPARE(outputOf(runner), QStringLiteral("hello\n"));
        QCOMPARE(outputOf(runner, QString()), QStringLiteral("hello\n"));
        QCOMPARE(over.size(), 2);
        QCOMPARE(runner.Outputs().toString(), QStringLiteral("hello\n"));
        QCOMPARE(runner.CommandLine(), shell(QStringLiteral("echo hello")));
    }

    void argumentReplacesStoredCommand()
    {
        DOSOutputs runner;
        runner.setCommandLine(shell(QStringLiteral("echo one")));
        QCOMPARE(outputOf(runner, shell(QStringLiteral("echo two"))), QStringLiteral("two\n"));
        QCOMPARE(runner.CommandLine(), shell(QStringLiteral("echo two")));
    }

    void emptyCommandLineIsReported()
    {
        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        QSignalSpy chunks(&runner, &DOSOutputs::ReceiveOutputs);
        QSignalSpy failures(&runner, &DOSOutputs::failedToStart);
        QVERIFY(!runner.ExecuteCommand());
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.first().first().toString(), QStringLiteral("Command Line empty"));
        QCOMPARE(over.size(), 0);
        QCOMPARE(chunks.size(), 0);
    }

    void programThatCannotStartKeepsEarlierOutput()
    {
        // An executable file the system cannot run: a script without its interpreter line.
        QTemporaryDir folder;
        const QString notRunnable = folder.filePath(QStringLiteral("no-interpreter"));
        QVERIFY(TestFiles::write(notRunnable, "echo never\n"));
        QVERIFY(QFile::setPermissions(notRunnable, QFile::ReadOwner | QFile::ExeOwner));

        for (const QString &program : {QStringLiteral("/no/such/program"), notRunnable}) {
            DOSOutputs runner;
            QCOMPARE(outputOf(runner, shell(QStringLiteral("echo earlier"))),
                     QStringLiteral("earlier\n"));
            QSignalSpy over(&runner, &DOSOutputs::CommandOver);
            QSignalSpy failures(&runner, &DOSOutputs::failedToStart);
            QVERIFY(!runner.ExecuteCommand(program + QStringLiteral(" -quality 75")));
            QCOMPARE(failures.size(), 1);
            QCOMPARE(failures.first().first().toString(),
                     QStringLiteral("File or command not found"));
            QCOMPARE(over.size(), 0);
            QCOMPARE(runner.Outputs().toString(), QStringLiteral("earlier\n"));
        }
    }

    void waitsForItsOwnChildAndReadsItsLastOutput()
    {
        // The child stays silent for a while and speaks only as it exits: ending on a process
        // list or before the pipe is empty would lose these words.
        DOSOutputs runner;
        const QString output =
            outputOf(runner, shell(QStringLiteral("sleep 0.3; printf last-words; exit 0")));
        QCOMPARE(output, QStringLiteral("last-words"));
        QVERIFY(runner.succeeded());
    }

    void lastOutputReachesAHandlerThatServesEvents()
    {
        // A handler that lets the window repaint while the child writes its last words and
        // exits: Qt does not announce output again inside its own announcement, so only a read
        // after the exit finds those words.
        DOSOutputs runner;
        QStringList chunks;
        connect(&runner, &DOSOutputs::ReceiveOutputs, this, [&](const QString &chunk) {
            chunks.append(chunk);
            if (chunks.size() == 1) {
                QSignalSpy over(&runner, &DOSOutputs::CommandOver);
                QVERIFY(over.wait(30000));
            }
        });
        const QString output = outputOf(
            runner, shell(QStringLiteral("echo first; sleep 0.3; printf 'premature end of file'")));
        QCOMPARE(output, QStringLiteral("first\npremature end of file"));
        QCOMPARE(chunks.join(QString()), output);
        QVERIFY(runner.succeeded());
    }

    void standardErrorSharesThePipe()
    {
        DOSOutputs runner;
        const QString output = outputOf(runner, shell(QStringLiteral("echo out; echo err 1>&2")));
        QVERIFY(output.contains(QStringLiteral("out\n")));
        QVERIFY(output.contains(QStringLiteral("err\n")));
    }

    void exitCodeOfAFailingChild()
    {
        DOSOutputs runner;
        outputOf(runner, shell(QStringLiteral("exit 3")));
        QCOMPARE(runner.exitCode(), 3);
        QVERIFY(!runner.succeeded());
    }

    void largeOutputArrivesInBoundedChunks()
    {
        DOSOutputs runner;
        QStringList chunks;
        connect(&runner, &DOSOutputs::ReceiveOutputs, this,
                [&chunks](const QString &chunk) { chunks.append(chunk); });
        const QString output =
            outputOf(runner, shell(QStringLiteral("printf %070000d 0 | tr 0 x")));
        QCOMPARE(output.size(), 70000);
        QCOMPARE(output.count(u'x'), 70000);
        QVERIFY(chunks.size() >= 69); // 70000 bytes in reads of at most 1024
        for (const QString &chunk : std::as_const(chunks))
            QVERIFY(chunk.size() <= 1024);
        QCOMPARE(chunks.join(QString()), output);
    }

    void multibyteTextSurvivesChunkBoundaries()
    {
        DOSOutputs runner;
        QStringList chunks;
        connect(&runner, &DOSOutputs::ReceiveOutputs, this,
                [&chunks](const QString &chunk) { chunks.append(chunk); });
        // 3-byte characters over 1024-byte reads: most chunk borders fall inside a character.
        const QString output = outputOf(
            runner,
            shell(QStringLiteral("i=0; while [ $i -lt 700 ]; do printf 压; i=$((i+1)); done")));
        QCOMPARE(output, QString(700, QChar(u'压')));
        QCOMPARE(chunks.join(QString()), output);
    }

    void terminateEndsAHangingChild()
    {
        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        QVERIFY(runner.ExecuteCommand(shell(QStringLiteral("sleep 60"))));
        QVERIFY(runner.isRunning());
        const qint64 child = runner.processId();
        QVERIFY(child > 0);
        runner.terminate();
        QVERIFY(!runner.isRunning());
        QVERIFY(ChildProcesses::isGone(child));
        QCoreApplication::processEvents();
        QCOMPARE(over.size(), 0);
    }

    void terminateFromAnOutputHandler()
    {
        // The handler runs inside the child's own signal: ending the child there must neither
        // crash nor lose what was read.
        DOSOutputs runner;
        connect(&runner, &DOSOutputs::ReceiveOutputs, &runner, [&runner] { runner.terminate(); });
        QVERIFY(runner.ExecuteCommand(shell(QStringLiteral("echo first; sleep 60"))));
        QTRY_VERIFY(!runner.isRunning());
        QCOMPARE(runner.Outputs().toString(), QStringLiteral("first\n"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void executeCommandReturnsWhileTheChildRuns()
    {
        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        runner.setCommandLine(shell(QStringLiteral("sleep 0.2; echo later")));
        QVERIFY(runner.ExecuteCommand());
        QVERIFY(runner.isRunning());
        QVERIFY(over.wait(10000));
        QCOMPARE(runner.Outputs().toString(), QStringLiteral("later\n"));
        QVERIFY(!runner.isRunning());
    }

    void environmentReachesTheChild()
    {
        DOSOutputs runner;
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("TESSALY_PROBE"), QStringLiteral("seen"));
        runner.setExtraEnvironment(extra);
        QCOMPARE(outputOf(runner, shell(QStringLiteral("printf $TESSALY_PROBE"))),
                 QStringLiteral("seen"));
    }
};

QTEST_GUILESS_MAIN(TestDOSOutputs)

#include "tst_dosoutputs.moc"
