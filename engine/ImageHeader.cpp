#include "engine/ImageHeader.h"

#include "engine/HeaderFile.h"
#include "engine/PhotoContainers.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace ImageHeader {

quint32 pngCrc(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffU;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320U & (0U - (crc & 1U)));
    }
    return ~crc;
}

namespace {

// --- PNG -------------------------------------------------------------------------------------

// The PNG library drops a tRNS chunk that is damaged, too long for the palette before it, or
// the wrong size for the colour type; the image then has no transparency.
bool pngTransparencyChunkUsable(HeaderFile &file, qint64 at, quint32 length, quint8 colourType,
                                quint32 paletteEntries)
{
    const bool sizeFits = colourType == 0   ? length == 2
                          : colourType == 2 ? length == 6
                                            : length >= 1 && length <= paletteEntries;
    if (!sizeFits)
        return false;
    const QByteArray chunk = file.read(at + 4, 4 + qint64(length) + 4); // type, data, CRC
    return chunk.size() == 8 + qsizetype(length) &&
           pngCrc(chunk.first(4 + length)) ==
               integerAt<quint32>(chunk, 4 + length, QSysInfo::BigEndian);
}

bool pngHasTransparency(HeaderFile &file)
{
    // IHDR always comes first; grey+alpha (4) and RGBA (6) carry alpha in every pixel.
    const QByteArray header = file.read(8, 18);
    if (header.size() < 18 || header.mid(4, 4) != "IHDR")
        return false;
    const quint8 colourType = byteAt(header, 17);
    if (colourType == 4 || colourType == 6)
        return true;
    if (colourType != 0 && colourType != 2 && colourType != 3)
        return false;
    // Grey, RGB and palette images gain a transparent colour (or palette alphas) through a tRNS
    // chunk, which must precede the image data. Large metadata chunks are skipped, not read.
    quint32 paletteEntries = 0;
    for (qint64 at = 8;;) {
        const QByteArray chunk = file.read(at, 8);
        if (chunk.size() < 8)
            return false;
        const quint32 length = integerAt<quint32>(chunk, 0, QSysInfo::BigEndian);
        if (length > 0x7fffffffU)
            return false;
        const QByteArray type = chunk.mid(4, 4);
        if (type == "IDAT" || type == "IEND")
            return false;
        if (type == "PLTE")
            paletteEntries = std::min<quint32>(length / 3, 256);
        if (type == "tRNS" &&
            pngTransparencyChunkUsable(file, at, length, colourType, paletteEntries))
            return true;
        at += 12 + qint64(length);
    }
}

// --- GIF -------------------------------------------------------------------------------------

// Entries in the colour table a GIF flag byte describes (whether or not the table is there).
int gifTableColours(quint8 flags)
{
    return 2 << (flags & 0x07);
}

bool gifHasTransparency(HeaderFile &file)
{
    const QByteArray screen = file.read(0, 13);
    if (screen.size() < 13)
        return false;
    const quint8 screenFlags = byteAt(screen, 10);
    qint64 at = 13;
    if (screenFlags & 0x80)
        at += 3 * qint64(gifTableColours(screenFlags));
    // The graphic control extensions before the first image decide its transparency; the
    // converter keeps the last transparent index one of them sets.
    int transparentIndex = -1;
    for (;;) {
        const QByteArray introducer = file.read(at, 2);
        if (introducer.isEmpty())
            return false;
        switch (byteAt(introducer, 0)) {
        case 0x2c: {
            const QByteArray descriptor = file.read(at, 10);
            if (descriptor.size() < 10)
                return false;
            const quint8 imageFlags = byteAt(descriptor, 9);
            const int colours = gifTableColours((imageFlags & 0x80) ? imageFlags : screenFlags);
            // An index one past the table still counts (the converter adds that colour);
            // one further out is ignored.
            return transparentIndex >= 0 && transparentIndex <= colours;
        }
        case 0x21: {
            const bool control = byteAt(introducer, 1) == 0xf9;
            // The converter reads each data sub-block over the same zeroed buffer, so the
            // control fields are whatever the later sub-blocks leave there.
            std::array<quint8, 4> fields{};
            at += 2;
            for (;;) {
                const QByteArray sizeByte = file.read(at, 1);
                if (sizeByte.isEmpty())
                    return false;
                const quint8 size = byteAt(sizeByte, 0);
                if (size == 0)
                    break;
                if (control) {
                    const QByteArray data = file.read(at + 1, std::min<int>(size, 4));
                    for (std::size_t i = 0; i < fields.size() && qsizetype(i) < data.size(); ++i)
                        fields[i] = quint8(data.at(qsizetype(i)));
                }
                at += 1 + size;
            }
            ++at;
            if (control && (fields[0] & 0x01))
                transparentIndex = fields[3];
            break;
        }
        case 0x3b:
            return false;
        default:
            ++at; // the converter steps over stray bytes between blocks
        }
    }
}

// --- BMP -------------------------------------------------------------------------------------

constexpr quint32 BiRgb = 0;
constexpr quint32 BiBitfields = 3;

// A 32-bit bitmap with the classic 40-byte header has no alpha mask, and its fourth byte is
// usually left zero. The converter takes the image as having alpha as soon as one of those
// bytes is not zero; this looks at the pixels within the read budget.
bool bmpPixelsUseFourthByte(HeaderFile &file, qint64 pixelOffset, quint64 pixelBytes)
{
    const QByteArray pixels =
        file.read(pixelOffset, qint64(std::min<quint64>(pixelBytes, ReadBudget)));
    for (qsizetype at = 3; at < pixels.size(); at += 4) {
        if (pixels.at(at) != 0)
            return true;
    }
    return false;
}

bool bmpHasTransparency(HeaderFile &file)
{
    // File header (14 bytes), then the info header up to and including the alpha mask.
    const QByteArray header = file.read(0, 14 + 56);
    const auto le16 = [&](qsizetype at) {
        return integerAt<quint16>(header, at, QSysInfo::LittleEndian);
    };
    const auto le32 = [&](qsizetype at) {
        return integerAt<quint32>(header, at, QSysInfo::LittleEndian);
    };
    if (header.size() < 14 + 40)
        return false; // includes the 12-byte OS/2 header, which has no alpha at all
    const quint32 infoSize = le32(14);
    const quint16 bitsPerPixel = le16(28);
    const quint32 compression = le32(30);
    if (infoSize > 40 && infoSize <= 124) {
        // From the V2 header on, an alpha mask follows the colour masks; the converter honours
        // it only for bit-field pixels.
        return header.size() >= 14 + 56 && compression == BiBitfields && bitsPerPixel >= 16 &&
               le32(14 + 52) != 0;
    }
    if (infoSize != 40 || compression != BiRgb || bitsPerPixel != 32)
        return false;
    const qint32 width = qint32(le32(18));
    const qint32 height = qint32(le32(22));
    if (width <= 0 || height == 0)
        return false;
    const quint64 rows = quint64(std::abs(qint64(height)));
    return bmpPixelsUseFourthByte(file, le32(10), quint64(width) * rows * 4);
}

// --- TIFF ------------------------------------------------------------------------------------

// Colour channels a TIFF photometric interpretation uses; samples beyond them are extra
// samples even when no ExtraSamples tag lists them (the TIFF library reads them that way).
// Zero for interpretations the library does not count.
int tiffColourChannels(quint32 photometric)
{
    switch (photometric) {
    case 0: // white is zero
    case 1: // black is zero
    case 3: // palette
        return 1;
    case 2:     // RGB
    case 6:     // YCbCr
    case 8:     // CIE L*a*b*
    case 9:     // ICC L*a*b*
    case 10:    // ITU L*a*b*
    case 32845: // LogLuv
        return 3;
    case 5: // separated, usually CMYK
        return 4;
    default:
        return 0;
    }
}

// Where the first directory lies and how its entries are laid out, for classic TIFF and
// BigTIFF.
struct TiffLayout {
    QSysInfo::Endian order = QSysInfo::LittleEndian;
    bool big = false;
    quint64 firstDirectory = 0;

