#include "platform/linux/SelectionOwner.h"

#include "common/Error.h"
#include "platform/linux/Display.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <poll.h>
#include <xcb/xcb.h>

namespace vorlund {

namespace {

enum AtomId { kClipboard, kTargets, kTimestamp, kUtf8, kText, kPlain, kPlainUtf8, kStamp, kCount };
const char* const kAtomNames[kCount] = {"CLIPBOARD",
                                        "TARGETS",
                                        "TIMESTAMP",
                                        "UTF8_STRING",
                                        "TEXT",
                                        "text/plain",
                                        "text/plain;charset=utf-8",
                                        "VORLUND_STAMP"};

// SelectionClear may not come, so the owner is also asked this often.
constexpr int kOwnerCheckMs = 1000;

struct FreeDeleter {
    void operator()(void* P) const { std::free(P); }
};
template <typename T> using XcbPtr = std::unique_ptr<T, FreeDeleter>;

std::string Items32(const std::vector<uint32_t>& Items) {
    return std::string(reinterpret_cast<const char*>(Items.data()), Items.size() * 4);
}

} // namespace

std::string Latin1(const std::string& Utf8) {
    std::string text;
    for (size_t i = 0; i < Utf8.size();) {
        const auto lead = static_cast<unsigned char>(Utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (length == 1)
            text += char(lead);
        else if (length == 2 && lead >= 0xC2 && lead <= 0xC3 && i + 1 < Utf8.size())
            text += char(((lead & 0x03) << 6) | (Utf8[i + 1] & 0x3F));
        else
            text += '?';
        i += length;
    }
    return text;
}

SelectionOwner::SelectionOwner() : connection_(ConnectDisplay(&screen_)) {}

SelectionOwner::~SelectionOwner() {
    xcb_disconnect(connection_);
}

bool SelectionOwner::Own(std::string Text) {
    if (xcb_connection_has_error(connection_)) throw Error("cannot open the X display");
    if (window_ == XCB_NONE) MakeWindow();
    text_ = std::move(Text);
    owned_ = ServerTime();
    MakeReplies();
    const size_t limit = size_t(xcb_get_maximum_request_length(connection_)) * 4 - 24;
    if (text_.size() > limit) throw Error("too much text for the clipboard");
    xcb_set_selection_owner(connection_, window_, atoms_[kClipboard], owned_);
    const xcb_window_t owner = Owner();
    if (xcb_connection_has_error(connection_)) throw Error("lost the X display");
    return owner == window_;
}

bool SelectionOwner::Serve(int Wake) {
    pollfd ready[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {Wake, POLLIN, 0}};
    for (;;) {
        while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(connection_)}) {
            if (!Handle(*event)) return false;
        }
        if (xcb_connection_has_error(connection_)) return false;
        xcb_flush(connection_);
        const int n = ::poll(ready, Wake < 0 ? 1 : 2, kOwnerCheckMs);
        if (n < 0 && errno != EINTR) return false;
        if (n > 0 && ready[1].revents) return true;
        if (n == 0 && Owner() != window_) return false;
    }
}

// The window that owns the clipboard, made on the first take-over.
void SelectionOwner::MakeWindow() {
    InternAtoms();
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen_ && roots.rem > 1; ++i)
        xcb_screen_next(&roots);
    window_ = xcb_generate_id(connection_);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, 0, window_, roots.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
}

void SelectionOwner::InternAtoms() {
    xcb_intern_atom_cookie_t cookies[kCount];
    for (int i = 0; i < kCount; ++i)
        cookies[i] =
            xcb_intern_atom(connection_, 0, uint16_t(std::strlen(kAtomNames[i])), kAtomNames[i]);
    for (const auto cookie : cookies) {
        XcbPtr<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(connection_, cookie, nullptr)};
        if (!reply) throw Error("cannot talk to the X display");
        atoms_.push_back(reply->atom);
    }
}

