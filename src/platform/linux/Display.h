#pragma once

struct xcb_connection_t;

namespace vorlund {

// Connects to DISPLAY, retrying for a moment while the server is too busy to
// accept; the connection may still be in error (xcb_connection_has_error).
xcb_connection_t* ConnectDisplay(int* Screen);

// A connection to the X display named by DISPLAY, asked before any Qt object
// exists: Qt aborts without a display. It stays open for the program's life,
// since a bare X server (Xvfb) resets when its last client leaves, and Qt
// connecting during that reset would abort too.
class DisplayCheck {
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    bool Reachable() const;

private:
    xcb_connection_t* connection_;
};

} // namespace vorlund
