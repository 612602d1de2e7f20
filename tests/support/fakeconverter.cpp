// A converter for the tests that need one to fail, hang or write nothing on purpose, on Unix and
// on Windows alike. It is called as the real one is, the work copy first and the result last,
// and does what the work copy's first four bytes say, so that one queue can mix outcomes:
//   fail  says the image is broken and exits with 1, writing nothing
//   half  writes the result, then says it gave up and exits with 1
//   part  writes two frames, as for an image of several (result-0.jpg, result-1.jpg), then says
//         it gave up and exits with 1
//   none  exits with 0 and writes nothing
//   warn  writes the result, then warns of a cut-off JPEG as its last words and exits with 0
//   hang  sleeps for ten minutes, then exits with 0 and writes nothing
//   slow  waits TESSALY_FAKE_SLOW_MS milliseconds (600 when unset), then copies
//   gate  "gate NAME": makes NAME.waiting in the folder TESSALY_FAKE_GATES names, waits there
//         until the test makes NAME (opens the gate), then copies
// Anything else is copied to the result. Each command line is appended as a line to the file
// that TESSALY_FAKE_LOG names, when it is set.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path &path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// Several converters log at once: each line goes in one appending write, so none is torn.
void appendLine(const std::string &line)
{
#ifdef _WIN32
    const wchar_t *log = _wgetenv(L"TESSALY_FAKE_LOG");
    if (!log)
        return;
    const HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(file);
#else
    const char *log = std::getenv("TESSALY_FAKE_LOG");
    if (!log)
        return;
    const int file = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (file < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(file, line.data(), line.size());
    ::close(file);
#endif
}

std::string firstBytes(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    std::string bytes(4, '\0');
    file.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(file.gcount()));
    return bytes;
}

std::string gateName(const fs::path &input)
{
    std::ifstream file(input, std::ios::binary);
    std::string line;
    std::getline(file, line);
    return line.size() > 5 ? line.substr(5) : std::string("gate");
}

// Waits at the gate the work copy names until the test opens it.
void waitAtGate(const fs::path &input)
{
    const char *folder = std::getenv("TESSALY_FAKE_GATES");
    if (!folder)
        return;
    const fs::path gate = fs::path(folder) / gateName(input);
    std::ofstream(fs::path(gate).concat(".waiting")).put('\n');
    std::error_code error;
    while (!fs::exists(gate, error))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

std::chrono::milliseconds slowDelay()
{
    const char *delay = std::getenv("TESSALY_FAKE_SLOW_MS");
    return std::chrono::milliseconds(delay ? std::atoi(delay) : 600);
}

bool writeResult(const fs::path &from, const fs::path &to)
{
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error)
        std::cerr << "cannot copy " << utf8(from) << ": " << error.message() << '\n';
    return !error;
}

int convert(const std::vector<fs::path> &arguments)
{
    if (arguments.size() < 2) {
        std::cerr << "usage: convert INPUT [OPTION...] OUTPUT\n";
        return 2;
    }
    std::string line;
    for (const fs::path &argument : arguments) {
        if (!line.empty())
            line += ' ';
        line += utf8(argument);
    }
    line += '\n';
    appendLine(line);

    const fs::path &input = arguments.front();
    const fs::path &output = arguments.back();
    const std::string what = firstBytes(input);
    if (what == "fail") {
        std::cerr << "this image is broken\n";
        return 1;
    }
    if (what == "half") {
        writeResult(input, output);
        std::cerr << "gave up after writing\n";
        return 1;
    }
    if (what == "part") {
        for (const char *frame : {"-0", "-1"}) {
            fs::path written = output;
            written.replace_filename(output.stem().string() + frame + output.extension().string());
            writeResult(input, written);
        }
        std::cerr << "gave up after two frames\n";
        return 1;
    }
    if (what == "none")
        return 0;
    if (what == "warn") {
        writeResult(input, output);
        std::cerr << "convert: Premature end of JPEG file " << utf8(input) << '\n';
        return 0;
    }
    if (what == "hang") {
        std::this_thread::sleep_for(std::chrono::minutes(10));
        return 0;
    }
    if (what == "slow")
        std::this_thread::sleep_for(slowDelay());
    if (what == "gate")
        waitAtGate(input);
    return writeResult(input, output) ? 0 : 1;
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t **argv)
#else
int main(int argc, char **argv)
#endif
{
    return convert(std::vector<fs::path>(argv + 1, argv + argc));
}