    int countSize() const { return big ? 8 : 2; }
    int entrySize() const { return big ? 20 : 12; }
    int valueOffset() const { return big ? 12 : 8; }
};

bool tiffLayout(HeaderFile &file, TiffLayout &layout)
{
    const QByteArray header = file.read(0, 16);
    if (header.startsWith("II"))
        layout.order = QSysInfo::LittleEndian;
    else if (header.startsWith("MM"))
        layout.order = QSysInfo::BigEndian;
    else
        return false;
    const quint16 version = integerAt<quint16>(header, 2, layout.order);
    if (version == 42 && header.size() >= 8) {
        layout.firstDirectory = integerAt<quint32>(header, 4, layout.order);
        return true;
    }
    if (version == 43 && header.size() >= 16 && integerAt<quint16>(header, 4, layout.order) == 8) {
        layout.big = true;
        layout.firstDirectory = integerAt<quint64>(header, 8, layout.order);
        return true;
    }
    return false;
}

// The value of a one-number SHORT or LONG entry, which sits left-aligned in the entry's value
// field in either byte order.
quint32 tiffNumber(const QByteArray &entry, const TiffLayout &layout)
{
    constexpr quint16 Short = 3;
    constexpr quint16 Long = 4;
    const quint16 type = integerAt<quint16>(entry, 2, layout.order);
    if (type == Short)
        return integerAt<quint16>(entry, layout.valueOffset(), layout.order);
    if (type == Long)
        return integerAt<quint32>(entry, layout.valueOffset(), layout.order);
    return 0;
}

bool tiffHasTransparency(HeaderFile &file)
{
    TiffLayout layout;
    if (!tiffLayout(file, layout) ||
        layout.firstDirectory > quint64(std::numeric_limits<qint64>::max()))
        return false;
    const qint64 directory = qint64(layout.firstDirectory);
    const QByteArray countBytes = file.read(directory, layout.countSize());
    if (countBytes.size() < layout.countSize())
        return false;
    const quint64 count = layout.big ? integerAt<quint64>(countBytes, 0, layout.order)
                                     : integerAt<quint16>(countBytes, 0, layout.order);
    // An absurd count is cut short by the budget; only whole entries are looked at.
    const qint64 wanted = qint64(std::min<quint64>(count, ReadBudget)) * layout.entrySize();
    const QByteArray entries = file.read(directory + layout.countSize(), wanted);

    constexpr quint16 PhotometricTag = 262;
    constexpr quint16 SamplesPerPixelTag = 277;
    constexpr quint16 ExtraSamplesTag = 338;
    bool hasPhotometric = false;
    quint32 photometric = 0;
    quint32 samplesPerPixel = 1;
    quint64 extraSamples = 0;
    for (qsizetype at = 0; at + layout.entrySize() <= entries.size(); at += layout.entrySize()) {
        const QByteArray entry = entries.mid(at, layout.entrySize());
        switch (integerAt<quint16>(entry, 0, layout.order)) {
        case PhotometricTag:
            hasPhotometric = true;
            photometric = tiffNumber(entry, layout);
            break;
        case SamplesPerPixelTag:
            samplesPerPixel = tiffNumber(entry, layout);
            break;
        case ExtraSamplesTag:
            // The converter takes every extra sample as alpha, whatever kind the tag names.
            extraSamples = layout.big ? integerAt<quint64>(entry, 4, layout.order)
                                      : integerAt<quint32>(entry, 4, layout.order);
            break;
        default:
            break;
        }
    }
    if (!hasPhotometric)
        return false; // the converter refuses such a file
    if (extraSamples > 0)
        return true;
    const int colourChannels = tiffColourChannels(photometric);
    return colourChannels > 0 && samplesPerPixel > quint32(colourChannels);
}

} // namespace

