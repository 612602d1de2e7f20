#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// What an open or save dialog is asked to show.
struct FileDialogRequest {
    QString title;
    QString folder;          // where the dialog starts
    QString proposedName;    // preselected in the name field; empty for none
    QStringList nameFilters; // Qt name filters; the first one is preselected
    QString defaultSuffix;   // appended to a typed name without one; empty for none
};

// The dialogs CCommonDialogs stands in front of. Every call is modal over `owner` and answers
// "cancelled" with an empty string, an empty optional or false. Tests put their own answers
// behind this interface so that both outcomes run without a person.
class DialogProvider
{
public:
    virtual ~DialogProvider() = default;

    // The absolute path of the one chosen file.
    virtual QString openFile(QWidget *owner, const FileDialogRequest &request) = 0;
    virtual QString saveFile(QWidget *owner, const FileDialogRequest &request) = 0;
    // The absolute path of the chosen folder.
    virtual QString folder(QWidget *owner, const QString &prompt) = 0;
    virtual std::optional<QColor> color(QWidget *owner, const QColor &initial, bool fullOpen) = 0;
    virtual std::optional<QFont> font(QWidget *owner, const QFont &initial) = 0;
    virtual bool printer(QWidget *owner) = 0;
    virtual bool printerProperties(QWidget *owner) = 0;
};
