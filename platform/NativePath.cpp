#include "platform/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringDecoder>
#include <QStringList>

#include <system_error>

namespace NativePath {

namespace {

constexpr char16_t escapeBase = 0xDC00;
constexpr char16_t firstEscape = 0xDC80;
constexpr char16_t lastEscape = 0xDCFF;

#ifndef Q_OS_WIN
// Only other systems hand over names as bytes that need decoding; Windows names arrive as
// UTF-16.
bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at`, and its code point; 0 when the bytes there
// are no valid UTF-8 (a stray byte, a cut-off or overlong sequence, an encoded surrogate).
int utf8Sequence(const QByteArray &bytes, qsizetype at, char32_t *codePoint)
{
    const auto byte = [&](qsizetype i) {
        return static_cast<unsigned char>(bytes.at(at + i));
    };
    const unsigned char lead = byte(0);
    int length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}
#endif

bool isEscape(QChar c)
{
    return c.unicode() >= firstEscape && c.unicode() <= lastEscape;
}

// A lone surrogate at `i` that stands for a byte, not half of a pair.
bool isEscapeAt(const QString &path, qsizetype i)
{
    return isEscape(path.at(i)) && !(i > 0 && path.at(i - 1).isHighSurrogate());
}

QString readableComponent(const QString &component)
{
    if (!hasForeignBytes(component))
        return component;
    const QByteArray bytes = toNative(component);
    QStringDecoder chinese("GB18030");
    if (chinese.isValid()) {
        const QString decoded = chinese.decode(bytes);
        if (!chinese.hasError())
            return decoded;
    }
    QString shown;
    for (qsizetype i = 0; i < component.size(); ++i) {
        if (isEscapeAt(component, i))
            shown += QStringLiteral("\\x") +
                     QString::number(component.at(i).unicode() - escapeBase, 16).toUpper();
        else
            shown += component.at(i);
    }
    return shown;
}

bool exists(const QString &path)
{
    std::error_code error;
    return std::filesystem::exists(toFileSystem(path), error);
}

// The entry of `folder` that Qt shows as `shownName`, kept byte for byte; empty when none is.
QString entryShownAs(const QString &folder, const QString &shownName)
{
    std::error_code error;
    std::filesystem::directory_iterator entries(toFileSystem(folder), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const QString name = fromFileSystem(entries->path().filename());
        if (QString::fromUtf8(toNative(name)) == shownName)
            return name;
    }
    return {};
}

} // namespace

#ifdef Q_OS_WIN

// Windows names are UTF-16 through and through: Qt's strings hold them whole.
QString fromNative(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

QByteArray toNative(const QString &path)
{
    return path.toUtf8();
}

// Windows refuses a path longer than this to the C++ library's calls (a folder's limit: MAX_PATH
// less room for a short name) unless it is written in the extended form, \\?\C:\... or
// \\?\UNC\server\share\.... Qt writes long paths in that form itself, so without it a
// deep folder that Qt lists and creates would be neither searched nor copied.
constexpr qsizetype longestPlainPath = 248;
constexpr QLatin1String extendedPrefix("\\\\?\\");
constexpr QLatin1String extendedUncPrefix("\\\\?\\UNC\\");

std::filesystem::path toFileSystem(const QString &path)
{
    if (path.size() < longestPlainPath || QDir::isRelativePath(path))
        return std::filesystem::path(path.toStdU16String());
    // The extended form is taken as it stands: no "/" is turned round and no ".." resolved.
    const QString native = QDir::toNativeSeparators(QDir::cleanPath(path));
    QString extended;
    if (native.startsWith(extendedPrefix))
        extended = native;
    else if (native.startsWith(QLatin1String("\\\\")))
        extended = QString(extendedUncPrefix) + native.mid(2);
    else if (native.size() > 2 && native.at(1) == u':' && native.at(2) == u'\\')
        extended = QString(extendedPrefix) + native;
    else
        extended = native; // rooted on no drive: left to the system
    return std::filesystem::path(extended.toStdU16String());
}

QString fromFileSystem(const std::filesystem::path &path)
{
    const QString native = QString::fromStdU16String(path.u16string());
    if (native.startsWith(extendedUncPrefix))
        return QStringLiteral("\\\\") + native.mid(extendedUncPrefix.size());
    if (native.startsWith(extendedPrefix))
        return native.mid(extendedPrefix.size());
    return native;
}

#else

QString fromNative(const QByteArray &bytes)
{
    QString path;
    path.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = utf8Sequence(bytes, at, &codePoint);
        if (length == 0) {
            path += QChar(char16_t(escapeBase + static_cast<unsigned char>(bytes.at(at))));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            path += QChar(QChar::highSurrogate(codePoint));
            path += QChar(QChar::lowSurrogate(codePoint));
        } else {
            path += QChar(char16_t(codePoint));
        }
        at += length;
    }
    return path;
}

QByteArray toNative(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            bytes += QStringView(path).mid(runStart, end - runStart).toUtf8();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isEscapeAt(path, i))
            continue;
        flushRun(i);
        bytes += char(path.at(i).unicode() - escapeBase);
        runStart = i + 1;
    }
    flushRun(path.size());
    return bytes;
}

std::filesystem::path toFileSystem(const QString &path)
{
    const QByteArray bytes = toNative(path);
    return std::filesystem::path(std::string(bytes.constData(), std::size_t(bytes.size())));
}

QString fromFileSystem(const std::filesystem::path &path)
{
    const std::string &bytes = path.native();
    return fromNative(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

#endif

QString absolutePath(const QString &path)
{
    // Cleaning writes '/'; the list shows paths as the system writes them, like the ones a
    // folder search finds.
    if (QDir::isAbsolutePath(path))
        return QDir::toNativeSeparators(QDir::cleanPath(path));
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::currentPath() + u'/' + path));
}

bool hasForeignBytes(const QString &path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isEscapeAt(path, i))
            return true;
    }
    return false;
}

QString displayPath(const QString &path)
{
    if (!hasForeignBytes(path))
        return QDir::toNativeSeparators(path);
    QStringList components = path.split(u'/');
    for (QString &component : components)
        component = readableComponent(component);
    return QDir::toNativeSeparators(components.join(u'/'));
}

QString recoverFromDialog(const QString &path)
{
    if (path.isEmpty() || exists(path) || !QDir::isAbsolutePath(path))
        return path;
    const QStringList components = QDir::fromNativeSeparators(path).split(u'/');
    QString recovered = components.first(); // empty before a leading "/", or a drive
    for (qsizetype i = 1; i < components.size(); ++i) {
        const QString &component = components.at(i);
        const QString folder = recovered.isEmpty() ? QStringLiteral("/") : recovered;
        QString name = component;
        if (!component.isEmpty() && !exists(recovered + u'/' + component)) {
            name = entryShownAs(folder, component);
            if (name.isEmpty())
                return path;
        }
        recovered += u'/' + name;
    }
    return recovered;
}

QStringList commandLineArguments(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments().mid(1);
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(fromNative(QByteArray(argv[i])));
    return arguments;
#endif
}

QString fromFileUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(url.toLocalFile());
#else
    if (!url.host().isEmpty() && url.host() != QStringLiteral("localhost"))
        return {};
    // Bytes that are no UTF-8 stay percent-encoded in the URL; decoding them here keeps them.
    return fromNative(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
#endif
}

} // namespace NativePath
