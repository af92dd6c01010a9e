#include "AppTestSupport.h"

#include "appkit/Responder.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "text/TextFlow.h"
#include "text/TextWord.h"

namespace {

constexpr unsigned Shift = kit::ShiftKeyMask, Ctrl = kit::ControlKeyMask, Alt = kit::AlternateKeyMask;
constexpr std::uint16_t F5 = 0xF708, F12 = 0xF70F;

class Keymaps : public AppTest {};

TEST_F(Keymaps, LinesOfAKeyMapBecomeRecordsInFileOrder)
{
    Layvane::initialize();
    struct Line {
        std::string text;
        // Expected record; an empty action: no record.
        int key;
        int modifiers;
        const char* action;
        bool counted; // left out with the warning
    };
    const std::string longLine = "\"a\" = copy:" + std::string(250, ' ');
    const std::string longest = "\"z\" = copy:" + std::string(Layvane::MaxKeymapLine - 11, ' ');
    const Line lines[] = {
        {"\"x\" = paste:", 'x', 0, "paste:", false},
        {"Ctrl \"c\" = copy:", 0x03, int(Ctrl), "copy:", false},
        {"  Shift Control \"K\"  =   killToEOL:  \r", 0x0B, int(Shift | Ctrl), "killToEOL:", false},
        {"Alt \"q\" = cut:", 'q', int(Alt), "cut:", false},
        {"Shift F12 = cut:", F12, int(Shift), "cut:", false},
        {"F1 Alt Ctrl = indentLeftIn:", 0xF704, int(Alt | Ctrl), "indentLeftIn:", false},
        {"F10 = printDocument:", 0xF70D, 0, "printDocument:", false},
        {longest, 'z', 0, "copy:", false},
        {"\"u\" = noSuchAction:", 0, 0, "", true},
        {"F5 =", 0, 0, "", true},
        {"a comment without the sign", 0, 0, "", false},
        {"Ctrl = copy:", 0, 0, "", false},   // neither a quote nor a function key
        {"Ctrl \"= copy:", 0, 0, "", false}, // the quote names no key
        {longLine, 0, 0, "", true},
        {std::string("\"b\" = copy:\x01\xff", 13), 0, 0, "", true},
    };
    std::string file;
    std::vector<keymap> expected;
    int firstCounted = 0, counted = 0;
    for (size_t i = 0; i < std::size(lines); ++i) {
        file += lines[i].text + "\n";
        if (*lines[i].action)
            expected.push_back({lines[i].key, lines[i].modifiers, 0, lines[i].action});
        if (lines[i].counted && !counted++)
            firstCounted = int(i) + 1;
    }
    const KeymapReading reading = Layvane::readKeymap(file);
    ASSERT_EQ(reading.records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].action);
        EXPECT_EQ(reading.records[i].key, expected[i].key);
        EXPECT_EQ(reading.records[i].modifiers, expected[i].modifiers);
        EXPECT_EQ(reading.records[i].result, 0);
        EXPECT_EQ(reading.records[i].action, expected[i].action);
    }
    EXPECT_EQ(reading.skippedLines, counted);
    EXPECT_EQ(reading.firstSkippedLine, firstCounted);
}

TEST_F(Keymaps, TheKeyMapComesBeforeTheBuiltInTable)
{
    Layvane& delegate = makeDelegate();
    writeUserKeymap("Mine", "Shift F12 = cut:\n"
                            "Ctrl \"c\" = copy:\n"
                            "Shift F12 = paste:\n"
                            "\"k\" = killToEOP:\n");
    delegate.setKeymapName(std::string("Mine"));
    struct Case {
        std::u16string chars;
        unsigned flags;
        std::uint16_t code;
        const char* action;
    };
    const Case cases[] = {
        {u"\uF70F", Shift, 0x0F7A, "cut:"},       // the first matching line wins
        {u"\uF70F", Shift | Ctrl, 0x0F7A, "cut:"}, // other modifiers may be down
        {u"\uF70F", 0, F12, ""},                   // Shift is required
        {u"\x03", Ctrl, 0x0F7A, "copy:"},          // ahead of the built-in Enter rule
        {u"\x03", 0, 0x0A, ""},
        {u"k", Alt, 0x0F7A, "killToEOP:"},
        {u"\x01", Ctrl, 0xF7EC, ""}, // the built-in table still applies
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << unsigned(c.chars[0]) << " " << c.flags);
        std::string action;
        EXPECT_EQ(delegate.convertKeyEvent(key(c.chars, c.flags), &action), c.code);
        EXPECT_EQ(action, c.action);
    }
    // Only key downs are looked up.
    std::uint16_t code = 'k';
    std::string action;
    EXPECT_FALSE(delegate.findKeymappingForEvent(key(u"k", 0, kit::EventType::KeyUp), &code, &action));
    EXPECT_EQ(code, 'k');
}

