#pragma once

#include <QString>
#include <QStringList>

// Finds the converter when the link beside the program points nowhere: a package built on one
// release links data/convert to that release's ImageMagick, and another release may install it
// under another name (convert-im6.q16 on Debian 12, magick with ImageMagick 7).
namespace ConverterLocator {

// The folders searched for the system's converter, in order.
QStringList systemFolders();

// `linkPath` itself when it reaches a program or is no link at all (so a missing converter is
// still reported under the name the program looks for); the first converter found in `folders`
// when it is a link whose target is gone; `linkPath` again when none is found there either.
QString resolve(const QString &linkPath, const QStringList &folders = systemFolders());

} // namespace ConverterLocator
