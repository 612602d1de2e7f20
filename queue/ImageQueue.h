#pragma once

#include <QObject>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QWidget;

// The image queue, held twice and always in step: the hidden list lstFile with the full paths
// (what the compression run reads) and the list view LV the user sees, each item with its format
// tag. Also owns the drop hint over the empty list, the folder scan's scratch list List1 and the
// mailbox txtAction through which the popup menu reaches the window.
class ImageQueue : public QObject
{
    Q_OBJECT

public:
    explicit ImageQueue(QWidget *window);

    static const QString &normalHintText();
    static const QString &searchingHintText();
    // The one text of txtAction that is a command: remove the list view's current entry.
    static const QString &removeSelectedCommand();

    // The tag of the "格式" column: the last three characters of the path without the blanks at
    // its ends, upper-cased.
    static QString FormatTag(const QString &path);

    void AddToQueue(const QString &path);
    void RemoveCurrent();
    void ClearQueue();
    void txtAction_Change();

    int count() const;
    QString head() const;
    QString entryAt(int index) const;
    QString headDisplayText() const;
    void removeHead();
    QStringList entries() const;

    void showDropHint(const QString &text);
    void hideDropHint();
    // Shows or hides the hint as it stands, its text untouched.
    void setDropHintShown(bool shown);
    bool isDropHintVisible() const;

    QTreeWidget *LV() const { return m_LV; }
    QListWidget *List1() const { return m_List1; }
    QFrame *picText() const { return m_picText; }
    QLabel *lblText() const { return m_lblText; }
    QLineEdit *txtAction() const { return m_txtAction; }

private:
    QListWidget *m_lstFile;
    QTreeWidget *m_LV;
    QListWidget *m_List1;
    QFrame *m_picText;
    QLabel *m_lblText;
    QLineEdit *m_txtAction;
};
