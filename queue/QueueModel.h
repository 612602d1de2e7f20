#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <deque>

// The image queue's one holder of its entries: full paths in the order they were added, head at
// row 0. Column 0 is the path, column 1 its format tag, made from the path when asked for.
// Taking the head, appending and reading any row cost the same however long the queue is, and
// each change is one model signal, so views of it never redo the rows it did not touch.
class QueueModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { PathColumn = 0, FormatColumn = 1, ColumnCount = 2 };
    // The entry's path exactly as queued; what the list shows is the path made readable.
    static constexpr int PathRole = Qt::UserRole;

    explicit QueueModel(QObject *parent = nullptr);

    // The last three characters of the path without the blanks at its ends, upper-cased; for the
    // extensions .heic, .heif, .avif and .webp, in any case, the format's name whole.
    static QString formatTag(const QString &path);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int count() const { return int(m_paths.size()); }
    // The path at a row; empty outside the queue.
    QString at(int row) const;
    QStringList paths() const;

    // Appends at the tail: one path, or many in one insertion.
    void append(const QString &path);
    void append(const QStringList &paths);
    // Removes one row; nothing outside the queue.
    void removeAt(int row);
    void removeHead() { removeAt(0); }
    void clear();

private:
    std::deque<QString> m_paths;
};
