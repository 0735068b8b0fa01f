#pragma once

// Watches another program's main thread from outside, as a window manager
// does: a _NET_WM_PING sent to its window is answered only when that
// program's event loop gets to it, so the longest time between answers to a
// steady stream of pings is the longest its main thread was held.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

class X11PingProbe {
public:
    using Clock = std::chrono::steady_clock;

    X11PingProbe() : connection_(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(connection_)) return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        wmProtocols_ = atom("WM_PROTOCOLS");
        ping_ = atom("_NET_WM_PING");
        pid_ = atom("_NET_WM_PID");
        netWMName_ = atom("_NET_WM_NAME");
        utf8_ = atom("UTF8_STRING");
        // The answers go to the root window, to whoever listens there for
        // its own structure's changes (Qt sends them with that mask).
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~X11PingProbe() { xcb_disconnect(connection_); }
    X11PingProbe(const X11PingProbe&) = delete;
    X11PingProbe& operator=(const X11PingProbe&) = delete;

    bool isConnected() const { return root_ != 0; }

    // The shown top-level windows of process `processID`.
    std::vector<xcb_window_t> windowsOf(std::int64_t processID)
    {
        std::vector<xcb_window_t> found;
        auto* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
        if (!tree) return found;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            const xcb_window_t window = children[i];
            auto* attributes =
                xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window), nullptr);
            const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            if (!viewable) continue;
            const std::string owner = property(window, pid_, XCB_ATOM_CARDINAL);
            if (owner.size() >= 4) {
                std::uint32_t value = 0;
                std::memcpy(&value, owner.data(), 4);
                if (value == processID) found.push_back(window);
            }
        }
        std::free(tree);
        return found;
    }

    std::string title(xcb_window_t window)
    {
        std::string text = property(window, netWMName_, utf8_);
        return text.empty() ? property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) : text;
    }

    // Pings `window` and collects the answers that have come.
    void ping(xcb_window_t window)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = wmProtocols_;
        event.data.data32[0] = ping_;
        event.data.data32[1] = ++serial_;
        event.data.data32[2] = window;
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
        xcb_flush(connection_);
        collect();
    }

    // Starts counting stalls afresh, from now.
    void restart()
    {
        collect();
        longest_ = Clock::duration::zero();
        lastAnswer_ = Clock::now();
    }

    // The longest time without an answer since restart(), the time up to
    // now since the last answer included.
    double longestStallMilliseconds()
    {
        collect();
        const auto open = Clock::now() - lastAnswer_;
        return std::chrono::duration<double, std::milli>(std::max(longest_, open)).count();
    }

    // How long the program has gone unanswered, up to now.
    double millisecondsSinceLastAnswer()
    {
        collect();
        return std::chrono::duration<double, std::milli>(Clock::now() - lastAnswer_).count();
    }

private:
    void collect()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
                if (message->type == wmProtocols_ && message->data.data32[0] == ping_) {
                    const auto now = Clock::now();
                    longest_ = std::max(longest_, now - lastAnswer_);
                    lastAnswer_ = now;
                }
            }
            std::free(event);
        }
    }

    xcb_atom_t atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : 0;
        std::free(reply);
        return value;
    }

    std::string property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        auto* reply = xcb_get_property_reply(connection_, xcb_get_property(connection_, 0, window, name, type, 0, 1024),
                                             nullptr);
        if (!reply) return {};
        std::string value(static_cast<const char*>(xcb_get_property_value(reply)),
                          static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
        return value;
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_atom_t wmProtocols_ = 0, ping_ = 0, pid_ = 0, netWMName_ = 0, utf8_ = 0;
    std::uint32_t serial_ = 0;
    Clock::time_point lastAnswer_ = Clock::now();
    Clock::duration longest_{};
};
