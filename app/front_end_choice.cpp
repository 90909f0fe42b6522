#include "app/front_end_choice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tintext {

namespace {

// A local display whose server is gone would make the window toolkit abort
// the program, so its socket must exist; remote displays are taken on trust.
bool X11DisplayReachable(const std::string& display) {
    if (display.empty()) return false;
    if (display[0] != ':') return true;  // host:N, or a socket path some servers use
    std::string number = display.substr(1, display.find('.') - 1);
    return ::access(("/tmp/.X11-unix/X" + number).c_str(), F_OK) == 0;
}

bool WaylandDisplayReachable(const std::string& display) {
    if (display.empty()) return false;
    if (display[0] == '/') return ::access(display.c_str(), F_OK) == 0;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && ::access((std::string(runtime) + "/" + display).c_str(), F_OK) == 0;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A program started from a terminal can still talk to it through /dev/tty,
// also with its output redirected; one started from a desktop launcher cannot.
bool HasControllingTerminal() {
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace

bool DisplayAvailable() {
    return WaylandDisplayReachable(Variable("WAYLAND_DISPLAY")) || X11DisplayReachable(Variable("DISPLAY"));
}

Surroundings CurrentSurroundings() {
    return {DisplayAvailable(), isatty(STDERR_FILENO) || HasControllingTerminal()};
}

bool BatchNeedsDialogs(const Surroundings& around) { return around.display && !around.terminal; }

FrontEnd ChooseFrontEnd(const Dictionary& parameters, const Surroundings& around) {
    if (!parameters.Item(Value("check")).IsEmpty() || parameters.Exists(Value("list"))) return FrontEnd::Terminal;
    if (!parameters.Item(Value("in")).IsEmpty())
        return BatchNeedsDialogs(around) ? FrontEnd::BatchDialogs : FrontEnd::Terminal;
    return around.display ? FrontEnd::MainDialog : FrontEnd::Terminal;
}

}  // namespace tintext
