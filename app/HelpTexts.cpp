#include "app/HelpTexts.h"

#include "platform/Platform.h"

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

HelpTexts::HelpTexts()
    : m_openPage(Platform::openWebPage)
{}

void HelpTexts::lblWhy_Click(QWidget *owner) const
{
    showPlainMessage(owner, whyTitle(), whyText());
}

void HelpTexts::showAbout(QWidget *owner, const QString &programFolder) const
{
    m_openPage(makerPage(programFolder));
    showPlainMessage(owner, QStringLiteral("About"), aboutText());
}
