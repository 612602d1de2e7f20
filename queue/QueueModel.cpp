#include "queue/QueueModel.h"

#include "platform/NativePath.h"

QueueModel::QueueModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

QString QueueModel::formatTag(const QString &path)
{
    // Blanks only: other white space is part of the name.
    qsizetype first = 0;
    qsizetype end = path.size();
    while (first < end && path.at(first) == u' ')
        ++first;
    while (end > first && path.at(end - 1) == u' ')
        --end;
    const QString tag = path.mid(first, end - first).right(5).toUpper();
    // The newer photo formats are named in full: their last three letters name nothing.
    for (const QString &format : {QStringLiteral("HEIC"), QStringLiteral("HEIF"),
                                  QStringLiteral("AVIF"), QStringLiteral("WEBP")}) {
        if (tag == u'.' + format)
            return format;
    }
    return tag.right(3);
}

int QueueModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int QueueModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant QueueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const QString &path = m_paths[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        // A name that is not UTF-8 is shown as the user would read it, not as stray bytes.
        return index.column() == PathColumn ? NativePath::displayPath(path) : formatTag(path);
    case Qt::ToolTipRole:
        // A long path is shortened in the list; its tooltip shows all of it.
        return index.column() == PathColumn ? QVariant(NativePath::displayPath(path)) : QVariant();
    case PathRole:
        return path;
    default:
        return {};
    }
}

QVariant QueueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case PathColumn:
        return QStringLiteral("文件名");
    case FormatColumn:
        return QStringLiteral("格式");
    default:
        return {};
    }
}

Qt::ItemFlags QueueModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Not editable: the list's texts must stay the paths the run reads.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString QueueModel::at(int row) const
{
    return row >= 0 && row < count() ? m_paths[std::size_t(row)] : QString();
}

QStringList QueueModel::paths() const
{
    return QStringList(m_paths.cbegin(), m_paths.cend());
}

void QueueModel::append(const QString &path)
{
    beginInsertRows({}, count(), count());
    m_paths.push_back(path);
    endInsertRows();
}

void QueueModel::append(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    beginInsertRows({}, count(), count() + int(paths.size()) - 1);
    m_paths.insert(m_paths.end(), paths.cbegin(), paths.cend());
    endInsertRows();
}

void QueueModel::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows({}, row, row);
    // Constant for the head: a deque erases at either end without moving the rest.
    m_paths.erase(m_paths.begin() + row);
    endRemoveRows();
}

void QueueModel::clear()
{
    beginResetModel();
    m_paths.clear();
    endResetModel();
}
