#pragma once
// Other programs the production hands work to (the video encoder), and the signals that ask
// a run to stop.
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// True when `name` is an executable file in one of PATH's folders.
bool programInstalled(const std::string& name);

// A program started with its standard input on a pipe that this side writes.
class PipedProcess {
  public:
    PipedProcess() = default;
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;
    ~PipedProcess();
    // argv[0] is looked up in PATH. False when it cannot be started.
    bool start(const std::vector<std::string>& argv);
    bool running() const { return pid_ > 0; }
    // False once the program has stopped reading (it ended or failed).
    bool write(const void* data, size_t bytes);
    // Closes the pipe and waits; the program's exit code, or -1 when it did not end normally.
    int finish();

  private:
    int pid_ = -1;
    int fd_ = -1;
};

// Runs a program to its end, standard input closed; its exit code, or -1.
int runProgram(const std::vector<std::string>& argv);

// From now on SIGINT, SIGTERM and SIGHUP only set a flag that stopRequested() reads, so a run
// can end cleanly; a closed pipe is a failed write instead of the end of the process.
void catchStopSignals();
bool stopRequested();

} // namespace platform
