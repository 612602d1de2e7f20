#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

class QLocalServer;

// One Tessaly per user. The first start holds a lock in the scratch root and listens for later
// starts; a later start hands the files and folders it was given to the first and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when no other Tessaly of this user runs; this one then holds the lock (or runs
    // without one when the lock cannot be made at all).
    bool tryBecomePrimary();
    // Starts listening for the paths of later starts.
    void listen();
    // Hands paths to the running Tessaly; false when it cannot be reached.
    bool sendToPrimary(const QStringList &paths) const;

Q_SIGNALS:
    void pathsReceived(const QStringList &paths);

private:
    void readConnection();

    QLockFile m_lock;
    QString m_serverName;
    QLocalServer *m_server = nullptr;
};
