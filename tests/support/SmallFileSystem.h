#pragma once

#include <QString>
#include <QTemporaryDir>

// A real file system of a few kilobytes (a tmpfs), mounted for one test, that can be filled to
// the last byte. Mounting needs root; isMounted() tells whether the test can go on.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(int kibibytes = 256);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return m_mounted; }
    QString path() const { return m_folder.path(); }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }

    // Writes a filler file until no byte is left; returns whether the disk is now full.
    bool fill();
    // Frees the filler again.
    void makeRoom();

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
};
