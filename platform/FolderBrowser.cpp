#include "platform/FolderBrowser.h"

#include "platform/NativePath.h"

#include <QDir>
#include <QFileDialog>

namespace {

QString pickWithFileDialog(QWidget *owner, const QString &prompt)
{
    return QFileDialog::getExistingDirectory(owner, prompt, QString(), QFileDialog::ShowDirsOnly);
}

} // namespace

const QString &FolderBrowser::folderPrompt()
{
    static const QString prompt = QStringLiteral("请选择一个文件夹");
    return prompt;
}

FolderBrowser::FolderBrowser()
    : m_picker(pickWithFileDialog)
{}

QString FolderBrowser::browse(QWidget *owner, const QString &prompt) const
{
    const QString chosen = m_picker(owner, prompt);
    if (chosen.isEmpty())
        return {};
    return NativePath::recoverFromDialog(QDir::toNativeSeparators(QDir::cleanPath(chosen)));
}

void FolderBrowser::setPicker(Picker picker)
{
    m_picker = picker ? std::move(picker) : Picker(pickWithFileDialog);
}
