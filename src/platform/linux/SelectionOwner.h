#pragma once

#include <xcb/xproto.h>

#include <string>
#include <vector>

namespace vorlund {

// Owns the X CLIPBOARD selection with a text, on a connection of its own, and
// answers the requests for it. PRIMARY is left alone.
class SelectionOwner {
public:
    // Connects to the display named by DISPLAY.
    SelectionOwner();
    ~SelectionOwner();
    SelectionOwner(const SelectionOwner&) = delete;
    SelectionOwner& operator=(const SelectionOwner&) = delete;

    // Takes the clipboard with Text, which drops whatever it held in any
    // format, ours too. False when a newer owner holds it already: another
    // program (another run) took it in the same instant, or the server refused
    // our older time for theirs. Either way the clipboard holds what came
    // last. Throws Error.
    bool Own(std::string Text);
    // Answers requests until another client owns the clipboard, nobody does,
    // or the server goes away (false), or until Wake, when given, can be read
    // (true).
    bool Serve(int Wake = -1);

private:
    struct Reply {
        xcb_atom_t Target;
        xcb_atom_t Type;
        uint8_t Format;   // 8 or 32
        std::string Data; // Format 32: native 32-bit items
    };

    void InternAtoms();
    void MakeWindow();
    xcb_timestamp_t ServerTime();
    xcb_window_t Owner();
    void MakeReplies();
    bool Handle(const xcb_generic_event_t& Event);
    void Answer(const xcb_selection_request_event_t& Request);
    const Reply* Find(xcb_atom_t Target) const;

    xcb_connection_t* connection_;
    int screen_ = 0;
    std::string text_;
    std::vector<xcb_atom_t> atoms_;
    xcb_window_t window_ = XCB_NONE;
    xcb_timestamp_t owned_ = XCB_CURRENT_TIME;
    std::vector<Reply> replies_;
};

// The text as Latin-1, the encoding of STRING; characters beyond it become "?".
std::string Latin1(const std::string& Utf8);

} // namespace vorlund