TEST_F(Keymaps, TheUserFolderComesFirstAndAMissingFileLeavesTheBuiltInTable)
{
    Layvane& delegate = makeDelegate();
    const std::string resources = kit::FileManager::uniqueTemporaryPath("keymap-resources");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(resources));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(resources + "/Shipped.keymap", "F5 = copy:\n"));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(resources + "/Both.keymap", "F5 = copy:\n"));
    writeUserKeymap("Both", "F5 = paste:\n");
    const char* saved = std::getenv("SCRIVLY_RESOURCES");
    const std::string savedResources = saved ? saved : "";
    setenv("SCRIVLY_RESOURCES", resources.c_str(), 1);
    struct Case {
        std::optional<std::string> name;
        bool listed;
        const char* action; // of F5; empty for the built-in answer
    };
    const Case cases[] = {
        {"Shipped", true, "copy:"}, {"Both", true, "paste:"}, {"Missing", true, ""},
        {"../Shipped", true, ""},   {"", true, ""},           {std::nullopt, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.value_or("none"));
        delegate.setKeymapName(std::string("Shipped"));
        delegate.setKeymapName(c.name);
        EXPECT_EQ(delegate.keymappings() != nullptr, c.listed);
        std::string action;
        const std::uint16_t code = delegate.convertKeyEvent(key(u"\uF708"), &action);
        EXPECT_EQ(action, c.action);
        EXPECT_EQ(code, *c.action ? 0x0F7A : F5);
    }
    if (saved)
        setenv("SCRIVLY_RESOURCES", savedResources.c_str(), 1);
    else
        unsetenv("SCRIVLY_RESOURCES");
    kit::FileManager::removeFileAtPath(resources);
}

TEST_F(Keymaps, ADamagedFileKeepsItsSoundLinesWithOneWarning)
{
    Layvane& delegate = makeDelegate();
    // Binary bytes without a line end, long runs, NULs, then a sound line.
    std::string bytes = "F5 = copy:\n";
    for (int i = 0; i < 4000; ++i)
        bytes += char((i * 37) & 0xFF);
    bytes += "\n\"q\" = paste:\n";
    bytes += std::string(600, 'A') + "\n";
    bytes += "\"w\" = noSuchAction:";
    writeUserKeymap("Damaged", bytes);
    testing::internal::CaptureStderr();
    delegate.setKeymapName(std::string("Damaged"));
    const std::string warnings = testing::internal::GetCapturedStderr();
    ASSERT_NE(delegate.keymappings(), nullptr);
    ASSERT_EQ(delegate.keymappings()->size(), 2u);
    EXPECT_EQ(delegate.keymappings()->at(0).action, "copy:");
    EXPECT_EQ(delegate.keymappings()->at(1).key, 'q');
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1) << warnings;
    EXPECT_NE(warnings.find("Damaged.keymap"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("from line 2"), std::string::npos) << warnings;

    // A file past the size limit is read up to its last whole line there.
    const std::string line = "F5 = copy:\n";
    std::string huge;
    while (huge.size() <= Layvane::MaxKeymapFileSize)
        huge += line;
    writeUserKeymap("Huge", huge);
    testing::internal::CaptureStderr();
    delegate.setKeymapName(std::string("Huge"));
    const std::string cut = testing::internal::GetCapturedStderr();
    EXPECT_EQ(delegate.keymappings()->size(), Layvane::MaxKeymapFileSize / line.size());
    EXPECT_NE(cut.find("only its first 1 MiB"), std::string::npos) << cut;
    EXPECT_EQ(std::count(cut.begin(), cut.end(), '\n'), 1) << cut;

    // A sound file says nothing.
    writeUserKeymap("Sound", "F5 = copy:\n");
    testing::internal::CaptureStderr();
    delegate.setKeymapName(std::string("Sound"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Where the action of a bound key goes: along the responder chain of the key
// window, from its first responder.
class ActionTaker : public kit::View {
public:
    ActionTaker()
    {
        setAction("takeKeymapAction:", [this](kit::Object* sender) -> kit::Object* {
            ++taken;
            this->sender = sender;
            return this;
        });
    }
    bool acceptsFirstResponder() const override { return true; }
    int taken = 0;
    kit::Object* sender = nullptr;
};

TEST_F(Keymaps, ABoundKeysActionReachesTheResponderChain)
{
    Layvane& delegate = makeDelegate();
    TextWord::initialize();
    kit::Window window(kit::makeRect(0, 0, 200, 100));
    auto owned = std::make_unique<ActionTaker>();
    ActionTaker* taker = owned.get();
    window.setContentView(std::move(owned));
    ASSERT_TRUE(window.makeFirstResponder(taker));
    window.makeKeyWindow();
    writeUserKeymap("Actions", "Alt F5 = takeKeymapAction:\n");
    delegate.setKeymapName(std::string("Actions"));

    TextFlow flow;
    kit::Object* answer = flow.processKeyEvent(key(u"\uF708", Alt), nullptr, nullptr);
    EXPECT_EQ(taker->taken, 1);
    EXPECT_EQ(answer, taker);
    // Without Alternate the key is the flow's own: no action.
    (void)flow.processKeyEvent(key(u"\uF708"), nullptr, nullptr);
    EXPECT_EQ(taker->taken, 1);
}

} // namespace
