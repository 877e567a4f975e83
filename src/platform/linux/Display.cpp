#include "platform/linux/Display.h"

#include <cerrno>

#include <unistd.h>
#include <xcb/xcb.h>

namespace vorlund {

xcb_connection_t* ConnectDisplay(int* Screen) {
    // A busy X server refuses connections for a moment (a full listen queue
    // when a file manager starts one run per file): try again briefly.
    for (int attempt = 0;; ++attempt) {
        errno = 0;
        xcb_connection_t* connection = xcb_connect(nullptr, Screen);
        const bool busy = errno == EAGAIN || errno == ECONNRESET;
        if (!xcb_connection_has_error(connection) || !busy || attempt == 6) return connection;
        xcb_disconnect(connection);
        ::usleep(10000u << attempt); // 10 ms, then doubling: 1.3 s in all
    }
}

DisplayCheck::DisplayCheck() : connection_(ConnectDisplay(nullptr)) {}

DisplayCheck::~DisplayCheck() {
    xcb_disconnect(connection_);
}

bool DisplayCheck::Reachable() const {
    return xcb_connection_has_error(connection_) == 0;
}

} // namespace vorlund
