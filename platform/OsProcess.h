#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

// The descriptor on which a child started by ChildProcess finds its
// connection to the parent: one socket, read for requests, written for
// answers.
inline constexpr int kChildChannel = 3;

// A helper program run as a separate process and spoken to in lines of
// text. Whatever the child does (crash, hang, write garbage to its own
// output) cannot harm the parent: its standard input and output go to
// /dev/null and the parent never blocks on it longer than it chooses.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Standard error goes to /dev/null too unless keepErrorOutput.
    bool Start(const std::string& program, const std::vector<std::string>& arguments, bool keepErrorOutput);
    bool IsStarted() const { return pid > 0; }

    // False when the child is gone.
    bool SendLine(const std::string& line);
    // Moves what has arrived into the line buffer without waiting; false
    // once the child has closed its end (exited or crashed).
    bool Receive();
    // The next complete line (without its newline), if one has arrived.
    bool TakeLine(std::string* line);

    // Ends the child at once.
    void Kill();
    // Waits for the child to end and forgets it: its exit code, or minus
    // the signal number when a signal ended it.
    int Wait();

    int Descriptor() const { return socket; }

private:
    pid_t pid = -1;
    int socket = -1;
    std::string received;
};

// Waits until one of the children has something to read (or has ended),
// at most the given time. False when the time passed.
bool WaitForChildren(const std::vector<ChildProcess*>& children, int timeoutMs);

// The child's side of the connection: the next request line (false at the
// end), and an answer line (false when the parent is gone).
bool ReadParentLine(std::string* line);
bool WriteParentLine(const std::string& line);

} // namespace platform
