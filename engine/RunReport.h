#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// What one queue entry came to, as the run commits it.
struct CommittedEntry {
    QString source;
    bool succeeded = false;
    QString reason;           // why it gave no result; empty when it succeeded
    QString converterMessage; // what the converter wrote, as it wrote it
    qint64 sourceBytes = 0;   // sizes of a written result and its source; 0 otherwise
    qint64 resultBytes = 0;
};

// The whole run, as it ends.
struct RunSummary {
    struct Failure {
        QString source;
        QString reason;
    };

    int written = 0;
    qint64 sourceBytes = 0; // of the images whose result was written
    qint64 resultBytes = 0;
    int largerThanSource = 0;
    QList<Failure> failures;
    bool stopped = false;

    void add(const CommittedEntry &entry)
    {
        if (!entry.succeeded) {
            failures.append({entry.source, entry.reason});
            return;
        }
        ++written;
        sourceBytes += entry.sourceBytes;
        resultBytes += entry.resultBytes;
        if (entry.resultBytes > entry.sourceBytes)
            ++largerThanSource;
    }
};

// How a message the run asks the window to show looks.
enum class RunMessageKind { Plain, Warning, Critical };

Q_DECLARE_METATYPE(CommittedEntry)
Q_DECLARE_METATYPE(RunSummary)
Q_DECLARE_METATYPE(RunMessageKind)
