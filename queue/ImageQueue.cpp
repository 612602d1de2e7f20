#include "queue/ImageQueue.h"

#include "platform/DesignFont.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

const QString &ImageQueue::normalHintText()
{
    static const QString text = QStringLiteral("拖拽您的图片文件到这里");
    return text;
}

const QString &ImageQueue::searchingHintText()
{
    static const QString text = QStringLiteral("搜索文件...");
    return text;
}

const QString &ImageQueue::removeSelectedCommand()
{
    static const QString text = QStringLiteral("RemoveSelected");
    return text;
}

ImageQueue::ImageQueue(QWidget *window)
    : QObject(window)
    , m_lstFile(new QListWidget(window))
    , m_LV(new QTreeWidget(window))
    , m_List1(new QListWidget(window))
    , m_picText(new QFrame(window))
    , m_lblText(new QLabel(normalHintText(), m_picText))
    , m_txtAction(new QLineEdit(QStringLiteral("Text1"), window))
{
    m_lstFile->setObjectName(QStringLiteral("lstFile"));
    m_lstFile->hide();
    m_List1->setObjectName(QStringLiteral("List1"));
    m_List1->hide();
    m_txtAction->setObjectName(QStringLiteral("txtAction"));
    m_txtAction->hide();

    m_LV->setObjectName(QStringLiteral("LV"));
    m_LV->setRootIsDecorated(false);
    m_LV->setUniformRowHeights(true);
    m_LV->setSortingEnabled(false);
    m_LV->setAllColumnsShowFocus(true);
    m_LV->setSelectionMode(QAbstractItemView::SingleSelection);
    m_LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_LV->setTextElideMode(Qt::ElideMiddle);
    // The two columns fill the list; a long path is shortened in its middle, never scrolled.
    m_LV->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_LV->setHeaderLabels({QStringLiteral("文件名"), QStringLiteral("格式")});
    m_LV->header()->setStretchLastSection(false);
    m_LV->header()->setSectionsMovable(false);
    m_LV->setColumnWidth(0, 344);
    m_LV->setColumnWidth(1, 67);

    m_picText->setObjectName(QStringLiteral("picText"));
    m_picText->setAutoFillBackground(true);
    m_picText->setBackgroundRole(QPalette::Base);
    m_picText->setFrameShape(QFrame::NoFrame);
    auto *layout = new QHBoxLayout(m_picText);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_lblText);
    m_lblText->setObjectName(QStringLiteral("lblText"));
    m_lblText->setAlignment(Qt::AlignCenter);
    // A style sheet, not the palette: an application-wide style sheet would override it.
    m_lblText->setStyleSheet(QStringLiteral("color: rgb(128, 128, 128);"));
    QFont hintFont = designFont(9);
    hintFont.setBold(true);
    m_lblText->setFont(hintFont);

    connect(m_txtAction, &QLineEdit::textChanged, this, &ImageQueue::txtAction_Change);
}

QString ImageQueue::FormatTag(const QString &path)
{
    // Blanks only: other white space is part of the name.
    qsizetype first = 0;
    qsizetype end = path.size();
    while (first < end && path.at(first) == u' ')
        ++first;
    while (end > first && path.at(end - 1) == u' ')
        --end;
    return path.mid(first, end - first).right(3).toUpper();
}

void ImageQueue::AddToQueue(const QString &path)
{
    m_lstFile->addItem(path);
    auto *item = new QTreeWidgetItem(m_LV, {path, FormatTag(path)});
    item->setToolTip(0, path);
}

void ImageQueue::RemoveCurrent()
{
    if (m_LV->topLevelItemCount() > 0) {
        // The item the user sees highlighted: Qt keeps a current item even when nothing is.
        QTreeWidgetItem *current = m_LV->currentItem();
        const int row = current && current->isSelected() ? m_LV->indexOfTopLevelItem(current) : -1;
        if (row >= 0) {
            delete m_LV->takeTopLevelItem(row);
            delete m_lstFile->takeItem(row);
        }
    }
    if (m_LV->topLevelItemCount() == 0)
        showDropHint(normalHintText());
    m_List1->clear();
}

void ImageQueue::ClearQueue()
{
    m_LV->clear();
    showDropHint(normalHintText());
    m_List1->clear();
    m_lstFile->clear();
}

void ImageQueue::txtAction_Change()
{
    if (m_txtAction->text() == removeSelectedCommand())
        RemoveCurrent();
    // Emptying the field re-enters this handler once; that pass finds nothing to do.
    if (!m_txtAction->text().isEmpty())
        m_txtAction->clear();
}

int ImageQueue::count() const
{
    return m_lstFile->count();
}

QString ImageQueue::head() const
{
    return m_lstFile->count() > 0 ? m_lstFile->item(0)->text() : QString();
}

QString ImageQueue::entryAt(int index) const
{
    const QListWidgetItem *item = m_lstFile->item(index);
    return item ? item->text() : QString();
}

QString ImageQueue::headDisplayText() const
{
    return m_LV->topLevelItemCount() > 0 ? m_LV->topLevelItem(0)->text(0) : QString();
}

void ImageQueue::removeHead()
{
    if (m_LV->topLevelItemCount() > 0)
        delete m_LV->takeTopLevelItem(0);
    if (m_lstFile->count() > 0)
        delete m_lstFile->takeItem(0);
}

QStringList ImageQueue::entries() const
{
    QStringList paths;
    paths.reserve(m_lstFile->count());
    for (int i = 0; i < m_lstFile->count(); ++i)
        paths.append(m_lstFile->item(i)->text());
    return paths;
}

void ImageQueue::showDropHint(const QString &text)
{
    m_lblText->setText(text);
    setDropHintShown(true);
}

void ImageQueue::hideDropHint()
{
    setDropHintShown(false);
}

void ImageQueue::setDropHintShown(bool shown)
{
    if (shown) {
        m_picText->show();
        m_picText->raise();
    } else {
        m_picText->hide();
    }
}

bool ImageQueue::isDropHintVisible() const
{
    return !m_picText->isHidden();
}
