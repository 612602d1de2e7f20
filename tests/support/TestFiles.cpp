#include "tests/support/TestFiles.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

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
