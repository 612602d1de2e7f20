#pragma once

#include "dialogs/DialogProvider.h"

// Answers every dialog without showing one and remembers what it was asked. By default every
// dialog is cancelled.
class FakeDialogs : public DialogProvider
{
public:
    QString fileAnswer;
    QString folderAnswer;
    std::optional<QColor> colorAnswer;
    std::optional<QFont> fontAnswer;
    bool printerAnswer = false;

    int calls = 0;
    FileDialogRequest request;
    QString prompt;
    QColor initialColor;
    bool fullOpen = false;
    QFont initialFont;

    QString openFile(QWidget *, const FileDialogRequest &asked) override
    {
        ++calls;
        request = asked;
        return fileAnswer;
    }
    QString saveFile(QWidget *owner, const FileDialogRequest &asked) override
    {
        return openFile(owner, asked);
    }
    QString folder(QWidget *, const QString &asked) override
    {
        ++calls;
        prompt = asked;
        return folderAnswer;
    }
    std::optional<QColor> color(QWidget *, const QColor &initial, bool full) override
    {
        ++calls;
        initialColor = initial;
        fullOpen = full;
        return colorAnswer;
    }
    std::optional<QFont> font(QWidget *, const QFont &initial) override
    {
        ++calls;
        initialFont = initial;
        return fontAnswer;
    }
    bool printer(QWidget *) override
    {
        ++calls;
        return printerAnswer;
    }
    bool printerProperties(QWidget *owner) override { return printer(owner); }
};
