#pragma once

#include <string>

namespace vorlund {

// The socket between the program and its clipboard keeper. The program sends
// the text and a NUL; the keeper answers "+" once it owns the clipboard, or
// "!" and the reason.

// Reads to the end of the channel; false unless what came ends with a NUL,
// which is then dropped.
bool ReadText(int Fd, std::string& Text);
// Sends Data whole; false on an error (errno tells).
bool SendAll(int Fd, const std::string& Data);
// "+" once the keeper owns the clipboard, "!" and the reason when it cannot,
// "" when it ended or TimeoutMs passed without a word.
std::string Answer(int Fd, int TimeoutMs = 3000);

} // namespace vorlund
