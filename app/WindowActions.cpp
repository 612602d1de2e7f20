#include "app/WindowActions.h"

#include <QAction>
#include <QWidget>

WindowActions::WindowActions(QWidget *window)
    : QObject(window)
    , m_addFile(
          make("addFile", QStringLiteral("添加文件"), QStringLiteral("选择一个图片文件加入队列")))
    , m_addFolder(make("addFolder", QStringLiteral("添加文件夹"),
                       QStringLiteral("选择一个文件夹，把其中所有图片加入队列")))
    , m_removeMenu(make("removeMenu", QStringLiteral("移除文件"),
                        QStringLiteral("打开移除菜单：移除选中文件或所有文件")))
    , m_about(
          make("about", QStringLiteral("软件信息"), QStringLiteral("打开软件主页并显示版权信息")))
    , m_exit(make("exit", QStringLiteral("退出程序"), QStringLiteral("保存设置并退出")))
    , m_start(make("start", QStringLiteral("开始压缩"),
                   QStringLiteral("按所选质量和尺寸压缩队列中的全部图片")))
    , m_close(make("close", QStringLiteral("关闭"), QStringLiteral("保存设置并退出")))
    , m_minimise(make("minimise", QStringLiteral("最小化"), QStringLiteral("最小化窗口")))
    , m_stop(make("stop", QStringLiteral("停止压缩"),
                  QStringLiteral("正在转换的图片完成后停止，其余图片留在队列中")))
{
    m_addFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_addFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    m_start->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    m_stop->setShortcut(QKeySequence(Qt::Key_Escape));
    m_stop->setEnabled(false);
    // Stop has no picture button of its own; the window carries its key.
    window->addAction(m_stop);
}

QAction *WindowActions::make(const char *objectName, const QString &text,
                             const QString &description)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setToolTip(description);
    return action;
}