// ICCCM wants the server's time of the take-over, never CurrentTime: the
// time of a PropertyNotify caused by an empty append to our own window.
xcb_timestamp_t SelectionOwner::ServerTime() {
    const auto cookie = xcb_change_property_checked(connection_, XCB_PROP_MODE_APPEND, window_,
                                                    atoms_[kStamp], XCB_ATOM_STRING, 8, 0, nullptr);
    if (XcbPtr<xcb_generic_error_t> error{xcb_request_check(connection_, cookie)})
        throw Error("cannot create a window on the X display");
    while (XcbPtr<xcb_generic_event_t> event{xcb_wait_for_event(connection_)}) {
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window == window_) return notify->time;
    }
    throw Error("lost the X display");
}

xcb_window_t SelectionOwner::Owner() {
    const auto cookie = xcb_get_selection_owner(connection_, atoms_[kClipboard]);
    XcbPtr<xcb_get_selection_owner_reply_t> reply{
        xcb_get_selection_owner_reply(connection_, cookie, nullptr)};
    return reply ? reply->owner : XCB_NONE;
}

// Plain text under every name clients ask for; TARGETS lists them all.
void SelectionOwner::MakeReplies() {
    const std::string latin1 = Latin1(text_);
    replies_ = {
        {atoms_[kTimestamp], XCB_ATOM_INTEGER, 32, Items32({owned_})},
        {atoms_[kUtf8], atoms_[kUtf8], 8, text_},
        {atoms_[kText], atoms_[kUtf8], 8, text_},
        {atoms_[kPlainUtf8], atoms_[kPlainUtf8], 8, text_},
        {XCB_ATOM_STRING, XCB_ATOM_STRING, 8, latin1},
        {atoms_[kPlain], atoms_[kPlain], 8, latin1},
    };
    std::vector<uint32_t> targets{atoms_[kTargets]};
    for (const auto& reply : replies_)
        targets.push_back(reply.Target);
    replies_.push_back({atoms_[kTargets], XCB_ATOM_ATOM, 32, Items32(targets)});
}

bool SelectionOwner::Handle(const xcb_generic_event_t& Event) {
    switch (Event.response_type & 0x7F) {
    case XCB_SELECTION_REQUEST:
        Answer(reinterpret_cast<const xcb_selection_request_event_t&>(Event));
        return true;
    case XCB_SELECTION_CLEAR:
        return false; // another client owns the clipboard now
    default:
        return true; // errors from requestors that went away, among others
    }
}

const SelectionOwner::Reply* SelectionOwner::Find(xcb_atom_t Target) const {
    for (const auto& reply : replies_)
        if (reply.Target == Target) return &reply;
    return nullptr;
}

// Unknown targets, MULTIPLE among them, are refused with property None, as
// are requests older than our ownership.
void SelectionOwner::Answer(const xcb_selection_request_event_t& Request) {
    const xcb_atom_t property = Request.property == XCB_NONE ? Request.target : Request.property;
    const bool inTime = Request.time == XCB_CURRENT_TIME || int32_t(Request.time - owned_) >= 0;
    const Reply* reply = Find(Request.target);
    const bool served = Request.selection == atoms_[kClipboard] && inTime && reply;
    if (served)
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, Request.requestor, property,
                            reply->Type, reply->Format,
                            uint32_t(reply->Data.size() / (reply->Format / 8)), reply->Data.data());
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = Request.time;
    notify.requestor = Request.requestor;
    notify.selection = Request.selection;
    notify.target = Request.target;
    notify.property = served ? property : XCB_NONE;
    char event[32] = {};
    static_assert(sizeof notify <= sizeof event);
    std::memcpy(event, &notify, sizeof notify);
    xcb_send_event(connection_, 0, Request.requestor, XCB_EVENT_MASK_NO_EVENT, event);
    xcb_flush(connection_);
}

} // namespace vorlund
