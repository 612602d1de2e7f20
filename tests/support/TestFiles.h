#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Small helpers for tests that work on real files.
namespace TestFiles {

// A path, or each path, as the program shows it: with the system's own separators.
QString native(const QString &path);
QStringList native(const QStringList &paths);

// Writes bytes to a file, creating its folders; returns whether it worked.
bool write(const QString &path, const QByteArray &bytes);
QByteArray read(const QString &path);
QByteArray sha256(const QString &path);

// Runs a real ImageMagick tool (convert, identify; on Windows both through the converter the
// build made) and hands back its standard output. False
// when the tool ends with an error, or cannot start at all (with a warning that says why); the
// caller verifies it.
[[nodiscard]] bool imageMagick(const QString &tool, const QStringList &arguments,
                               QByteArray *output = nullptr);

// Makes a real image with ImageMagick: `source` is its input, e.g. "rose:" or
// "gradient:red-blue" with `size` "64x48".
bool makeImage(const QString &path, const QString &source = QStringLiteral("rose:"),
               const QString &size = QString());

// A program folder whose data/convert is the given shell script (for fault injection), or a
// link to the real converter of the build tree when the script is empty.
bool makeProgramFolder(const QString &folder, const QByteArray &converterScript = {});

} // namespace TestFiles

// Starts a case whose converter is such a shell script: Windows cannot run one, so there the
// case is skipped.
#ifdef Q_OS_WIN
#define TESSALY_SKIP_WITHOUT_SHELL()                                                               \
    QSKIP("the converter here is a shell script, which Windows cannot run")
#else
#define TESSALY_SKIP_WITHOUT_SHELL()                                                               \
    do {                                                                                           \
    } while (false)
#endif
