#include "DisplayCheck.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

const char* const kNoDisplayMessage =
    "VostrelSetup: 需要图形显示（X11 或 Wayland）；没有显示时，"
    "VostrelSetup /VERYSILENT 可以不显示窗口直接安装。 A graphical display (X11 or Wayland) "
    "is needed; without one, VostrelSetup /VERYSILENT installs without any window.";

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The value of Qt's option name ("-name value" or "--name value"); empty when not given.
std::string QtOption(int argc, char* argv[], std::string_view name) {
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument.starts_with("--"))
            argument.remove_prefix(1);
        if (argument.size() == name.size() + 1 && argument[0] == '-' && argument.substr(1) == name)
            return argv[i + 1];
    }
    return {};
}

// A Wayland compositor listens on a socket: an absolute name, or one in XDG_RUNTIME_DIR.
bool WaylandAnswers() {
    const std::string name = Environment("WAYLAND_DISPLAY");
    if (name.empty())
        return false;
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    if (name[0] != '/' && runtime.empty())
        return false;
    const std::string path = name[0] == '/' ? name : runtime + "/" + name;
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool connected =
        connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(socket);
    return connected;
}

struct XDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

// Connects as Qt's X plug-in does, authorisation included. A good connection stays open until
// the program ends: an X server whose last client leaves resets and refuses connections
// meanwhile, which would fail the application's own connection made just after.
bool XServerAnswers(const std::string& display) {
    static std::unique_ptr<xcb_connection_t, XDisconnect> kept;
    if (display.empty())
        return false;
    std::unique_ptr<xcb_connection_t, XDisconnect> connection(
        xcb_connect(display.c_str(), nullptr));
    if (!connection || xcb_connection_has_error(connection.get()) != 0)
        return false;
    kept = std::move(connection);
    return true;
}

} // namespace

bool GraphicalDisplayAvailable(int argc, char* argv[]) {
    if (!Environment("QT_QPA_PLATFORM").empty() || !QtOption(argc, argv, "platform").empty())
        return true;
    const std::string display = QtOption(argc, argv, "display");
    return WaylandAnswers() || XServerAnswers(display.empty() ? Environment("DISPLAY") : display);
}

bool EnsureGraphicalDisplay(int argc, char* argv[]) {
    if (GraphicalDisplayAvailable(argc, argv))
        return true;
    std::fprintf(stderr, "%s\n", kNoDisplayMessage);
    return false;
}

bool DisplayConnectionLost() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && xcb_connection_has_error(connection) != 0;
}
