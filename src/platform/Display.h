#pragma once

namespace vorlund {

// True when the X display named by DISPLAY answers. Qt aborts without one,
// so this is asked before any Qt object exists.
bool DisplayReachable();

} // namespace vorlund
