#pragma once

#include "queue/ImageQueue.h"

#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

// A real window holding the image queue, for tests that drive the queue's commands.
struct QueueWindow {
    QWidget window;
    ImageQueue *queue = new ImageQueue(&window);

    // The display side of the queue: item texts of LV, head first.
    QStringList shownPaths() const
    {
        QStringList paths;
        for (int i = 0; i < queue->LV()->topLevelItemCount(); ++i)
            paths.append(queue->LV()->topLevelItem(i)->text(0));
        return paths;
    }

    // lstFile and LV hold the same paths in the same order, each item with its format tag.
    bool inStep() const
    {
        const QStringList paths = queue->entries();
        if (paths != shownPaths())
            return false;
        for (int i = 0; i < paths.size(); ++i) {
            if (queue->LV()->topLevelItem(i)->text(1) != ImageQueue::FormatTag(paths.at(i)))
                return false;
        }
        return true;
    }

    QStringList scanList() const
    {
        QStringList paths;
        for (int i = 0; i < queue->List1()->count(); ++i)
            paths.append(queue->List1()->item(i)->text());
        return paths;
    }
};
