#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtEndian>

#include <algorithm>

// What the readers of the image headers share: a file read within a budget, and integers taken
// from what was read.
namespace ImageHeader {

// The most one question may read from a file, in bytes and in separate reads, however its
// structure points onward. It keeps the answer quick on any input: huge files, long chains of
// empty chunks or sub-blocks, garbage lengths.
constexpr qint64 ReadBudget = 256 * 1024;
constexpr int readCountBudget = 4096;

// Unbuffered random-access reads from an image file, counted against the budgets. A read past
// the end of the file or of a budget comes back short, and every reader below takes a short
// read as "no transparency": damaged files are left to the converter to report.
class HeaderFile
{
public:
    explicit HeaderFile(const QString &path)
        : m_file(path)
    {
        // Only regular files: opening a pipe or a device could block or never end. The size is
        // taken once, not asked of the system for every read.
        const QFileInfo info(path);
        if (info.isFile() && m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            m_size = info.size();
    }

    bool isOpen() const { return m_file.isOpen(); }
    qint64 size() const { return m_size; }

    QByteArray read(qint64 offset, qint64 length)
    {
        length = std::min(length, m_budget);
        if (offset < 0 || offset >= m_size || length <= 0 || m_readsLeft == 0 ||
            !m_file.seek(offset))
            return {};
        m_budget -= length;
        --m_readsLeft;
        return m_file.read(length);
    }

private:
    QFile m_file;
    qint64 m_size = 0;
    qint64 m_budget = ReadBudget;
    int m_readsLeft = readCountBudget;
};

// Unsigned integers from a block read off the disk; positions past its end read as zero, so
// a garbage offset never reads out of bounds.
template <typename T>
inline T integerAt(const QByteArray &block, qsizetype at, QSysInfo::Endian order)
{
    if (at < 0 || at > block.size() - qsizetype(sizeof(T)))
        return 0;
    const auto *bytes = reinterpret_cast<const uchar *>(block.constData()) + at;
    return order == QSysInfo::BigEndian ? qFromBigEndian<T>(bytes) : qFromLittleEndian<T>(bytes);
}

inline quint8 byteAt(const QByteArray &block, qsizetype at)
{
    return integerAt<quint8>(block, at, QSysInfo::LittleEndian);
}

} // namespace ImageHeader
