#include "engine/FailureReason.h"

#include <QRegularExpression>

namespace FailureReason {

namespace {

// Any of the phrases, each as whole words, in any letter case.
QRegularExpression anyOf(const QString &phrases)
{
    return QRegularExpression(QStringLiteral("\\b(%1)\\b").arg(phrases),
                              QRegularExpression::CaseInsensitiveOption);
}

} // namespace

bool reportsDamagedSource(const QString &converterOutput)
{
    static const QRegularExpression cutOff = anyOf(QStringLiteral("premature end of"));
    return converterOutput.contains(cutOff);
}

FailureKind fromConverterOutput(const QString &output)
{
    static const QRegularExpression damaged =
        anyOf(QStringLiteral("corrupt image|corrupt data|damaged|unexpected end-of-file|"
                             "unexpected end of file|insufficient image data|invalid input"));
    // ImageMagick 6 words a refusal by the policy so; 7 says "not authorized".
    static const QRegularExpression refused =
        anyOf(QStringLiteral("not allowed by the security policy|not authorized"));
    static const QRegularExpression tooLarge =
        anyOf(QStringLiteral("exceeds limit|resources exhausted|too large|"
                             "memory allocation failed|cannot allocate|unable to allocate|"
                             "security limit exceeded"));
    // The decoders' own "Not a JPEG file", "Not a TIFF or MDI file", "not an HEIF/AVIF file",
    // and ImageMagick's words for a file it has no decoder for.
    static const QRegularExpression notAnImage =
        anyOf(QStringLiteral("no decode delegate|improper image header|"
                             "not an? [\\w/]+( or \\w+)? file|unable to open image"));
    // The decoder gave up without a word of its own (a PNG whose checksums do not match): the
    // file is an image of a format we read, but not a whole one.
    static const QRegularExpression gaveUp = anyOf(QStringLiteral("no images defined"));

    if (reportsDamagedSource(output) || output.contains(damaged))
        return FailureKind::Damaged;
    if (output.contains(refused))
        return FailureKind::Unsupported;
    if (output.contains(tooLarge))
        return FailureKind::TooLarge;
    if (output.contains(notAnImage))
        return FailureKind::NotAnImage;
    if (output.contains(gaveUp))
        return FailureKind::Damaged;
    return FailureKind::ConversionFailed;
}

} // namespace FailureReason
