#pragma once

#include "platform/FileCopy.h"

#include <QString>

#include <atomic>
#include <functional>
#include <limits>

// The work files of one conversion slot in the scratch folder: the copy of the image being
// converted and the converter's result. Slot 0 uses tmp.dat and tmp1.jpg in the work folder
// itself; further slots have a folder each, so that converters running side by side never share
// a file.
class WorkFiles
{
public:
    WorkFiles(const QString &workFolder, int slot);

    QString folder() const { return m_folder; }
    QString input() const { return m_folder + QStringLiteral("/tmp.dat"); }
    QString result() const { return m_folder + QStringLiteral("/tmp1.jpg"); }
    // A converted image's work copy, set aside: deleted when it is large, else written over by
    // the slot's next copy.
    QString spare() const { return m_folder + QStringLiteral("/tmp.dat.done"); }
    bool prepareFolder() const;
    // Copies the image to be converted into the slot, from any thread; gives up when `cancel`
    // is set. A scratch copy needs no trip to the disk before it is read, so unlike QFile::copy
    // this never waits for the data to be synced. The spare, when there is one, is written over:
    // making and deleting a file for every image costs the file system more than copying a small
    // one. A copy that fails leaves no work copy behind.
    FileCopy::Result copyIn(const QString &source, const std::atomic_bool &cancel,
                            qint64 largest = std::numeric_limits<qint64>::max()) const;
    // Moves the converted image's copy to the spare's name; false when there was none to move.
    bool setInputAside() const;
    // libheif's decoder's image of an entry's work copy, for the converter to read instead. Named
    // for the entry, so that removing one entry's never touches the next one's.
    QString decoded(quint64 entry) const;
    // Removes the files an earlier entry could have left in this slot: its result, and with
    // `leftovers` the frames of an image of several (tmp1-0.jpg, tmp1-1.jpg, …) and what the
    // decoder wrote.
    void clear(bool leftovers) const;
    // Removes what the decoder wrote for an entry, which is as large as its image uncompressed.
    void removeDecoded(quint64 entry) const;
    // The converter's result: tmp1.jpg, or the first frame's tmp1-0.jpg when the image had
    // several frames, with its size; empty when it produced nothing.
    QString producedResult(qint64 *bytes) const;
    // Whether a produced result is the first of several frames.
    bool isFrame(const QString &result) const;
    // What the decoder wrote for an entry: decoded(entry), or its first image when the file held
    // several (the decoder numbers them from 1, in the order they are listed); empty when it
    // wrote nothing.
    QString producedDecoding(quint64 entry) const;

    // Ends converters that an earlier run left behind: the processes whose command line names a
    // file in the work folder.
    static void terminateLeftovers(const QString &workFolder);

private:
    QString firstFrame() const { return m_folder + QStringLiteral("/tmp1-0.jpg"); }
    static QString decodedStem(quint64 entry);
    void removeMatching(const std::function<bool(const QString &)> &matches) const;

    QString m_folder;
};
