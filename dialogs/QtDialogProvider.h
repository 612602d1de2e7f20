#pragma once

#include "dialogs/DialogProvider.h"

// The real dialogs: QFileDialog, QColorDialog, QFontDialog, QPrintDialog and QPageSetupDialog.
// They are the platform's native dialogs where it has them, unless `nativeDialogs` is false.
class QtDialogProvider : public DialogProvider
{
public:
    explicit QtDialogProvider(bool nativeDialogs = true);

    QString openFile(QWidget *owner, const FileDialogRequest &request) override;
    QString saveFile(QWidget *owner, const FileDialogRequest &request) override;
    QString folder(QWidget *owner, const QString &prompt) override;
    std::optional<QColor> color(QWidget *owner, const QColor &initial, bool fullOpen) override;
    std::optional<QFont> font(QWidget *owner, const QFont &initial) override;
    bool printer(QWidget *owner) override;
    bool printerProperties(QWidget *owner) override;

private:
    const bool m_nativeDialogs;
};
