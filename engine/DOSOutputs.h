#pragma once

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringDecoder>
#include <QVariant>

// Runs one console command line as a hidden child process with its standard output and error on
// one pipe, and hands back everything the child wrote. ExecuteCommand starts the child and
// returns at once; CommandOver says when it has ended, so a caller can keep several busy.
class DOSOutputs : public QObject
{
    Q_OBJECT

public:
    explicit DOSOutputs(QObject *parent = nullptr);
    ~DOSOutputs() override;

    QString CommandLine() const { return m_commandLine; }
    void setCommandLine(const QString &DOSCommand) { m_commandLine = DOSCommand; }
    QVariant Outputs() const { return m_outputs; }

    // Starts the given command line, or the stored one when it is empty. CommandOver follows once
    // the child has ended and everything it wrote is read into Outputs(); false, after
    // failedToStart, when no child could be started.
    bool ExecuteCommand(const QString &CommandLine = QString());

    bool isRunning() const;
    // Kills the running child and waits (at most a few seconds) for it to be gone. No
    // CommandOver follows. Safe from a handler of ReceiveOutputs.
    void terminate();

    // How the last child ended: true only for a normal exit with code 0.
    bool succeeded() const { return m_exitStatus == QProcess::NormalExit && m_exitCode == 0; }
    int exitCode() const { return m_exitCode; }
    qint64 processId() const;

    // Added to the environment the child inherits.
    void setExtraEnvironment(const QProcessEnvironment &environment);

Q_SIGNALS:
    void ReceiveOutputs(const QString &CommandOutputs);
    void CommandOver();
    // A child could not be started: the reason, for a critical message box captioned "Tessaly".
    void failedToStart(const QString &message);

private:
    void drainOutput();
    void finishChild(int exitCode, QProcess::ExitStatus exitStatus);

    QString m_commandLine;
    QString m_outputs;
    // The system's with the extra variables, made once rather than for every child.
    QProcessEnvironment m_childEnvironment;
    QProcess *m_child = nullptr;
    // UTF-8, not the system's code page: the converter names files in UTF-8 on every system,
    // on Windows too, where it takes the wide command line and works in UTF-8.
    QStringDecoder m_decoder;
    int m_exitCode = -1;
    QProcess::ExitStatus m_exitStatus = QProcess::CrashExit;
};
