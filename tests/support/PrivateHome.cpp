// Linked into every test program: before main() runs, the program gets a home of its own.
// Whatever the code under test or Qt writes to the user's folders (the default output folder,
// the settings file, the scratch root, the file dialogs' state) lands in a temporary folder that
// goes away at exit, never in the home of whoever runs the suite, and no run sees what an
// earlier one left there.

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

struct PrivateHome {
    PrivateHome()
    {
        if (!folder.isValid()) {
            // Writing into the real home is what this prevents; better not to run at all.
            std::fputs("no temporary folder for the test's home\n", stderr);
            std::abort();
        }
        const QByteArray home = folder.path().toLocal8Bit();
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qunsetenv("APPDATA");
    }

    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/tessaly-test-home-XXXXXX")};
};

const PrivateHome privateHome;

} // namespace
