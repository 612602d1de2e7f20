#pragma once

#include <QByteArray>

// Root passes every permission check, so a case about permissions proves nothing when the suite
// runs as root, as it does in CI. Such a case starts with TESSALY_RUN_UNPRIVILEGED(): as root it
// runs the test program again for just this case (and data row) as the unprivileged "nobody",
// and passes only when the case passed there without skipping; as anyone else it runs here.
namespace Unprivileged {

struct Rerun {
    bool happened = false; // false: not root, the case runs in this process
    bool passed = false;
    QByteArray report; // what the other run printed, for the failure message
};

Rerun rerunCurrentCaseIfRoot();

} // namespace Unprivileged

#define TESSALY_RUN_UNPRIVILEGED()                                                                 \
    do {                                                                                           \
        const Unprivileged::Rerun rerun = Unprivileged::rerunCurrentCaseIfRoot();                  \
        if (rerun.happened) {                                                                      \
            QVERIFY2(rerun.passed, rerun.report.constData());                                      \
            return;                                                                                \
        }                                                                                          \
    } while (false)
