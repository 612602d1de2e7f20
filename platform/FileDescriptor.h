#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <unistd.h>

#include <utility>

// An open file of the system's own, closed when it goes out of scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    // Hands the file over to the caller, who closes it.
    int release() { return std::exchange(m_fd, -1); }
    // Closing can report a write the system had held back; it counts like any other.
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};
#endif
