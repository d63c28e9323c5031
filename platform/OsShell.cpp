#include "platform/OsShell.h"
#include <cstdlib>
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

bool HasDisplay(std::string* why)
{
    const char* display = std::getenv("DISPLAY");
    if (display && *display)
        return true;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (why) {
        *why = wayland && *wayland ? "a Wayland session without XWayland (DISPLAY is not set)"
                                   : "no display (DISPLAY is not set)";
    }
    return false;
}

} // namespace platform
