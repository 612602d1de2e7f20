#include "queue/ImageQueue.h"

#include "platform/DesignFont.h"
#include "queue/QueueModel.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QTableView>

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
    , m_model(new QueueModel(this))
    , m_lstFile(new QListView(window))
    , m_LV(new QTableView(window))
    , m_List1(new QListWidget(window))
    , m_picText(new QFrame(window))
    , m_lblText(new QLabel(normalHintText(), m_picText))
    , m_txtAction(new QLineEdit(QStringLiteral("Text1"), window))
{
    m_lstFile->setObjectName(QStringLiteral("lstFile"));
    m_lstFile->setModel(m_model);
    m_lstFile->setModelColumn(QueueModel::PathColumn);
    m_lstFile->setUniformItemSizes(true);
    m_lstFile->hide();
    m_List1->setObjectName(QStringLiteral("List1"));
    m_List1->hide();
    m_txtAction->setObjectName(QStringLiteral("txtAction"));
    m_txtAction->hide();

    // A table rather than a tree: a tree lays every row out again after each removal, a table
    // only drops one row's height, so taking the head off a long queue stays cheap.
    m_LV->setObjectName(QStringLiteral("LV"));
    m_LV->setModel(m_model);
    m_LV->setSortingEnabled(false);
    m_LV->setShowGrid(false);
    m_LV->setWordWrap(false);
    m_LV->setCornerButtonEnabled(false);
    m_LV->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_LV->setSelectionMode(QAbstractItemView::SingleSelection);
    m_LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list, as it leaves any other control, instead of walking its cells.
    m_LV->setTabKeyNavigation(false);
    m_LV->setTextElideMode(Qt::ElideMiddle);
    // The two columns fill the list; a long path is shortened in its middle, never scrolled.
    m_LV->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView *rows = m_LV->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView *columns = m_LV->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setSectionsClickable(false);
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_LV->setColumnWidth(QueueModel::PathColumn, 344);
    m_LV->setColumnWidth(QueueModel::FormatColumn, 67);
    fitRowHeightToFont();
    m_LV->installEventFilter(this);

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

void ImageQueue::fitRowHeightToFont()
{
    // Every row as high as a line of the list's font, the same for all, so no row is measured.
    const int height = m_LV->fontMetrics().height() + 4;
    m_LV->verticalHeader()->setMinimumSectionSize(height);
    m_LV->verticalHeader()->setDefaultSectionSize(height);
}

bool ImageQueue::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_LV && event->type() == QEvent::FontChange)
        fitRowHeightToFont();
    return QObject::eventFilter(watched, event);
}

void ImageQueue::AddToQueue(const QString &path)
{
    m_model->append(path);
}

void ImageQueue::AddToQueue(const QStringList &paths)
{
    m_model->append(paths);
}

void ImageQueue::RemoveCurrent()
{
    // The entry the user sees highlighted: Qt keeps a current index even when nothing is.
    const QModelIndex current = m_LV->currentIndex();
    if (current.isValid() && m_LV->selectionModel()->isSelected(current))
        m_model->removeAt(current.row());
    if (m_model->count() == 0)
        showDropHint(normalHintText());
    m_List1->clear();
}

void ImageQueue::ClearQueue()
{
    m_model->clear();
    showDropHint(normalHintText());
    m_List1->clear();
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
    return m_model->count();
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
