#include "engine/DOSOutputs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The child's output is handed on in pieces of at most this many bytes.
constexpr qint64 chunkBytes = 1024;

} // namespace

DOSOutputs::DOSOutputs(QObject *parent)
    : QObject(parent)
    , m_decoder(QStringConverter::Utf8)
{}

DOSOutputs::~DOSOutputs()
{
    terminate();
}

bool DOSOutputs::ExecuteCommand(const QString &CommandLine)
{
    if (!CommandLine.isEmpty())
        m_commandLine = CommandLine;
    if (m_commandLine.isEmpty()) {
        Q_EMIT failedToStart(QStringLiteral("Command Line empty"));
        return false;
    }
    if (isRunning())
        return false;

    QStringList arguments = QProcess::splitCommand(m_commandLine);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    const QString resolved =
        // A path names its program (C:\…\convert.exe on Windows); a bare name is looked up.
        program.contains(u'/') || QDir::isAbsolutePath(program)
            ? program
            : QStandardPaths::findExecutable(program);
    const QFileInfo file(resolved);
    if (resolved.isEmpty() || !file.isExecutable() || file.isDir()) {
        Q_EMIT failedToStart(QStringLiteral("File or command not found"));
        return false;
    }

    m_child = new QProcess(this);
    m_child->setProcessChannelMode(QProcess::MergedChannels);
    m_child->setInputChannelMode(QProcess::ManagedInputChannel);
    if (!m_childEnvironment.isEmpty())
        m_child->setProcessEnvironment(m_childEnvironment);
    connect(m_child, &QProcess::readyRead, this, &DOSOutputs::drainOutput);
    connect(m_child, &QProcess::finished, this, &DOSOutputs::finishChild);

    m_exitCode = -1;
    m_exitStatus = QProcess::CrashExit;
    m_child->start(resolved, arguments, QIODevice::ReadOnly);
    if (!m_child->waitForStarted()) {
        // FailedToStart is what a file the system cannot run gives; anything else means the
        // start itself went wrong.
        const QProcess::ProcessError error = m_child->error();
        delete m_child;
        m_child = nullptr;
        Q_EMIT failedToStart(error == QProcess::FailedToStart
                                 ? QStringLiteral("File or command not found")
                                 : QStringLiteral("CreatePipe failed. Error: %1").arg(int(error)));
        return false;
    }
    m_outputs.clear();
    m_decoder.resetState();
    return true;
}

bool DOSOutputs::isRunning() const
{
    return m_child != nullptr;
}

void DOSOutputs::terminate()
{
    if (!m_child)
        return;
    QProcess *child = m_child;
    m_child = nullptr;
    child->disconnect(this);
    child->kill();
    child->waitForFinished(5000);
    // Not deleted here: a handler of its output may have called us from inside its signal.
    child->deleteLater();
}

qint64 DOSOutputs::processId() const
{
    return m_child ? m_child->processId() : 0;
}

void DOSOutputs::setExtraEnvironment(const QProcessEnvironment &environment)
{
    m_childEnvironment = QProcessEnvironment();
    if (environment.isEmpty())
        return;
    m_childEnvironment = QProcessEnvironment::systemEnvironment();
    m_childEnvironment.insert(environment);
}

void DOSOutputs::drainOutput()
{
    if (!m_child)
        return;
    while (m_child->bytesAvailable() > 0) {
        const QString chunk = m_decoder.decode(m_child->read(chunkBytes));
        m_outputs.append(chunk);
        Q_EMIT ReceiveOutputs(chunk);
        if (!m_child)
            return; // a handler of the chunk ended the child
    }
}

void DOSOutputs::finishChild(int exitCode, QProcess::ExitStatus exitStatus)
{
    // The child has gone, but its last words may still sit in the pipe.
    drainOutput();
    if (!m_child)
        return;
    m_exitCode = exitCode;
    m_exitStatus = exitStatus;
    m_child->deleteLater();
    m_child = nullptr;
    Q_EMIT CommandOver();
}
