#include "engine/FailureReason.h"

#include <QStringList>

namespace FailureReason {

QString unreadableSource()
{
    return QStringLiteral("无法读取原文件");
}

QString converterDidNotStart()
{
    return QStringLiteral("转换程序无法启动");
}

bool reportsDamagedSource(const QString &converterOutput)
{
    return converterOutput.contains(QStringLiteral("premature end of"), Qt::CaseInsensitive);
}

QString fromConverterOutput(const QString &output)
{
    const auto says = [&output](const QStringList &phrases) {
        for (const QString &phrase : phrases) {
            if (output.contains(phrase, Qt::CaseInsensitive))
                return true;
        }
        return false;
    };
    if (reportsDamagedSource(output) ||
        says({QStringLiteral("corrupt image"), QStringLiteral("corrupt data"),
              QStringLiteral("damaged"), QStringLiteral("unexpected end-of-file"),
              QStringLiteral("insufficient image data")}))
        return QStringLiteral("图片已损坏");
    // ImageMagick 6 words a refusal by the policy so; 7 says "not authorized".
    if (says({QStringLiteral("not allowed by the security policy"),
              QStringLiteral("not authorized")}))
        return QStringLiteral("不支持的图片格式");
    if (says({QStringLiteral("exceeds limit"), QStringLiteral("resources exhausted"),
              QStringLiteral("too large"), QStringLiteral("memory allocation failed")}))
        return QStringLiteral("图片太大");
    if (says({QStringLiteral("no decode delegate"), QStringLiteral("improper image header"),
              QStringLiteral("not a"), QStringLiteral("unable to open image")}))
        return QStringLiteral("不是图片文件");
    // The decoder gave up without a word of its own (a PNG whose checksums do not match):
    // the file is an image of a format we read, but not a whole one.
    if (says({QStringLiteral("no images defined")}))
        return QStringLiteral("图片已损坏");
    return QStringLiteral("转换失败");
}

QString resultNotSaved(const QString &why)
{
    return QStringLiteral("无法保存结果：%1").arg(why);
}

} // namespace FailureReason
