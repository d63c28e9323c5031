#include "platform/OsProcess.h"
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

ChildProcess::~ChildProcess()
{
    if (pid > 0) {
        Kill();
        Wait();
    }
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments, bool keepErrorOutput)
{
    if (pid > 0)
        return false;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    // dup2 onto the same number would keep close-on-exec set.
    if (ends[1] == kChildChannel) {
        int moved = fcntl(ends[1], F_DUPFD_CLOEXEC, kChildChannel + 1);
        close(ends[1]);
        ends[1] = moved;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], kChildChannel);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!keepErrorOutput)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = -1;
    int result = ends[1] >= 0 ? posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) : EBADF;
    posix_spawn_file_actions_destroy(&actions);
    if (ends[1] >= 0)
        close(ends[1]);
    if (result != 0) {
        close(ends[0]);
        return false;
    }
    pid = child;
    socket = ends[0];
    fcntl(socket, F_SETFL, fcntl(socket, F_GETFL) | O_NONBLOCK);
    received.clear();
    return true;
}

bool ChildProcess::SendLine(const std::string& line)
{
    if (socket < 0)
        return false;
    std::string message = line + "\n";
    size_t sent = 0;
    while (sent < message.size()) {
        ssize_t n = send(socket, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd writable{socket, POLLOUT, 0};
            if (poll(&writable, 1, 1000) > 0)
                continue;
        }
        return false;
    }
    return true;
}

bool ChildProcess::Receive()
{
    if (socket < 0)
        return false;
    char buffer[4096];
    for (;;) {
        ssize_t n = recv(socket, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        return false; // closed, or broken
    }
}

bool ChildProcess::TakeLine(std::string* line)
{
    size_t end = received.find('\n');
    if (end == std::string::npos)
        return false;
    line->assign(received, 0, end);
    received.erase(0, end + 1);
    return true;
}

void ChildProcess::Kill()
{
    if (pid > 0)
        kill(pid, SIGKILL);
}

int ChildProcess::Wait()
{
    if (socket >= 0) {
        close(socket);
        socket = -1;
    }
    if (pid <= 0)
        return -1;
    int status = 0;
    pid_t ended;
    do {
        ended = waitpid(pid, &status, 0);
    } while (ended < 0 && errno == EINTR);
    pid = -1;
    received.clear();
    if (ended < 0)
        return -1;
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitForChildren(const std::vector<ChildProcess*>& children, int timeoutMs)
{
    std::vector<pollfd> descriptors;
    for (ChildProcess* child : children) {
        if (child->Descriptor() >= 0)
            descriptors.push_back({child->Descriptor(), POLLIN, 0});
    }
    if (descriptors.empty())
        return false;
    int ready;
    do {
        ready = poll(descriptors.data(), descriptors.size(), timeoutMs < 0 ? 0 : timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool ReadParentLine(std::string* line)
{
    line->clear();
    char c;
    for (;;) {
        ssize_t n = read(kChildChannel, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        *line += c;
    }
}

bool WriteParentLine(const std::string& line)
{
    std::string message = line + "\n";
    size_t written = 0;
    while (written < message.size()) {
        ssize_t n = write(kChildChannel, message.data() + written, message.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

} // namespace platform
