#include "engine/clsWaitableTimer.h"
#include "engine/DOSOutputs.h"
#include "tests/support/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString shell(const QString &script)
{
    return QStringLiteral("/bin/sh -c \"%1\"").arg(script);
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
        QCOMPARE(runner.ExecuteCommand(), QStringLiteral("hello\n"));
        QCOMPARE(runner.ExecuteCommand(QString()), QStringLiteral("hello\n"));
        QCOMPARE(over.size(), 2);
        QCOMPARE(runner.Outputs().toString(), QStringLiteral("hello\n"));
        QCOMPARE(runner.CommandLine(), shell(QStringLiteral("echo hello")));
    }

    void argumentReplacesStoredCommand()
    {
        DOSOutputs runner;
        runner.setCommandLine(shell(QStringLiteral("echo one")));
        QCOMPARE(runner.ExecuteCommand(shell(QStringLiteral("echo two"))), QStringLiteral("two\n"));
        QCOMPARE(runner.CommandLine(), shell(QStringLiteral("echo two")));
    }

    void emptyCommandLineIsReported()
    {
        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        QSignalSpy chunks(&runner, &DOSOutputs::ReceiveOutputs);
        QSignalSpy failures(&runner, &DOSOutputs::failedToStart);
        QCOMPARE(runner.ExecuteCommand(), QString());
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
            runner.ExecuteCommand(shell(QStringLiteral("echo earlier")));
            QSignalSpy over(&runner, &DOSOutputs::CommandOver);
            QSignalSpy failures(&runner, &DOSOutputs::failedToStart);
            QCOMPARE(runner.ExecuteCommand(program + QStringLiteral(" -quality 75")), QString());
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
            runner.ExecuteCommand(shell(QStringLiteral("sleep 0.3; printf last-words; exit 0")));
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
        const QString output = runner.ExecuteCommand(
            shell(QStringLiteral("echo first; sleep 0.3; printf 'premature end of file'")));
        QCOMPARE(output, QStringLiteral("first\npremature end of file"));
        QCOMPARE(chunks.join(QString()), output);
        QVERIFY(runner.succeeded());
    }

    void standardErrorSharesThePipe()
    {
        DOSOutputs runner;
        const QString output =
            runner.ExecuteCommand(shell(QStringLiteral("echo out; echo err 1>&2")));
        QVERIFY(output.contains(QStringLiteral("out\n")));
        QVERIFY(output.contains(QStringLiteral("err\n")));
    }

    void exitCodeOfAFailingChild()
    {
        DOSOutputs runner;
        runner.ExecuteCommand(shell(QStringLiteral("exit 3")));
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
            runner.ExecuteCommand(shell(QStringLiteral("printf %070000d 0 | tr 0 x")));
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
        const QString output = runner.ExecuteCommand(
            shell(QStringLiteral("i=0; while [ $i -lt 700 ]; do printf 压; i=$((i+1)); done")));
        QCOMPARE(output, QString(700, QChar(u'压')));
        QCOMPARE(chunks.join(QString()), output);
    }

    void windowIsServedWhileWaiting()
    {
        DOSOutputs runner;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(10);
        runner.ExecuteCommand(shell(QStringLiteral("sleep 0.5")));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }

    void terminateEndsAHangingChild()
    {
        DOSOutputs runner;
        QTimer::singleShot(200, &runner, [&runner] {
            QVERIFY(runner.isRunning());
            QVERIFY(runner.processId() > 0);
            runner.terminate();
        });
        QElapsedTimer clock;
        clock.start();
        runner.ExecuteCommand(shell(QStringLiteral("sleep 60")));
        QVERIFY(!runner.isRunning());
        QVERIFY(clock.elapsed() < 30000);
    }

    void terminateFromAnOutputHandler()
    {
        // The handler runs inside the child's own signal: ending the child there must neither
        // crash nor lose what was read.
        DOSOutputs runner;
        connect(&runner, &DOSOutputs::ReceiveOutputs, &runner, [&runner] { runner.terminate(); });
        const QString output = runner.ExecuteCommand(shell(QStringLiteral("echo first; sleep 60")));
        QCOMPARE(output, QStringLiteral("first\n"));
        QVERIFY(!runner.isRunning());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void startCommandDoesNotWait()
    {
        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        runner.setCommandLine(shell(QStringLiteral("sleep 0.2; echo later")));
        QVERIFY(runner.startCommand());
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
        QCOMPARE(runner.ExecuteCommand(shell(QStringLiteral("printf $TESSALY_PROBE"))),
                 QStringLiteral("seen"));
    }
};

class TestWaitableTimer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zeroWaitServesPendingEvents()
    {
        clsWaitableTimer timer;
        bool served = false;
        QTimer::singleShot(0, this, [&served] { served = true; });
        timer.Wait(0);
        QVERIFY(served);
        QVERIFY(!timer.isWaiting());
    }

    void eventsRunDuringTheWaitAndTheWaitLastsItsTime()
    {
        clsWaitableTimer timer;
        bool served = false;
        QTimer::singleShot(20, this, [&served] { served = true; });
        QElapsedTimer clock;
        clock.start();
        timer.Wait(150);
        QVERIFY(served);
        QVERIFY(clock.elapsed() >= 140);
    }

    void interruptEndsTheWaitEarly()
    {
        clsWaitableTimer timer;
        QTimer::singleShot(30, &timer, &clsWaitableTimer::interrupt);
        QElapsedTimer clock;
        clock.start();
        timer.Wait(60000);
        QVERIFY(clock.elapsed() < 30000);
    }

    void nestedWaitsBothReturn()
    {
        clsWaitableTimer outer;
        clsWaitableTimer inner;
        bool innerDone = false;
        QTimer::singleShot(10, this, [&] {
            inner.Wait(30);
            innerDone = true;
        });
        outer.Wait(100);
        QVERIFY(innerDone);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int status = 0;
    {
        TestDOSOutputs runnerTests;
        status |= QTest::qExec(&runnerTests, argc, argv);
    }
    {
        TestWaitableTimer timerTests;
        status |= QTest::qExec(&timerTests, argc, argv);
    }
    return status;
}

#include "tst_dosoutputs.moc"
