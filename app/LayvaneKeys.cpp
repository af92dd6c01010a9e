#include "app/Layvane.h"

#include "appkit/Event.h"
#include "appkit/Receiver.h"
#include "core/EventState.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "core/Bundle.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {
constexpr std::uint16_t EditingAction = 0x0F7A;

std::uint16_t action(std::string* out, const char* name)
{
    if (out)
        *out = name;
    return EditingAction;
}

// The actions of the built-in table: always known, whatever objects exist.
constexpr const char* BuiltInActions[] = {
    "hangingIndentExpand:", "hangingIndentReduce:", "indentLeftIn:", "indentLeftOut:", "killToEOP:",
    "killToEOL:",           "indentRightIn:",       "indentRightOut:", "paste:",      "copy:",
    "cut:",                 "printDocument:",
};

// Searched in this order: "F12" before "F1", so that a line naming F12 is
// not taken for F1.
constexpr struct {
    const char* name;
    int code;
} FunctionKeys[] = {
    {"F12", 0xF70F}, {"F11", 0xF70E}, {"F10", 0xF70D}, {"F9", 0xF70C}, {"F8", 0xF70B}, {"F7", 0xF70A},
    {"F6", 0xF709},  {"F5", 0xF708},  {"F4", 0xF707},  {"F3", 0xF706}, {"F2", 0xF705}, {"F1", 0xF704},
};

bool contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

// Key maps are ASCII text: a line with another control character or a byte
// above 0x7E comes from a damaged or binary file.
bool isPlainText(std::string_view line)
{
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t' && byte != '\r') || byte > 0x7E)
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

enum class LineResult { Record, PassedOver, Skipped };

LineResult readLine(std::string_view line, keymap* record)
{
    if (line.size() > Layvane::MaxKeymapLine || !isPlainText(line))
        return LineResult::Skipped;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return LineResult::PassedOver;
    const std::string_view keyPart = line.substr(0, equals);
    int modifiers = 0;
    if (contains(keyPart, "Shift"))
        modifiers |= int(kit::ShiftKeyMask);
    const bool control = contains(keyPart, "Ctrl") || contains(keyPart, "Control");
    if (control)
        modifiers |= int(kit::ControlKeyMask);
    if (contains(keyPart, "Alt"))
        modifiers |= int(kit::AlternateKeyMask);
    int key = 0;
    if (const std::size_t quote = keyPart.find('"'); quote != std::string_view::npos) {
        // The key is the character after the quote; a quote ending the key
        // part names none.
        if (quote + 1 >= keyPart.size())
            return LineResult::PassedOver;
        key = static_cast<unsigned char>(keyPart[quote + 1]);
        if (control)
            key &= 0x1F;
    } else {
        for (const auto& f : FunctionKeys)
            if (contains(keyPart, f.name)) {
                key = f.code;
                break;
            }
        if (!key)
            return LineResult::PassedOver;
    }
    const std::string_view name = trimmed(line.substr(equals + 1));
    if (name.empty() || !kit::Receiver::isRegisteredSelector(std::string(name)))
        return LineResult::Skipped;
    *record = keymap{key, modifiers, 0, std::string(name)};
    return LineResult::Record;
}

// At most the key map's size limit of the file; none when it cannot be read.
std::optional<std::string> readKeymapFile(const std::string& path, bool* cut)
{
    const std::optional<kit::FileAttributes> attributes = kit::FileManager::fileAttributesAtPath(path);
    if (!attributes || attributes->type != kit::FileType::Regular)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    // One byte past the limit tells a file cut there.
    const std::size_t room = std::size_t(std::min<std::uint64_t>(attributes->size, Layvane::MaxKeymapFileSize)) + 1;
    std::string bytes(room, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    if (in.bad())
        return std::nullopt;
    bytes.resize(std::size_t(in.gcount()));
    *cut = bytes.size() > Layvane::MaxKeymapFileSize;
    if (*cut)
        bytes.resize(Layvane::MaxKeymapFileSize);
    return bytes;
}
} // namespace

KeymapReading Layvane::readKeymap(std::string_view text)
{
    static const bool registered = [] {
        for (const char* name : BuiltInActions)
            kit::Receiver::registerSelector(name);
        return true;
    }();
    (void)registered;
    KeymapReading reading;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        keymap record;
        switch (readLine(line, &record)) {
        case LineResult::Record:
            reading.records.push_back(std::move(record));
            break;
        case LineResult::Skipped:
            if (!reading.skippedLines++)
                reading.firstSkippedLine = number;
            break;
        case LineResult::PassedOver:
            break;
        }
    }
    return reading;
}

std::string Layvane::keymapPath(const std::string& name) const
{
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return std::string();
    const std::string file = name + "." + keymapFileExtension();
    const std::string user = kit::FileManager::stringByAppendingPathComponent(kit::UserDefaults::defaultsFolder(), file);
    if (kit::FileManager::fileExistsAtPath(user))
        return user;
    return kit::Bundle::pathForResource(name, keymapFileExtension());
}

