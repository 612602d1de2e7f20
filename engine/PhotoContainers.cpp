#include "engine/PhotoContainers.h"

#include <array>

namespace ImageHeader {

namespace {

// The most of the metadata box that is read whole; an iPhone's is a few kilobytes.
constexpr qint64 largestMetadata = 128 * 1024;

quint32 bigEndian32(const QByteArray &block, qsizetype at)
{
    return integerAt<quint32>(block, at, QSysInfo::BigEndian);
}

// An ISO base media box: its type, where its contents start and where it ends.
struct Box {
    QByteArray type;
    qint64 contents = 0;
    qint64 end = 0;
};

// The box at `at` of a block, or of the file when the block is the box's header read from it:
// a 32-bit size (1: a 64-bit one follows; 0: to the end) and a type. False when it does not fit
// in `end`.
bool boxAt(const QByteArray &header, qint64 at, qint64 end, Box &box)
{
    if (header.size() < 8)
        return false;
    quint64 size = bigEndian32(header, 0);
    qint64 headerSize = 8;
    if (size == 1) {
        size = integerAt<quint64>(header, 8, QSysInfo::BigEndian);
        headerSize = 16;
    } else if (size == 0) {
        size = quint64(end - at);
    }
    if (size < quint64(headerSize) || size > quint64(end - at))
        return false;
    box.type = header.mid(4, 4);
    box.contents = at + headerSize;
    box.end = at + qint64(size);
    return true;
}

// The boxes of a block, from `from` to `to`, in order; stops at the first that does not fit.
template <typename Visit>
void forEachBox(const QByteArray &block, qint64 from, qint64 to, Visit visit)
{
    for (qint64 at = from; at < to;) {
        Box box;
        if (!boxAt(block.mid(at, 16), at, to, box) || !visit(box))
            return;
        at = box.end;
    }
}

bool isHeifBrand(const QByteArray &brand)
{
    static const std::array<QByteArray, 11> brands = {
        "heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "mif2", "avif", "avis"};
    return std::find(brands.cbegin(), brands.cend(), brand) != brands.cend();
}

bool isAvifBrand(const QByteArray &brand)
{
    return brand == "avif" || brand == "avis";
}

// The item properties: "auxC" names what an auxiliary image is for, "ispe" an image's size.
void readProperties(const QByteArray &meta, const Box &container, HeifFacts &facts)
{
    forEachBox(meta, container.contents, container.end, [&](const Box &property) {
        // Both are full boxes: a version and flags come first.
        const qint64 data = property.contents + 4;
        if (property.type == "auxC") {
            const QByteArray kind = meta.mid(data, property.end - data).split('\0').first();
            facts.alpha = facts.alpha || kind.endsWith(":auxiliary:alpha") ||
                          kind == "urn:mpeg:hevc:2015:auxid:1";
        } else if (property.type == "ispe") {
            const quint64 width = bigEndian32(meta, data);
            const quint64 height = bigEndian32(meta, data + 4);
            if (width * height > facts.width * facts.height) {
                facts.width = width;
                facts.height = height;
            }
        }
        return true;
    });
}

// meta → iprp → ipco: the properties, read from the metadata box held whole.
void readMetadata(const QByteArray &meta, HeifFacts &facts)
{
    // The metadata box is a full box: its children follow a version and flags.
    forEachBox(meta, 4, meta.size(), [&](const Box &child) {
        if (child.type != "iprp")
            return true;
        forEachBox(meta, child.contents, child.end, [&](const Box &grandchild) {
            if (grandchild.type == "ipco")
                readProperties(meta, grandchild, facts);
            return true;
        });
        return false;
    });
}

} // namespace

HeifFacts readHeif(HeaderFile &file)
{
    HeifFacts facts;
    Box type;
    if (!boxAt(file.read(0, 16), 0, file.size(), type) || type.type != "ftyp")
        return facts;
    // The major brand, a minor version, then the compatible brands.
    const QByteArray brands =
        file.read(type.contents, std::min<qint64>(type.end - type.contents, 256));
    for (qsizetype at = 0; at + 4 <= brands.size(); at += at == 0 ? 8 : 4) {
        facts.heif = facts.heif || isHeifBrand(brands.mid(at, 4));
        facts.avif = facts.avif || isAvifBrand(brands.mid(at, 4));
    }
    if (!facts.heif)
        return facts;
    // The metadata box may follow the media data, which can be large: only box headers are read
    // on the way to it.
    for (qint64 at = type.end; at < file.size();) {
        Box box;
        if (!boxAt(file.read(at, 16), at, file.size(), box))
            break;
        if (box.type == "meta") {
            if (box.end - box.contents <= largestMetadata)
                readMetadata(file.read(box.contents, box.end - box.contents), facts);
            break;
        }
        at = box.end;
    }
    return facts;
}

bool webpHasAlpha(HeaderFile &file)
{
    // "RIFF", the file's size, "WEBP", then the first chunk: its four-letter name, its size, its
    // data.
    const QByteArray head = file.read(0, 30);
    if (head.size() < 25 || !head.startsWith("RIFF") || head.mid(8, 4) != "WEBP")
        return false;
    const QByteArray chunk = head.mid(12, 4);
    constexpr qsizetype data = 20;
    if (chunk == "VP8X")
        return (byteAt(head, data) & 0x10) != 0;
    // A lossless image: its signature, then 14 bits of width, 14 of height, and whether its
    // alpha is used.
    if (chunk == "VP8L")
        return byteAt(head, data) == 0x2f &&
               (integerAt<quint32>(head, data + 1, QSysInfo::LittleEndian) >> 28 & 1U) != 0;
    return false; // a lossy image without an extended header has no alpha
}

} // namespace ImageHeader
