#pragma once

#include <QObject>

class QAction;
class QWidget;

// The window's commands, each one QAction: its name (what the window draws for it, which is also
// what a screen reader says), its shortcut and its description, in one place. The picture
// buttons, the keyboard and assistive technology all trigger these; what each does is connected
// by the window.
class WindowActions : public QObject
{
    Q_OBJECT

public:
    explicit WindowActions(QWidget *window);

    QAction *addFile() const { return m_addFile; }       // 添加文件, Ctrl+O
    QAction *addFolder() const { return m_addFolder; }   // 添加文件夹, Ctrl+Shift+O
    QAction *removeMenu() const { return m_removeMenu; } // 移除文件
    QAction *about() const { return m_about; }           // 软件信息
    QAction *exit() const { return m_exit; }             // 退出程序
    QAction *start() const { return m_start; }           // 开始压缩, Ctrl+Return
    QAction *close() const { return m_close; }           // 关闭
    QAction *minimise() const { return m_minimise; }     // 最小化
    // 停止压缩, Esc: disabled while no run goes.
    QAction *stop() const { return m_stop; }

private:
    QAction *make(const char *objectName, const QString &text, const QString &description);

    QAction *m_addFile;
    QAction *m_addFolder;
    QAction *m_removeMenu;
    QAction *m_about;
    QAction *m_exit;
    QAction *m_start;
    QAction *m_close;
    QAction *m_minimise;
    QAction *m_stop;
};
