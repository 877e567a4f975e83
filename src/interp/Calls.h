#pragma once

// Calls and loops, as every reader runs them: a call goes to its body and
// back after it, repeated as often as it asks; a loop goes back to its start.

#include "interp/Flow.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlund {

// A call in progress.
struct Frame {
    Place Back;            // the line after the call
    Place Body;            // where it runs from, again for each repeat
    long Left = 0;         // runs still to come after this one
    std::size_t Loops = 0; // the loops open at the call: its own lie above them
};

// The calls in progress, innermost last, nested no deeper than Depth. F is
// Frame or one that adds a reader's own to it; a frame that returned is kept
// to be reused.
template <class F = Frame> class CallStack {
public:
    // What is called, for the runaway's text: "calls".
    CallStack(int Depth, const char* What) : depth_(Depth), what_(What) {}

    bool Empty() const { return size_ == 0; }
    std::size_t Size() const { return size_; }
    F& Top() { return frames_[size_ - 1]; }
    const F* begin() const { return frames_.data(); }
    const F* end() const { return frames_.data() + size_; }
    // The loops open when the innermost call began; 0 outside every call.
    std::size_t Loops() const { return size_ ? frames_[size_ - 1].Loops : 0; }

    // Stops the run when one more call would nest too deep.
    void Room() const {
        if (size_ >= std::size_t(depth_))
            Fail(Reason::Runaway,
                 std::string(what_) + " nested deeper than " + std::to_string(depth_));
    }
    // Calls Body, Runs times in all, from the line just read, with Loops
    // open: the flow goes there. The caller sets what F adds.
    F& Call(Flow& Lines, const Place& Body, long Runs, std::size_t Loops) {
        Room();
        if (size_ == frames_.size()) frames_.emplace_back();
        F& frame = frames_[size_++];
        frame.Back = Lines.Following();
        frame.Body = Body;
        frame.Left = Runs - 1;
        frame.Loops = Loops;
        Lines.Go(Body);
        return frame;
    }
    // The innermost call's next run, when it has one left: the flow goes to
    // its body.
    bool Again(Flow& Lines) {
        F& top = Top();
        if (top.Left <= 0) return false;
        --top.Left;
        Lines.Go(top.Body);
        return true;
    }
    // Back after the innermost call: the frame it leaves, good until the
    // next call.
    const F& Return(Flow& Lines) {
        const F& top = frames_[--size_];
        Lines.Go(top.Back);
        return top;
    }
    // The Size outermost calls go on; when fewer are in progress, empty
    // frames join them.
    void Resize(std::size_t Size) {
        if (frames_.size() < Size) frames_.resize(Size);
        for (; size_ < Size; ++size_)
            frames_[size_] = F{};
        size_ = Size;
    }

private:
    int depth_;
    const char* what_;
    std::vector<F> frames_; // [0, size_) in progress
    std::size_t size_ = 0;
};

// An open loop of a reader's kind K.
template <class K> struct Loop {
    K Kind{};
    Place Head;         // the line that opened it
    Place Again;        // where it goes back to
    double Count = 0.0; // runs left, or the end of a counting loop
    std::string Name;   // the name it is closed by, or its counter's
};

// The open loops, innermost last.
template <class K> class LoopStack {
public:
    std::size_t Size() const { return loops_.size(); }
    Loop<K>& Top() { return loops_.back(); }
    // The innermost loop named Name above the Floor outer ones; nullptr when
    // none.
    Loop<K>* Find(std::string_view Name, std::size_t Floor) {
        for (std::size_t i = loops_.size(); i-- > Floor;)
            if (loops_[i].Name == Name) return &loops_[i];
        return nullptr;
    }
    void Open(Loop<K> Opened) { loops_.push_back(std::move(Opened)); }
    // Closes Closed and the loops inside it.
    void Close(const Loop<K>* Closed) { loops_.resize(std::size_t(Closed - loops_.data())); }
    // Closes the loops inside Outer.
    void CloseInside(const Loop<K>* Outer) {
        loops_.resize(std::size_t(Outer - loops_.data()) + 1);
    }
    // Closes every loop opened at Offset or after it.
    void CloseFrom(std::uint64_t Offset) {
        std::erase_if(loops_, [&](const Loop<K>& L) { return L.Head.Offset >= Offset; });
    }
    // The Size outermost loops stay open; when fewer are, empty ones join
    // them.
    void Resize(std::size_t Size) { loops_.resize(Size); }

private:
    std::vector<Loop<K>> loops_;
};

} // namespace vorlund
