#include "platform/Display.h"

#include <xcb/xcb.h>

namespace vorlund {

DisplayCheck::DisplayCheck() : connection_(xcb_connect(nullptr, nullptr)) {}

DisplayCheck::~DisplayCheck() {
    xcb_disconnect(connection_);
}

bool DisplayCheck::Reachable() const {
    return xcb_connection_has_error(connection_) == 0;
}

} // namespace vorlund