void Layvane::setKeymapName(const std::optional<std::string>& name)
{
    keymapName_ = name;
    keymappings_.reset();
    if (name)
        (void)keymappings();
}

const std::vector<keymap>* Layvane::keymappings() const
{
    if (keymappings_ || !keymapName_)
        return keymappings_.get();
    keymappings_ = std::make_unique<std::vector<keymap>>();
    const std::string path = keymapPath(*keymapName_);
    if (path.empty())
        return keymappings_.get();
    bool cut = false;
    const std::optional<std::string> bytes = readKeymapFile(path, &cut);
    if (!bytes) {
        std::fprintf(stderr, "Key map %s cannot be read; only the built-in keys apply.\n", path.c_str());
        return keymappings_.get();
    }
    // A file cut at the size limit loses its last, partial line.
    std::string_view text(*bytes);
    if (cut)
        text = text.substr(0, text.rfind('\n') == std::string_view::npos ? 0 : text.rfind('\n') + 1);
    KeymapReading reading = readKeymap(text);
    *keymappings_ = std::move(reading.records);
    // One warning for the file, however many lines it loses.
    std::string warning;
    if (reading.skippedLines)
        warning = std::to_string(reading.skippedLines) + " line(s) left out, from line "
                  + std::to_string(reading.firstSkippedLine) + " on (longer than " + std::to_string(MaxKeymapLine)
                  + " characters, not plain text, or naming no known action)";
    if (cut)
        warning += std::string(warning.empty() ? "" : "; ") + "only its first 1 MiB was read";
    if (!warning.empty())
        std::fprintf(stderr, "Key map %s: %s.\n", path.c_str(), warning.c_str());
    return keymappings_.get();
}

bool Layvane::findKeymappingForEvent(const kit::Event& event, std::uint16_t* key, std::string* action) const
{
    if (event.type() != kit::EventType::KeyDown || !key)
        return false;
    const std::vector<keymap>* records = keymappings();
    if (!records)
        return false;
    const unsigned flags = event.modifierFlags();
    for (const keymap& record : *records) {
        if (record.key != *key || (flags & unsigned(record.modifiers)) != unsigned(record.modifiers))
            continue;
        if (record.result) {
            *key = std::uint16_t(record.result);
        } else {
            *key = EditingAction;
            if (action)
                *action = record.action;
        }
        return true;
    }
    return false;
}

std::uint16_t Layvane::convertKeyEvent(const kit::Event& event, std::string* out) const
{
    std::uint16_t key = firstKeyInString(event.characters());
    if (findKeymappingForEvent(event, &key, out))
        return key;
    const unsigned flags = event.modifierFlags();
    const bool alt = flags & kit::AlternateKeyMask;
    const bool ctrl = flags & kit::ControlKeyMask;
    const bool shift = flags & kit::ShiftKeyMask;
    // Alternate is tested before Control, Control before Shift.
    if (key == 0x19 && shift)
        key = 0x09;
    switch (key) {
    case 0x01: return 0xF7EC;
    case 0x02: return 0xF702;
    case 0x03:
    case 0x0D: return ctrl ? 0xF7EB : 0x0A;
    case 0x04: return 0xF728;
    case 0x05: return 0xF7ED;
    case 0x06: return 0xF703;
    case 0x08:
    case 0x7F: return 0xF7E8;
    case 0x09:
        if (alt)
            return action(out, shift ? "hangingIndentReduce:" : "hangingIndentExpand:");
        if (ctrl)
            return action(out, shift ? "indentLeftOut:" : "indentLeftIn:");
        return shift ? 0x0B : 0x09;
    case 0x0B: return action(out, shift ? "killToEOL:" : "killToEOP:");
    case 0x0E: return 0xF701;
    case 0x10: return 0xF700;
    case 0x12: return action(out, shift ? "indentRightOut:" : "indentRightIn:");
    case 0x14: return 0xF7E9;
    case 0x16: return 0xF72D;
    case 0x19: return action(out, "paste:");
    case 0xF700: return alt ? (ctrl ? 0xF7E4 : 0xF72C) : ctrl ? 0xF7E2 : 0xF700;
    case 0xF701: return alt ? (ctrl ? 0xF7E6 : 0xF72D) : ctrl ? 0xF7E3 : 0xF701;
    case 0xF702: return alt ? (ctrl ? 0xF7E5 : 0xF729) : ctrl ? 0xF7E0 : 0xF702;
    case 0xF703: return alt ? (ctrl ? 0xF7E7 : 0xF72B) : ctrl ? 0xF7E1 : 0xF703;
    case 0xF727:
        if (shift)
            return action(out, "paste:");
        if (ctrl)
            return action(out, "copy:");
        return key;
    case 0xF728: return shift ? action(out, "cut:") : key;
    case 0xF729: return ctrl ? 0xF7E5 : key;
    case 0xF72B: return ctrl ? 0xF7E7 : key;
    case 0xF72C: return ctrl ? 0xF7E4 : key;
    case 0xF72D: return ctrl ? 0xF7E6 : key;
    case 0xF72E: return action(out, "printDocument:");
    default: return key;
    }
}
