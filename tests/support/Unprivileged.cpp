#include "tests/support/Unprivileged.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#ifndef Q_OS_WIN
#include <grp.h>
#include <unistd.h>
#endif

namespace Unprivileged {

#ifdef Q_OS_WIN

// No account passes every permission check there the way root does here.
Rerun rerunCurrentCaseIfRoot()
{
    return {};
}

#else

namespace {

// "nobody" and "nogroup" on every Debian system; the ids need no entry in the user database.
constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;

bool reportsPass(const QByteArray &output, const QByteArray &function)
{
    const QList<QByteArray> lines = output.split('\n');
    return std::any_of(lines.cbegin(), lines.cend(), [&function](const QByteArray &line) {
        return line.startsWith("PASS   : ") && line.contains("::" + function + '(');
    });
}

} // namespace

Rerun rerunCurrentCaseIfRoot()
{
    Rerun rerun;
    if (geteuid() != 0)
        return rerun;
    rerun.happened = true;

    // The build tree may lie where nobody cannot reach (under /root): run a copy from a folder
    // any user can enter.
    QTemporaryDir folder;
    const QString program =
        folder.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    if (!folder.isValid() || !QFile::copy(QCoreApplication::applicationFilePath(), program) ||
        !QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther)) {
        rerun.report = "could not lay out a copy of the test program for another user";
        return rerun;
    }

    const QByteArray function = QTest::currentTestFunction();
    QString testCase = QString::fromLatin1(function);
    if (QTest::currentDataTag())
        testCase += u':' + QString::fromLocal8Bit(QTest::currentDataTag());
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    // Between fork and exec: only system calls. A child that cannot give up root must not run
    // the case as root and pass for the wrong reason.
    child.setChildProcessModifier([] {
        if (setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(nobody) != 0)
            _exit(125);
    });
    child.start(program, {testCase});
    // The case's own waits are bounded; the suite's time limit covers a hang.
    child.waitForFinished(-1);
    const QByteArray output = child.readAll();
    rerun.passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                   reportsPass(output, function) && !output.contains("SKIP   : ");
    rerun.report = "as nobody: " + testCase.toLocal8Bit() + " (exit " +
                   QByteArray::number(child.exitCode()) + ")\n" + output;
    return rerun;
}

#endif

} // namespace Unprivileged
