#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QTableView;
class QWidget;
class QueueModel;

// The image queue: one model holds the entries, shown twice, so the two can never differ: the
// hidden list lstFile with the full paths and the list view LV the user sees, each row with its
// format tag. Also owns the drop hint over the empty list, the folder scan's scratch list List1
// and the mailbox txtAction through which the popup menu reaches the window.
class ImageQueue : public QObject
{
    Q_OBJECT

public:
    explicit ImageQueue(QWidget *window);

    static const QString &normalHintText();
    static const QString &searchingHintText();
    // The one text of txtAction that is a command: remove the list view's current entry.
    static const QString &removeSelectedCommand();

    void AddToQueue(const QString &path);
    // Many paths at once, in their order, as one insertion.
    void AddToQueue(const QStringList &paths);
    void RemoveCurrent();
    void ClearQueue();
    void txtAction_Change();

    int count() const;

    void showDropHint(const QString &text);
    void hideDropHint();
    // Shows or hides the hint as it stands, its text untouched.
    void setDropHintShown(bool shown);
    bool isDropHintVisible() const;

    QueueModel *model() const { return m_model; }
    QListView *lstFile() const { return m_lstFile; }
    QTableView *LV() const { return m_LV; }
    QListWidget *List1() const { return m_List1; }
    QFrame *picText() const { return m_picText; }
    QLabel *lblText() const { return m_lblText; }
    QLineEdit *txtAction() const { return m_txtAction; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitRowHeightToFont();

    QueueModel *m_model;
    QListView *m_lstFile;
    QTableView *m_LV;
    QListWidget *m_List1;
    QFrame *m_picText;
    QLabel *m_lblText;
    QLineEdit *m_txtAction;
};
