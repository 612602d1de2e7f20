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

// Runs another tool of the build machine's (heif-enc, exiftool) to the end; false when it failed.
[[nodiscard]] bool runTool(const QString &program, const QStringList &arguments);

// Adds an item property to the first image of a HEIF file, as a camera that turns or crops the
// picture writes one: `property` is a whole box ("irot", "imir", "clap"). Takes the files of one
// image that libheif writes, with its data in a media data box after the metadata.
bool addHeifProperty(const QString &path, const QByteArray &property);

// Makes a real image with ImageMagick: `source` is its input, e.g. "rose:" or
// "gradient:red-blue" with `size` "64x48".
bool makeImage(const QString &path, const QString &source = QStringLiteral("rose:"),
               const QString &size = QString());

// A program folder whose converter (data/convert, data\convert.exe on Windows) does what the
// work copy's first four bytes say, for fault injection: "fail", "half" (writes, then fails),
// "none" (writes nothing), "warn" (writes, then warns of a cut-off JPEG), "hang", "slow" (waits
// TESSALY_FAKE_SLOW_MS, 600 ms unless set), "gate NAME" (waits at a gate, see FakeGates);
// anything else is copied. It appends each command line to the file TESSALY_FAKE_LOG names, when
// that is set.
bool makeFakeProgramFolder(const QString &folder);

// The fake converter's gates, in a folder of the test's: an image that reads "gate NAME" is held
// at NAME until the test opens that gate, so a test steps a run as it chooses instead of waiting
// for time to pass.
class FakeGates
{
public:
    // The converters of this process and its children use these gates from now on.
    explicit FakeGates(const QString &folder);

    // The bytes of an image that waits at the gate.
    static QByteArray image(const QString &name);
    // Whether a converter has reached the gate.
    bool isWaiting(const QString &name) const;
    bool open(const QString &name) const;

private:
    QString m_folder;
};

} // namespace TestFiles
