#pragma once

#include "platform/NativePath.h"
#include "queue/ImageQueue.h"
#include "queue/QueueModel.h"

#include <QHeaderView>
#include <QListView>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <QWidget>

#include <optional>

// For commands built by a test that never adds a single file: the open dialog is cancelled.
inline std::optional<QString> cancelledOpen(const QString &, const QString &)
{
    return std::nullopt;
}

// A real window holding the image queue, for tests that drive the queue's commands.
struct QueueWindow {
    QWidget window;
    ImageQueue *queue = new ImageQueue(&window);

    // The queue's entry at a row, exactly as queued.
    QString entry(int row) const { return queue->model()->at(row); }

    // The head's path as LV holds it for the run and the remove commands.
    QString listHead() const
    {
        return queue->LV()
            ->model()
            ->index(0, QueueModel::PathColumn)
            .data(QueueModel::PathRole)
            .toString();
    }

    // What LV shows in a row and column.
    QString shown(int row, int column) const
    {
        return queue->LV()->model()->index(row, column).data().toString();
    }

    // The paths as LV shows them, head first.
    QStringList shownPaths() const
    {
        QStringList paths;
        for (int row = 0; row < queue->LV()->model()->rowCount(); ++row)
            paths.append(shown(row, QueueModel::PathColumn));
        return paths;
    }

    // The paths as lstFile lists them, head first.
    QStringList listedPaths() const
    {
        const QListView *list = queue->lstFile();
        QStringList paths;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            paths.append(list->model()->index(row, list->modelColumn()).data().toString());
        return paths;
    }

    // Highlights a row of LV as a click does.
    void select(int row) const
    {
        queue->LV()->setCurrentIndex(queue->LV()->model()->index(row, QueueModel::PathColumn));
    }

    // lstFile and LV show the queue's paths in its order, each row of LV with its format tag,
    // and LV's own row bookkeeping has followed every change.
    bool inStep() const
    {
        const QStringList paths = queue->model()->paths();
        QStringList readable;
        for (const QString &path : paths)
            readable.append(NativePath::displayPath(path));
        if (queue->count() != paths.size() || listedPaths() != readable || shownPaths() != readable)
            return false;
        if (queue->LV()->verticalHeader()->count() != paths.size())
            return false;
        for (int row = 0; row < paths.size(); ++row) {
            if (shown(row, QueueModel::FormatColumn) != QueueModel::formatTag(paths.at(row)))
                return false;
        }
        return queue->LV()->currentIndex().row() < paths.size();
    }

    QStringList scanList() const
    {
        QStringList paths;
        for (int i = 0; i < queue->List1()->count(); ++i)
            paths.append(queue->List1()->item(i)->text());
        return paths;
    }
};
