#pragma once

#include <QString>

#include <functional>

class QWidget;

// The shell's folder browser: one file-system folder, or nothing when the user cancels. The
// picker behind it can be replaced, so that code which asks for a folder can be driven without
// a person in front of the screen.
class FolderBrowser
{
public:
    using Picker = std::function<QString(QWidget *owner, const QString &prompt)>;

    // "请选择一个文件夹": what both folder commands ask.
    static const QString &folderPrompt();

    FolderBrowser();

    // The chosen folder without a trailing separator (a root stays whole); empty on cancel.
    QString browse(QWidget *owner, const QString &prompt) const;

    void setPicker(Picker picker);

private:
    Picker m_picker;
};
