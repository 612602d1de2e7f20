#include "tests/support/TestFiles.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

namespace TestFiles {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QStringList native(const QStringList &paths)
{
    QStringList result;
    result.reserve(paths.size());
    for (const QString &path : paths)
        result.append(native(path));
    return result;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray sha256(const QString &path)
{
    return QCryptographicHash::hash(read(path), QCryptographicHash::Sha256).toHex();
}

namespace {

// The converter the build laid in its program folder.
QString builtConverter()
{
#ifdef Q_OS_WIN
    return QStringLiteral(TESSALY_PROGRAM_DIR "/data/convert.exe");
#else
    return QStringLiteral(TESSALY_PROGRAM_DIR "/data/convert");
#endif
}

} // namespace

bool imageMagick(const QString &tool, const QStringList &arguments, QByteArray *output)
{
    QProcess process;
#ifdef Q_OS_WIN
    // Only the converter is built for Windows; it says what identify says through its info:
    // format, given the file first and the options after it.
    if (tool == QStringLiteral("identify"))
        process.start(builtConverter(), QStringList{arguments.last()} +
                                            arguments.first(arguments.size() - 1) +
                                            QStringList{QStringLiteral("info:")});
    else
        process.start(builtConverter(), arguments);
#else
    // The tools the ImageMagick package installed, never a wrapper that comes first on PATH.
    process.start(QStringLiteral("/usr/bin/") + tool, arguments);
#endif
    const bool finished = process.waitForFinished(-1);
    if (output)
        *output = process.readAllStandardOutput();
    if (!finished || process.exitStatus() != QProcess::NormalExit) {
        // A file the tool cannot read is an answer some tests expect; a tool that does not run
        // at all never is.
        qWarning().noquote() << tool << "did not run:" << process.errorString();
        return false;
    }
    return process.exitCode() == 0;
}

bool runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        qWarning().noquote() << program << "did not run:" << process.errorString();
        return false;
    }
    return process.exitCode() == 0;
}

namespace {

quint32 bigEndian(const QByteArray &bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData()) + at);
}

void setBigEndian(QByteArray &bytes, qsizetype at, quint32 value)
{
    qToBigEndian(value, reinterpret_cast<uchar *>(bytes.data()) + at);
}

// Where the box of that type starts among the boxes from `from` to `to`; -1 when none is there.
qsizetype findBox(const QByteArray &file, qsizetype from, qsizetype to, const char *type)
{
    for (qsizetype at = from; at + 8 <= to;) {
        const quint32 size = bigEndian(file, at);
        if (file.mid(at + 4, 4) == type)
            return at;
        if (size < 8)
            return -1;
        at += size;
    }
    return -1;
}

void growBox(QByteArray &file, qsizetype box, quint32 by)
{
    setBigEndian(file, box, bigEndian(file, box) + by);
}

} // namespace

bool addHeifProperty(const QString &path, const QByteArray &property)
{
    QByteArray file = read(path);
    const qsizetype meta = findBox(file, 0, file.size(), "meta");
    if (meta < 0)
        return false;
    const qsizetype metaEnd = meta + bigEndian(file, meta);
    const qsizetype iprp = findBox(file, meta + 12, metaEnd, "iprp");
    const qsizetype iloc = findBox(file, meta + 12, metaEnd, "iloc");
    if (iprp < 0 || iloc < 0 || iloc > iprp)
        return false;
    const qsizetype iprpEnd = iprp + bigEndian(file, iprp);
    const qsizetype ipco = findBox(file, iprp + 8, iprpEnd, "ipco");
    const qsizetype ipma = findBox(file, iprp + 8, iprpEnd, "ipma");
    // libheif's: version 0 without flags, 7-bit indices, the primary image first.
    if (ipco < 0 || ipma < ipco || file.at(ipma + 8) != 0 || bigEndian(file, ipma + 8) != 0)
        return false;
    int properties = 0;
    const qsizetype ipcoEnd = ipco + bigEndian(file, ipco);
    for (qsizetype at = ipco + 8; at < ipcoEnd; at += bigEndian(file, at))
        ++properties;
    const quint32 growth = quint32(property.size()) + 1;

    // The association first, as it comes after the properties: essential, the new one's index.
    const qsizetype associations = ipma + 18;
    const quint8 count = quint8(file.at(associations));
    file[associations] = char(count + 1);
    file.insert(associations + 1 + count, char(0x80 | (properties + 1)));
    growBox(file, ipma, 1);
    file.insert(ipcoEnd, property);
    growBox(file, ipco, quint32(property.size()));
    growBox(file, iprp, growth);
    growBox(file, meta, growth);

    // The images' data moved as far: their places, in the item locations, move with it.
    const quint8 sizes = quint8(file.at(iloc + 12));
    const bool baseOffsets = (quint8(file.at(iloc + 13)) >> 4) == 4;
    if (file.at(iloc + 8) != 0 || sizes != 0x44)
        return false;
    qsizetype at = iloc + 14;
    const int items =
        qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(file.constData()) + at);
    at += 2;
    for (int item = 0; item < items; ++item) {
        at += 4; // its identifier and data reference
        if (baseOffsets) {
            setBigEndian(file, at, bigEndian(file, at) + growth);
            at += 4;
        }
        const int extents =
            qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(file.constData()) + at);
        at += 2;
        for (int extent = 0; extent < extents; ++extent, at += 8) {
            if (!baseOffsets)
                setBigEndian(file, at, bigEndian(file, at) + growth);
        }
    }
    return write(path, file);
}

bool makeImage(const QString &path, const QString &source, const QString &size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList arguments;
    if (!size.isEmpty())
        arguments << QStringLiteral("-size") << size;
    arguments << source << path;
    QProcess process;
    process.start(builtConverter(), arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0 && QFileInfo(path).size() > 0;
}

bool makeFakeProgramFolder(const QString &folder)
{
    const QString data = folder + QStringLiteral("/data");
    const QList<QPair<QString, QString>> files = {
        {QStringLiteral(TESSALY_FAKE_CONVERTER), QFileInfo(builtConverter()).fileName()},
        {QStringLiteral(TESSALY_PROGRAM_DIR "/data/policy.xml"), QStringLiteral("policy.xml")}};
    if (!QDir().mkpath(data))
        return false;
    for (const auto &[from, name] : files) {
        QFile::remove(data + u'/' + name);
        if (!QFile::copy(from, data + u'/' + name))
            return false;
    }
    return true;
}

FakeGates::FakeGates(const QString &folder)
    : m_folder(folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    qputenv("TESSALY_FAKE_GATES", QFile::encodeName(folder));
}

QByteArray FakeGates::image(const QString &name)
{
    return "gate " + name.toUtf8() + '\n';
}

bool FakeGates::isWaiting(const QString &name) const
{
    return QFileInfo::exists(m_folder + u'/' + name + QStringLiteral(".waiting"));
}

bool FakeGates::open(const QString &name) const
{
    return write(m_folder + u'/' + name, QByteArray());
}

} // namespace TestFiles
