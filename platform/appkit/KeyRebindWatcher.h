#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kit::detail {

// Input methods and test tools type a character the keyboard lacks by
// binding it to a spare key code for one press: they change the keyboard
// mapping, press and release the key, and change the mapping back, a few
// milliseconds apart. Qt reads a new mapping only when its event loop gets
// round to the change, by which time the mapping may be the next one or the
// old one again, and the press types nothing or the previous letter.
//
// The watcher is a thread of its own with its own connection to the X
// server: it reads each small mapping change as it happens and sees the key
// events of the program's windows in the order the server sent them, so it
// knows what each press of a rebound key meant. Key codes that a whole
// keyboard layout change touches are left to Qt.
class KeyRebindWatcher {
public:
    // The watcher of the X display the program runs on, started on first
    // use; nil without an X display (or when it cannot connect).
    static KeyRebindWatcher* shared();

    // Key events of this X window (a top-level window of the program) reach
    // the watcher too.
    virtual void watchWindow(std::uint32_t window) = 0;
    // The text a key event of that window meant, when its key code was
    // rebound by a small mapping change; nothing when Qt's own text stands.
    // Waits for the watcher's thread to have seen the event (the first
    // press of a key rebound just now included) when the key may be one:
    // Qt found no text for it, or a rebinding touched its code before.
    virtual std::optional<std::u32string> textForKeyEvent(std::uint32_t window, std::uint32_t keycode,
                                                          std::uint32_t time, bool press, bool qtHasText) = 0;

protected:
    virtual ~KeyRebindWatcher() = default;
};

// The character a keysym stands for (Latin-1 keysyms and the Unicode
// range 0x01000100 and up); 0 for keysyms that type nothing or are not
// characters.
char32_t characterForKeysym(std::uint32_t keysym);

} // namespace kit::detail
