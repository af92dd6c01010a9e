#include "appkit/KeyRebindWatcher.h"

#include <QGuiApplication>

#ifdef SCRIVLY_HAVE_XCB
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <vector>
#endif

namespace kit::detail {

char32_t characterForKeysym(std::uint32_t keysym)
{
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF))
        return keysym;
    if (keysym >= 0x01000100 && keysym <= 0x0110FFFF)
        return keysym - 0x01000000;
    if (keysym == 0x20AC) // EuroSign
        return 0x20AC;
    return 0;
}

#ifdef SCRIVLY_HAVE_XCB

namespace {

// A rebinding touches one key code or a few; a new layout touches them all.
constexpr int kMostKeysOfARebinding = 8;
// Texts kept for key events the main thread has not asked for yet.
constexpr std::size_t kKeptTexts = 512;
// After a rebinding, key events wait for the watcher this long: a program
// typing through rebound keys goes on rebinding.
constexpr auto kRebindingLasts = std::chrono::seconds(5);

class XcbKeyRebindWatcher final : public KeyRebindWatcher {
public:
    explicit XcbKeyRebindWatcher(xcb_connection_t* connection) : connection_(connection)
    {
        // Lives as long as the program: it waits for the server for ever.
        std::thread([this] { run(); }).detach();
    }

    void watchWindow(std::uint32_t window) override
    {
        const std::uint32_t mask = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE;
        const xcb_void_cookie_t cookie =
            xcb_change_window_attributes_checked(connection_, window, XCB_CW_EVENT_MASK, &mask);
        // Watched only once the server has taken the request: from then on
        // every key event of the window reaches the watcher.
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            std::free(error);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        watched_.insert(window);
    }

    std::optional<std::u32string> textForKeyEvent(std::uint32_t window, std::uint32_t keycode, std::uint32_t time,
                                                  bool press) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // Keys go on at once unless a program rebinds keys now: a key event
        // the watcher never sees (one of a child window) must not wait.
        if (!watched_.count(window) || std::chrono::steady_clock::now() - lastRebinding_ > kRebindingLasts)
            return std::nullopt;
        const Key key{time, keycode, press};
        // The watcher's thread is quicker than the main loop; a generous
        // bound all the same, so that a busy machine does not lose the key.
        seen_.wait_for(lock, std::chrono::milliseconds(500), [&] { return texts_.count(key) > 0; });
        auto found = texts_.find(key);
        if (found == texts_.end())
            return std::nullopt;
        std::optional<std::u32string> text = found->second;
        texts_.erase(found);
        return text;
    }

private:
    struct Key {
        std::uint32_t time;
        std::uint32_t keycode;
        bool press;
        bool operator<(const Key& other) const
        {
            return std::tie(time, keycode, press) < std::tie(other.time, other.keycode, other.press);
        }
    };

    void run()
    {
        while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
            switch (event->response_type & 0x7F) {
            case XCB_MAPPING_NOTIFY: {
                const auto* m = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
                if (m->request == XCB_MAPPING_KEYBOARD)
                    mappingChanged(m->first_keycode, m->count);
                break;
            }
            case XCB_KEY_PRESS:
            case XCB_KEY_RELEASE: {
                const auto* k = reinterpret_cast<const xcb_key_press_event_t*>(event);
                keyEvent(k->detail, k->time, (event->response_type & 0x7F) == XCB_KEY_PRESS, k->state);
                break;
            }
            default: break;
            }
            std::free(event);
        }
    }

    void mappingChanged(std::uint8_t first, std::uint8_t count)
    {
        if (count <= kMostKeysOfARebinding) {
            std::lock_guard<std::mutex> lock(mutex_);
            lastRebinding_ = std::chrono::steady_clock::now();
        }
        if (count > kMostKeysOfARebinding) {
            std::lock_guard<std::mutex> lock(mutex_);
            for (int code = first; code < first + count; ++code) {
                keysyms_.erase(code);
                lastCharacters_.erase(code);
            }
            return;
        }
        // Asked at once: the program that rebinds the key presses it next.
        xcb_get_keyboard_mapping_reply_t* reply =
            xcb_get_keyboard_mapping_reply(connection_, xcb_get_keyboard_mapping(connection_, first, count), nullptr);
        if (!reply)
            return;
        const int perKey = reply->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int total = xcb_get_keyboard_mapping_keysyms_length(reply);
        for (int i = 0; i < count && perKey > 0 && (i + 1) * perKey <= total; ++i) {
            std::vector<std::uint32_t> forKey(syms + i * perKey, syms + (i + 1) * perKey);
            const int code = first + i;
            // A binding taken back leaves the last one for a press read late.
            bool any = false;
            for (std::uint32_t s : forKey)
                any = any || characterForKeysym(s) != 0;
            if (any)
                lastCharacters_[code] = forKey;
            keysyms_[code] = std::move(forKey);
        }
        std::free(reply);
    }

    void keyEvent(std::uint8_t keycode, std::uint32_t time, bool press, std::uint16_t state)
    {
        auto bound = keysyms_.find(keycode);
        if (bound == keysyms_.end()) {
            // Seen, and Qt's text stands.
            keep({time, keycode, press}, std::nullopt);
            return;
        }
        const std::vector<std::uint32_t>* syms = &bound->second;
        bool any = false;
        for (std::uint32_t s : *syms)
            any = any || characterForKeysym(s) != 0;
        if (!any) {
            auto last = lastCharacters_.find(keycode);
            if (last != lastCharacters_.end())
                syms = &last->second;
        }
        // Shift takes the second symbol where there is one.
        std::uint32_t sym = syms->empty() ? 0 : (*syms)[0];
        if ((state & XCB_MOD_MASK_SHIFT) && syms->size() > 1 && (*syms)[1] != 0)
            sym = (*syms)[1];
        const char32_t c = characterForKeysym(sym);
        keep({time, keycode, press}, c ? std::u32string(1, c) : std::u32string());
    }

    void keep(const Key& key, std::optional<std::u32string> text)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_[key] = std::move(text);
        order_.push_back(key);
        while (order_.size() > kKeptTexts) {
            texts_.erase(order_.front());
            order_.pop_front();
        }
        seen_.notify_all();
    }

    xcb_connection_t* connection_;
    // The thread's own.
    std::map<int, std::vector<std::uint32_t>> keysyms_;
    std::map<int, std::vector<std::uint32_t>> lastCharacters_;
    // Shared with the main thread.
    std::mutex mutex_;
    std::condition_variable seen_;
    std::set<std::uint32_t> watched_;
    std::chrono::steady_clock::time_point lastRebinding_{};
    std::map<Key, std::optional<std::u32string>> texts_;
    std::deque<Key> order_;
};

} // namespace

KeyRebindWatcher* KeyRebindWatcher::shared()
{
    static KeyRebindWatcher* watcher = []() -> KeyRebindWatcher* {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return nullptr;
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (!connection || xcb_connection_has_error(connection)) {
            if (connection)
                xcb_disconnect(connection);
            return nullptr;
        }
        return new XcbKeyRebindWatcher(connection);
    }();
    return watcher;
}

#else

KeyRebindWatcher* KeyRebindWatcher::shared()
{
    return nullptr;
}

#endif

} // namespace kit::detail
