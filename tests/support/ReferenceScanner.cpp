#include "support/ReferenceScanner.h"

#include <algorithm>

namespace vorlund {

void ReferenceScanner::Feed(std::string_view Bytes) {
    for (char c : Bytes) {
        if (bad_) return;
        if (afterCr_) {
            afterCr_ = false;
            if (c == '\n') continue; // the LF of a CR LF
        }
        if (c == '\n' || c == '\r') {
            EndLine();
            afterCr_ = c == '\r';
            continue;
        }
        judge_.Feed(c);
        switch (mode_) {
        case Mode::Code:
            if (c == 'Z') {
                number_.Reset();
                mode_ = Mode::Number;
            } else if (c == '(') {
                mode_ = Mode::Paren;
            } else if (c == ';') {
                mode_ = Mode::Comment;
            }
            break;
        case Mode::Paren:
            if (c == ')') mode_ = Mode::Code;
            break;
        case Mode::Number:
            if (!number_.Feed(c)) {
                EndNumber();
                mode_ = Mode::Skip; // only the first Z word of a line counts
            }
            break;
        case Mode::Comment:
        case Mode::Skip:
            break;
        }
    }
}

void ReferenceScanner::EndNumber() {
    const auto value = number_.Value();
    if (!value) {
        bad_ = line_;
        return;
    }
    if (*value < min_) minLine_ = line_;
    min_ = std::min(min_, *value);
}

// A line ends: its doubts in both tracks; none for the bad line.
void ReferenceScanner::JudgeLine() {
    const LineFacts& facts = judge_.End();
    if (!bad_)
        for (auto& track : result_.Track)
            AddLine(track, result_.Subs, facts, line_);
    judge_.Reset();
}

void ReferenceScanner::EndLine() {
    if (mode_ == Mode::Number) EndNumber();
    mode_ = Mode::Code;
    JudgeLine();
    if (!bad_) ++line_;
}

ScanResult ReferenceScanner::Finish() {
    if (mode_ == Mode::Number) EndNumber();
    mode_ = Mode::Code;
    JudgeLine();
    ScanResult result = result_;
    result.MinZ = min_;
    result.BadLine = bad_;
    result.LineEnds = line_ - 1;
    result.MinLine = minLine_;
    Settle(result);
    return result;
}

ScanResult ReferenceScanBytes(std::string_view Bytes, std::size_t Chunk) {
    ReferenceScanner scanner;
    if (Chunk == 0) Chunk = std::max<std::size_t>(Bytes.size(), 1);
    for (std::size_t at = 0; at < Bytes.size(); at += Chunk)
        scanner.Feed(Bytes.substr(at, Chunk));
    return scanner.Finish();
}

} // namespace vorlund
