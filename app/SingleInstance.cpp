#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int handOverTimeoutMs = 3000;

} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_lock(folder + QStringLiteral("/tessaly.lock"))
    , m_serverName(
          QStringLiteral("tessaly-") +
          QString::fromLatin1(
              QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16)))
{
    // Never stale by age, however long Tessaly runs; a lock whose process has gone (a Tessaly
    // that crashed) is still taken over, by Qt's check of the process.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryBecomePrimary()
{
    if (m_lock.tryLock(0))
        return true;
    // Only a lock another Tessaly holds means one is running; a scratch folder we cannot write
    // must not keep the program from starting at all.
    return m_lock.error() != QLockFile::LockFailedError;
}

void SingleInstance::listen()
{
    if (m_server)
        return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_serverName);
    if (!m_server->listen(m_serverName))
        return;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readConnection);
}

bool SingleInstance::sendToPrimary(const QStringList &paths) const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(handOverTimeoutMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << paths;
    socket.write(message);
    const bool sent = socket.waitForBytesWritten(handOverTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(handOverTimeoutMs);
    return sent;
}

void SingleInstance::readConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, [this, socket] {
            QDataStream in(socket->readAll());
            QStringList paths;
            in >> paths;
            if (in.status() == QDataStream::Ok && !paths.isEmpty())
                Q_EMIT pathsReceived(paths);
            socket->deleteLater();
        });
    }
}
