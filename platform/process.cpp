#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

extern char** environ;

namespace platform {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int) {
    stopSignal = 1;
}

std::vector<char*> argvOf(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv)
        out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

int waitFor(int pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

bool programInstalled(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    for (;;) {
        const auto colon = rest.find(':');
        const std::string dir = rest.substr(0, colon);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return true;
        if (colon == std::string::npos) return false;
        rest = rest.substr(colon + 1);
    }
}

PipedProcess::~PipedProcess() {
    finish();
}

bool PipedProcess::start(const std::vector<std::string>& argv) {
    if (argv.empty() || pid_ > 0) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    std::vector<char*> args = argvOf(argv);
    pid_t pid = -1;
    const int r = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (r != 0) {
        ::close(fds[1]);
        return false;
    }
    pid_ = pid;
    fd_ = fds[1];
    return true;
}

bool PipedProcess::write(const void* data, size_t bytes) {
    if (fd_ < 0) return false;
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = ::write(fd_, p, bytes);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n, bytes -= static_cast<size_t>(n);
    }
    return true;
}

int PipedProcess::finish() {
    if (fd_ >= 0) ::close(fd_), fd_ = -1;
    if (pid_ <= 0) return -1;
    const int code = waitFor(pid_);
    pid_ = -1;
    return code;
}

int runProgram(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args = argvOf(argv);
    pid_t pid = -1;
    const int r = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return r == 0 ? waitFor(pid) : -1;
}

void catchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(s, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool stopRequested() {
    return stopSignal != 0;
}

} // namespace platform