Facts read(const QString &path)
{
    Facts facts;
    HeaderFile file(path);
    if (!file.isOpen())
        return facts;
    // The format comes from the first bytes: the file being asked about is a renamed copy.
    const QByteArray magic = file.read(0, 12);
    if (magic.startsWith("\x89PNG\r\n\x1a\n"))
        facts.transparent = pngHasTransparency(file);
    else if (magic.startsWith("GIF87") || magic.startsWith("GIF89"))
        facts.transparent = gifHasTransparency(file);
    else if (magic.startsWith("BM"))
        facts.transparent = bmpHasTransparency(file);
    else if (magic.startsWith("II") || magic.startsWith("MM"))
        facts.transparent = tiffHasTransparency(file);
    else if (magic.startsWith("RIFF") && magic.mid(8, 4) == "WEBP") {
        facts.format = Format::Webp;
        facts.transparent = webpHasAlpha(file);
    } else if (magic.mid(4, 4) == "ftyp") {
        const HeifFacts heif = readHeif(file);
        if (heif.heif)
            facts.format = heif.avif ? Format::Avif : Format::Heic;
        facts.transparent = heif.alpha;
        facts.width = heif.width;
        facts.height = heif.height;
    }
    // JPEG has no transparency; anything else is not ours to flatten.
    return facts;
}

} // namespace ImageHeader
