#include "app/HelpTexts.h"

#include "platform/Desktop.h"

#include <QDir>
#include <QMessageBox>

namespace {

void showPlainMessage(QWidget *owner, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace

const QString &HelpTexts::whyTitle()
{
    static const QString title = QStringLiteral("问题");
    return title;
}

QString HelpTexts::whyText()
{
    return QStringLiteral("如果您发现压缩后的图片文件依然大，说明这个文件可能已经被压缩过了。\r\n"
                          "请您尝试降低尺寸和压缩率再试。");
}

QString HelpTexts::aboutText()
{
    return QStringLiteral("Tessaly %1  © 2026 Tessaly 开发者，保留所有权利。")
        .arg(QStringLiteral(TESSALY_VERSION));
}

QString HelpTexts::makerPage(const QString &programFolder)
{
    return programFolder + QStringLiteral("/about/index.html");
}

QString HelpTexts::pageNotOpenedText(const QString &page)
{
    return QStringLiteral("无法打开关于 Tessaly 的页面：没有找到能显示它的浏览器。\n"
                          "请用浏览器打开这个文件：\n%1")
        .arg(QDir::toNativeSeparators(page));
}

HelpTexts::HelpTexts()
    : m_openPage(Platform::openWebPage)
{}

void HelpTexts::lblWhy_Click(QWidget *owner) const
{
    showPlainMessage(owner, whyTitle(), whyText());
}

void HelpTexts::showAbout(QWidget *owner, const QString &programFolder) const
{
    const QString page = makerPage(programFolder);
    if (!m_openPage(page))
        showPlainMessage(owner, QStringLiteral("Tessaly"), pageNotOpenedText(page));
    showPlainMessage(owner, QStringLiteral("About"), aboutText());
}
