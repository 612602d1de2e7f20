#include "engine/ImageHeader.h"

namespace ImageHeader {

bool hasTransparency(const QString &path)
{
    Q_UNUSED(path);
    return false;
}

} // namespace ImageHeader
