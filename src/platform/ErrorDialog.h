#pragma once

#include <string>
#include <vector>

namespace vorlund {

// One modal dialog, caption "Vorlund", listing every error line; returns when
// the user closes it. Needs the QApplication.
void ShowErrorDialog(const std::vector<std::string>& Errors);

// True when errors should also go to a dialog: stderr is no terminal (a file
// manager started the program) and --no-dialog was not given.
bool WantErrorDialog(bool NoDialog);

} // namespace vorlund
