#pragma once

#include "dialogs/DialogProvider.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QWidget;

// The program's one object for the common dialogs: open and save file, folder, colour, font,
// printer and printer properties, behind plain string, number and Boolean properties. Set the
// input properties, call a Show operation, and read the output properties only when it returned
// true; on false (cancelled, or no dialog could be shown) the properties it would fill are
// unchanged.
//
// Title, Path, FileTitle and Filename may hold text cut out of a dialog buffer, so their getters
// stop at the first NUL; every other getter returns what was stored.
class CCommonDialogs : public QObject
{
    Q_OBJECT

public:
    explicit CCommonDialogs(QObject *parent = nullptr);
    ~CCommonDialogs() override;

    bool FontUnderline() const { return m_fontUnderline; }
    void setFontUnderline(bool underline) { m_fontUnderline = underline; }
    bool FontItalic() const { return m_fontItalic; }
    void setFontItalic(bool italic) { m_fontItalic = italic; }
    bool FontBold() const { return m_fontBold; }
    void setFontBold(bool bold) { m_fontBold = bold; }
    qint16 FontSize() const { return m_fontSize; }
    void setFontSize(qint16 points) { m_fontSize = points; }
    QString FontName() const { return m_fontName; }
    void setFontName(const QString &name) { m_fontName = name; }
    // A Windows COLORREF: red in the lowest byte, then green, then blue.
    qint32 Color() const { return m_color; }
    void setColor(qint32 colorRef) { m_color = colorRef; }
    QString DefExt() const { return m_defExt; }
    void setDefExt(const QString &extension) { m_defExt = extension; }
    QString Title() const;
    void setTitle(const QString &title) { m_title = title; }

    // Every dialog is modal over the owner. Without one (or once it is gone) no dialog is shown
    // and every Show operation returns false.
    void Init(QWidget *owner);

    QString Path() const;
    void setPath(const QString &path) { m_path = path; }
    QString FileTitle() const;
    void setFileTitle(const QString &fileTitle) { m_fileTitle = fileTitle; }
    // Description and pattern alternating, separated by "|"; "*.*" matches every file.
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    QString Filename() const;
    void setFilename(const QString &filename) { m_filename = filename; }

    // Only reports whether the user confirmed: nothing is printed and no setting is kept. False
    // when there is no printer.
    bool ShowPrinter();
    // Confirmed: Path becomes the chosen folder, Filename and FileTitle empty. Title is the prompt.
    bool ShowFolder();
    // Confirmed: Color becomes the chosen colour.
    bool ShowColor(bool fullOpen);
    // Confirmed: FontName, FontSize, FontBold and FontItalic become the chosen font's;
    // FontUnderline and Color stay.
    bool ShowFont();
    // One existing file, with Filename proposed and the first Filter entry chosen. Starts in the
    // folder of the file this object last opened, or in the working folder before the first.
    // Confirmed: Filename, Path and FileTitle become the chosen file, its folder (no trailing
    // separator unless it is a root) and its name.
    bool ShowOpen();
    // ShowOpen with Title and Filter set and no name proposed: the chosen Filename, or nothing
    // when cancelled. A command that only wants a file is handed this, not the whole object.
    std::optional<QString> askOpenFile(const QString &title, const QString &filter);
    // The page set-up of the default printer, the nearest Qt has to a properties sheet; only
    // reports whether the user confirmed. False when there is no printer.
    bool ShowPrinterProperties();
    // Starts in Path, which is settled first, whatever the answer: given a trailing separator,
    // or replaced by the program folder when it is blank or names no existing folder. The title
    // is "Save"; an existing file is taken without asking. Confirmed: as ShowOpen.
    bool ShowSave();

    // Replaces the dialogs behind the Show operations; null brings back the real ones.
    void setDialogProvider(std::unique_ptr<DialogProvider> provider);

private:
    void storeChosenFile(const QString &path);
    void settleSaveFolder();

    QString m_fileTitle;
    QString m_path;
    QString m_filter;
    QString m_filename;
    // Where the next open dialog starts; empty until a file has been opened.
    QString m_openFolder;
    qint32 m_color = 0;
    QString m_title;
    QPointer<QWidget> m_owner;
    QString m_defExt;
    QString m_fontName;
    qint16 m_fontSize = 0;
    bool m_fontBold = false;
    bool m_fontItalic = false;
    bool m_fontUnderline = false;
    std::unique_ptr<DialogProvider> m_provider;
};
