#include "appkit/KeyRebindWatcher.h"
#include "appkit/KeyRecordParsing.h"

#include <QGuiApplication>

#ifdef SCRIVLY_HAVE_XCB
#include <xcb/xcb.h>
#ifdef SCRIVLY_HAVE_XCB_RECORD
#include <xcb/record.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstring>
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
// What a recorded block holds (the protocol numbers them; xcb names none).
constexpr int kFromServer = 0;
constexpr int kFromClient = 1;

class XcbKeyRebindWatcher final : public KeyRebindWatcher {
public:
    // With a recording connection the watcher reads every keyboard mapping
    // request and every key event in the order the server took them, so it
    // knows each binding even when the other program took it back before
    // the watcher could ask. Without one it asks the server on each change.
    XcbKeyRebindWatcher(xcb_connection_t* connection, xcb_connection_t* recording, std::uint32_t context)
        : connection_(connection), recording_(recording), context_(context)
    {
        // Lives as long as the program: it waits for the server for ever.
        std::thread([this] { recording_ ? record() : run(); }).detach();
    }

    void watchWindow(std::uint32_t window) override
    {
        if (recording_) {
            // Key events of every window arrive through the recording.
            std::lock_guard<std::mutex> lock(mutex_);
            watched_.insert(window);
            return;
        }
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
                                                  bool press, bool qtHasText) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!watched_.count(window))
            return std::nullopt;
        const Key key{time, keycode, press};
        // The watcher's thread is quicker than the main loop; a generous
        // bound all the same, so that a busy machine does not lose the key.
        constexpr auto kLongestWait = std::chrono::milliseconds(500);
        if (recording_) {
            // An ordinary key goes on at once: a code no rebinding touched
            // that Qt reads as text.
            if (qtHasText && !rebound_.count(keycode))
                return std::nullopt;
            // The recording holds every key the server took, each after the
            // rebinding before it: wait until it has come this far. (A key
            // another program sent as an event is not recorded; its time is
            // then long past or none.)
            seen_.wait_for(lock, kLongestWait, [&] {
                return texts_.count(key) > 0 || static_cast<std::int32_t>(latestTime_ - time) >= 0;
            });
            if (std::chrono::steady_clock::now() - lastRebinding_ > kRebindingLasts)
                return std::nullopt;
        } else {
            // Keys go on at once unless a program rebinds keys now: a key
            // event the watcher never sees (one of a child window) must not
            // wait.
            if (std::chrono::steady_clock::now() - lastRebinding_ > kRebindingLasts)
                return std::nullopt;
            seen_.wait_for(lock, kLongestWait, [&] { return texts_.count(key) > 0; });
        }
        auto found = texts_.find(key);
        if (found == texts_.end())
            return std::nullopt;
        // Presses of one key within a millisecond come in turn.
        std::optional<std::u32string> text = std::move(found->second.front().second);
        found->second.pop_front();
        if (found->second.empty())
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

    void record()
    {
#ifdef SCRIVLY_HAVE_XCB_RECORD
        const xcb_record_enable_context_cookie_t cookie = xcb_record_enable_context(recording_, context_);
        while (xcb_record_enable_context_reply_t* reply = xcb_record_enable_context_reply(recording_, cookie, nullptr)) {
            // Byte-swapped clients are other machines' programs: not ours to follow.
            if (!reply->client_swapped) {
                const std::uint8_t* data = xcb_record_enable_context_data(reply);
                const int length = xcb_record_enable_context_data_length(reply);
                if (reply->category == kFromServer)
                    recordedEvents(data, length);
                else if (reply->category == kFromClient)
                    recordedRequests(data, length);
            }
            std::free(reply);
        }
#endif
    }

    void recordedEvents(const std::uint8_t* data, int length)
    {
        readRecordedKeys(data, std::size_t(std::max(length, 0)),
                         [this](const RecordedKey& k) { keyEvent(k.keycode, k.time, k.press, k.state); });
    }

    void recordedRequests(const std::uint8_t* data, int length)
    {
        readRecordedMappings(data, std::size_t(std::max(length, 0)), [this](const RecordedMapping& m) {
            bindings(m.first, m.count, m.perKey, m.symbols.data());
        });
    }

    void mappingChanged(std::uint8_t first, std::uint8_t count)
    {
        if (count > kMostKeysOfARebinding) {
            bindings(first, count, 0, nullptr);
            return;
        }
        {
            // Key events wait for the watcher from the change on, not from the answer.
            std::lock_guard<std::mutex> lock(mutex_);
            lastRebinding_ = std::chrono::steady_clock::now();
        }
        // Asked at once: the program that rebinds the key presses it next.
        xcb_get_keyboard_mapping_reply_t* reply =
            xcb_get_keyboard_mapping_reply(connection_, xcb_get_keyboard_mapping(connection_, first, count), nullptr);
        if (!reply)
            return;
        const int total = xcb_get_keyboard_mapping_keysyms_length(reply);
        const int perKey = reply->keysyms_per_keycode;
        if (perKey > 0 && count * perKey <= total)
            bindings(first, count, perKey, xcb_get_keyboard_mapping_keysyms(reply));
        std::free(reply);
    }

    void bindings(int first, int count, int perKey, const std::uint32_t* syms)
    {
        if (count > kMostKeysOfARebinding) {
            std::lock_guard<std::mutex> lock(mutex_);
            for (int code = first; code < first + count; ++code) {
                keysyms_.erase(code);
                lastCharacters_.erase(code);
                rebound_.erase(code);
            }
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lastRebinding_ = std::chrono::steady_clock::now();
            for (int code = first; code < first + count; ++code)
                rebound_.insert(code);
        }
        for (int i = 0; i < count && perKey > 0; ++i) {
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
        if (static_cast<std::int32_t>(key.time - latestTime_) > 0)
            latestTime_ = key.time;
        const std::uint64_t number = ++keptCount_;
        texts_[key].emplace_back(number, std::move(text));
        order_.emplace_back(key, number);
        while (order_.size() > kKeptTexts) {
            // Gone already when the main thread took it.
            auto oldest = texts_.find(order_.front().first);
            if (oldest != texts_.end() && oldest->second.front().first == order_.front().second) {
                oldest->second.pop_front();
                if (oldest->second.empty())
                    texts_.erase(oldest);
            }
            order_.pop_front();
        }
        seen_.notify_all();
    }

    xcb_connection_t* connection_;
    xcb_connection_t* recording_;
    std::uint32_t context_;
    // The thread's own.
    std::map<int, std::vector<std::uint32_t>> keysyms_;
    std::map<int, std::vector<std::uint32_t>> lastCharacters_;
    // Shared with the main thread.
    std::mutex mutex_;
    std::condition_variable seen_;
    std::set<std::uint32_t> watched_;
    // Key codes a small rebinding touched.
    std::set<std::uint32_t> rebound_;
    std::chrono::steady_clock::time_point lastRebinding_{};
    std::uint32_t latestTime_ = 0;
    // Each text with the number it was kept under, oldest first.
    std::map<Key, std::deque<std::pair<std::uint64_t, std::optional<std::u32string>>>> texts_;
    std::deque<std::pair<Key, std::uint64_t>> order_;
    std::uint64_t keptCount_ = 0;
};

