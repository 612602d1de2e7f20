#pragma once

#include "engine/RunReport.h"

#include <QString>

// Every text a compression run shows, in the user's language: the status label's, the reasons of
// failed entries, the summary in the label's tooltip and the messages. The run reports in codes;
// these word them.
namespace RunTexts {

// The status label while the run is in a state; for Finishing, how the run ended.
QString status(RunState state, const RunSummary &summary);
// "完成.", "已停止.", with the failures counted when there are any.
QString ending(const RunSummary &summary);

// Why an entry gave no result, as short as the tooltip's line for it allows.
QString failureReason(const EntryOutcome &failure);

// The status label's tooltip after a run: what was written and saved, then what failed.
QString summary(const RunSummary &summary);
// A size as the summary gives it: "812 KB", "32.1 MB", "1.4 GB".
QString size(qint64 bytes);
QString folderNotOpened(const QString &folder);

struct Message {
    enum class Look { Plain, Warning, Critical };
    Look look = Look::Plain;
    QString title;
    QString text;
};
Message message(const RunMessage &message);

} // namespace RunTexts
