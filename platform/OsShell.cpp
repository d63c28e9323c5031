#include "platform/OsShell.h"
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

bool OpenWithDesktop(const std::string& target)
{
    const char* configured = std::getenv("VELMORA_OPENER");
    const std::string opener = configured && *configured ? configured : "xdg-open";
    // Fork twice so that the opener is adopted by init: no zombie and no
    // wait in the caller, however long the opener runs.
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        setsid();
        pid_t grandchild = fork();
        if (grandchild != 0)
            _exit(grandchild < 0 ? 1 : 0);
        int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execlp(opener.c_str(), opener.c_str(), target.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

// A local display (":N" or "unix:N") answers on its socket; a display on
// another host is taken as there (the toolkit reports it if not).
bool LocalDisplayAnswers(const std::string& display)
{
    std::string rest = display;
    if (rest.rfind("unix:", 0) == 0)
        rest = rest.substr(4);
    if (rest.empty() || rest[0] != ':')
        return true;
    const std::string number = rest.substr(1, rest.find('.') == std::string::npos ? std::string::npos : rest.find('.') - 1);
    const std::string path = "/tmp/.X11-unix/X" + number;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

} // namespace

bool HasDisplay(std::string* why)
{
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        if (LocalDisplayAnswers(display))
            return true;
        if (why)
            *why = std::string("the display '") + display + "' does not answer";
        return false;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (why) {
        *why = wayland && *wayland ? "a Wayland session without XWayland (DISPLAY is not set)"
                                   : "no display (DISPLAY is not set)";
    }
    return false;
}

} // namespace platform