// A recording of every client's keyboard mapping requests and of the key
// events, read on a connection of its own; nil where the server has no
// RECORD extension or refuses this client one.
xcb_connection_t* startRecording(xcb_connection_t* connection, std::uint32_t& context)
{
#ifdef SCRIVLY_HAVE_XCB_RECORD
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_record_id);
    if (!extension || !extension->present)
        return nullptr;
    context = xcb_generate_id(connection);
    xcb_record_range_t range;
    std::memset(&range, 0, sizeof range);
    range.core_requests.first = range.core_requests.last = XCB_CHANGE_KEYBOARD_MAPPING;
    range.device_events.first = XCB_KEY_PRESS;
    range.device_events.last = XCB_KEY_RELEASE;
    const xcb_record_client_spec_t clients = XCB_RECORD_CS_ALL_CLIENTS;
    if (xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_record_create_context_checked(connection, context, 0, 1, 1, &clients, &range))) {
        std::free(error);
        return nullptr;
    }
    xcb_connection_t* recording = xcb_connect(nullptr, nullptr);
    if (!recording || xcb_connection_has_error(recording)) {
        if (recording)
            xcb_disconnect(recording);
        xcb_record_free_context(connection, context);
        xcb_flush(connection);
        return nullptr;
    }
    return recording;
#else
    (void)connection;
    (void)context;
    return nullptr;
#endif
}

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
        std::uint32_t context = 0;
        xcb_connection_t* recording = startRecording(connection, context);
        return new XcbKeyRebindWatcher(connection, recording, context);
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
