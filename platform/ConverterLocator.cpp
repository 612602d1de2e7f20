#include "platform/ConverterLocator.h"

#include <QFileInfo>

namespace ConverterLocator {

namespace {

// The names ImageMagick's packages install the converter under, the exact build first; plain
// "convert" last, since on some systems it is a wrapper or another program's.
const QStringList &converterNames()
{
    static const QStringList names = {
        QStringLiteral("convert-im6.q16"), QStringLiteral("convert-im6.q16hdri"),
        QStringLiteral("convert-im6.q8"),  QStringLiteral("magick"),
        QStringLiteral("convert"),
    };
    return names;
}

bool isProgram(const QFileInfo &file)
{
    return file.isFile() && file.isExecutable();
}

} // namespace

QStringList systemFolders()
{
    return {QStringLiteral("/usr/bin")};
}

QString resolve(const QString &linkPath, const QStringList &folders)
{
    const QFileInfo link(linkPath);
    if (!link.isSymLink() || isProgram(link))
        return linkPath;
    for (const QString &folder : folders) {
        for (const QString &name : converterNames()) {
            const QFileInfo candidate(folder + u'/' + name);
            if (isProgram(candidate))
                return candidate.filePath();
        }
    }
    return linkPath;
}

} // namespace ConverterLocator
