#include "platform/os/OpenUrl.h"

#include "platform/os/Ascii.h"
#include "platform/os/Ini.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace os {
namespace {

constexpr size_t kMaxUrlLength = 2048;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The PATH search is done before fork: the child may only make
// async-signal-safe calls, so it gets a finished path to execv.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    const char* env = std::getenv("PATH");
    std::string_view path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        size_t colon = path.find(':');
        std::string dir(path.substr(0, colon));
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return std::string();
        path.remove_prefix(colon + 1);
    }
}

} // namespace

bool IsWebUrl(std::string_view url) {
    if (url.size() > kMaxUrlLength)
        return false;
    size_t schemeLength;
    if (StartsWithNoCase(url, "http://"))
        schemeLength = 7;
    else if (StartsWithNoCase(url, "https://"))
        schemeLength = 8;
    else
        return false;
    for (char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return false;
    std::string_view rest = url.substr(schemeLength);
    return !rest.empty() && rest.front() != '/';
}

bool OpenUrl(std::string_view url, const Launcher& launch) {
    if (!IsWebUrl(url))
        return false;
    std::vector<std::string> argv = {"xdg-open", std::string(url)};
    return launch ? launch(argv) : SpawnDetached(argv);
}

bool OpenUrlFile(std::string_view path, const Launcher& launch) {
    std::string url = GetProfileString("InternetShortcut", "URL", "", path, kMaxUrlLength + 2);
    return OpenUrl(url, launch);
}

bool SpawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty())
        return false;
    std::string program = FindProgram(argv[0]);
    if (program.empty())
        return false;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // Intermediate: start the program in its own session and leave, so the
        // program is adopted by init and never becomes our zombie.
        pid_t grandchild = fork();
        if (grandchild == 0) {
            setsid();
            int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                if (null > STDERR_FILENO)
                    close(null);
            }
            execv(program.c_str(), args.data());
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    pid_t r;
    do {
        r = waitpid(child, &status, 0);
    } while (r < 0 && errno == EINTR);
    // ECHILD: SIGCHLD is ignored and the child was reaped automatically; the
    // program may well have started.
    if (r < 0)
        return errno == ECHILD;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace os
