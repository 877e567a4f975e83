#pragma once

#include <string>

namespace vorlund {

// The socket between the program and its clipboard keeper. The program sends
// a text and a NUL; the keeper answers "+" once it owns the clipboard with
// it, or "!" and the reason. The program sends its next text, if any, only
// after that answer; once it ends, the keeper serves on alone.

// Reads the next text, up to its NUL, which is dropped; false when the
// channel ends first.
bool ReadText(int Fd, std::string& Text);
// Sends Data whole; false on an error (errno tells).
bool SendAll(int Fd, const std::string& Data);
// "+" once the keeper owns the clipboard, "!" and the reason when it cannot,
// "" when it ended or TimeoutMs passed without a word.
std::string Answer(int Fd, int TimeoutMs = 3000);

} // namespace vorlund
