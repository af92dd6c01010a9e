#include "core/Alert.h"
#include "core/EventState.h"
#include "core/Pasteboard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace kit;

namespace {

class PromisingOwner : public PasteboardOwner {
public:
    void pasteboardProvideDataForType(Pasteboard& pb, const std::string& type) override
    {
        ++asked;
        lastType = type;
        if (type == StringPboardType)
            pb.setString("promised text", type);
    }
    void pasteboardChangedOwner(Pasteboard&) override { ++lost; }
    int asked = 0;
    int lost = 0;
    std::string lastType;
};

} // namespace

TEST(Pasteboard, PromisedDataIsFetchedOnceOnDemand)
{
    Pasteboard& pb = Pasteboard::pasteboardWithUniqueName();
    PromisingOwner owner;
    int count = pb.declareTypes({StringPboardType, RTFPboardType}, &owner);
    EXPECT_EQ(count, pb.changeCount());
    EXPECT_EQ(owner.asked, 0);

    EXPECT_EQ(pb.stringForType(StringPboardType), "promised text");
    EXPECT_EQ(pb.stringForType(StringPboardType), "promised text");
    EXPECT_EQ(owner.asked, 1); // kept once supplied

    EXPECT_FALSE(pb.dataForType(RTFPboardType).has_value()); // promise not kept
    EXPECT_EQ(owner.lastType, RTFPboardType);
    EXPECT_FALSE(pb.dataForType(TIFFPboardType).has_value()); // never declared
    EXPECT_EQ(owner.lastType, RTFPboardType);
    EXPECT_FALSE(pb.setData("x", TIFFPboardType));

    EXPECT_EQ(pb.availableTypeFromArray({TIFFPboardType, RTFPboardType, StringPboardType}), RTFPboardType);
    EXPECT_EQ(pb.availableTypeFromArray({TIFFPboardType}), "");
    pb.releaseGlobally();
}

TEST(Pasteboard, ChangeCountsAndOwnerChanges)
{
    Pasteboard& pb = Pasteboard::pasteboardWithName("ScrivlyTestChangeCounts");
    EXPECT_EQ(&pb, &Pasteboard::pasteboardWithName("ScrivlyTestChangeCounts"));
    PromisingOwner first, second;
    int c1 = pb.declareTypes({StringPboardType}, &first);
    int c2 = pb.addTypes({RTFPboardType}, &first);
    EXPECT_EQ(c1, c2); // adding types is not a new declaration
    EXPECT_EQ(pb.types(), (std::vector<std::string>{StringPboardType, RTFPboardType}));
    int c3 = pb.declareTypes({StringPboardType}, &second);
    EXPECT_EQ(c3, c1 + 1);
    EXPECT_EQ(first.lost, 1);
    EXPECT_EQ(second.lost, 0);
    // Declaring again clears the old data.
    pb.setString("a", StringPboardType);
    pb.declareTypes({StringPboardType}, nullptr);
    EXPECT_FALSE(pb.dataForType(StringPboardType).has_value());
    pb.releaseGlobally();
    EXPECT_EQ(Pasteboard::existingPasteboardWithName("ScrivlyTestChangeCounts"), nullptr);
}

TEST(Pasteboard, VanishedOwnerIsNeverAskedAgain)
{
    Pasteboard& pb = Pasteboard::pasteboardWithName(GeneralPboard);
    {
        PromisingOwner owner;
        pb.declareTypes({StringPboardType, RTFPboardType}, &owner);
        pb.setData("kept", RTFPboardType);
    }
    EXPECT_EQ(pb.dataForType(RTFPboardType), "kept");
    EXPECT_FALSE(pb.dataForType(StringPboardType).has_value());
    pb.releaseGlobally(); // shared pasteboards survive, empty
    EXPECT_EQ(Pasteboard::existingPasteboardWithName(GeneralPboard), &pb);
    EXPECT_TRUE(pb.types().empty());
}

TEST(Pasteboard, ConvertersStandInForFilterServices)
{
    Pasteboard::removeAllConverters();
    int calls = 0;
    Pasteboard::registerConverter("A", "B", [&](const std::string& d) {
        ++calls;
        return std::optional<std::string>("B(" + d + ")");
    });
    Pasteboard::registerConverter("B", "C", [](const std::string& d) { return std::optional<std::string>("C(" + d + ")"); });
    Pasteboard::registerConverter("A", "Z", [](const std::string&) { return std::optional<std::string>(); });

    EXPECT_EQ(Pasteboard::typesFilterableTo("A"), (std::vector<std::string>{"B", "Z", "C"}));
    EXPECT_TRUE(Pasteboard::typesFilterableTo("C").empty());

    Pasteboard& pb = Pasteboard::pasteboardByFilteringData("x", "A");
    EXPECT_EQ(pb.dataForType("A"), "x");
    EXPECT_EQ(calls, 0); // converted only when asked
    EXPECT_EQ(pb.dataForType("C"), "C(B(x))");
    EXPECT_EQ(pb.dataForType("B"), "B(x)");
    EXPECT_FALSE(pb.dataForType("Z").has_value()); // a failing converter gives nothing
    pb.releaseGlobally();

    std::string path = ::testing::TempDir() + "filter-source.a";
    {
        std::ofstream(path) << "file";
    }
    Pasteboard::registerConverter(typeForFileExtension("a"), "A", [](const std::string& d) {
        return std::optional<std::string>("A<" + d + ">");
    });
    Pasteboard& fp = Pasteboard::pasteboardByFilteringFile(path);
    EXPECT_EQ(fp.dataForType("B"), "B(A<file>)");
    fp.releaseGlobally();
    Pasteboard& missing = Pasteboard::pasteboardByFilteringFile(path + ".gone.a");
    EXPECT_FALSE(missing.dataForType("A").has_value());
    missing.releaseGlobally();
    std::remove(path.c_str());
    Pasteboard::removeAllConverters();
}

TEST(Alert, ScriptedAnswersAndFormatting)
{
    auto scripted = std::make_shared<ScriptedAlertHandler>();
    auto previous = setAlertHandler(scripted);
    scripted->pushAnswer(AlertAlternateReturn);
    EXPECT_EQ(runAlertPanel("Open", "Version %@ is newer than %d.%d", "Open Anyway", "Cancel", "",
                            {std::string("3.01"), 3LL, 0LL}),
              AlertAlternateReturn);
    EXPECT_EQ(runAlertPanel("Save", "No arguments here: %@ %d", "", "", ""), AlertDefaultReturn);
    beep();
    beep();
    ASSERT_EQ(scripted->shown().size(), 2u);
    EXPECT_EQ(scripted->shown()[0].message, "Version 3.01 is newer than 3.0");
    EXPECT_EQ(scripted->shown()[0].defaultButton, "Open Anyway");
    EXPECT_EQ(scripted->shown()[1].message, "No arguments here:  ");
    EXPECT_EQ(scripted->shown()[1].defaultButton, "OK");
    EXPECT_EQ(scripted->beeps(), 2);
    setAlertHandler(previous);
}

TEST(Alert, FormatDirectives)
{
    struct Case {
        const char* fmt;
        std::vector<FormatArg> args;
        const char* out;
    } cases[] = {
        {"%5.2f|%-4s|%03d", {2.5, std::string("ab"), 7LL}, " 2.50|ab  |007"},
        {"100%% %s", {std::string("done")}, "100% done"},
        {"%g %x %c", {0.25, 255LL, 65LL}, "0.25 ff A"},
        {"%d", {std::string("text")}, ""}, // wrong kind prints nothing
        {"%ld items", {3LL}, "3 items"},
        {"%q?", {}, "%q?"},
        {"trailing %", {}, "trailing %"},
        {"%*d", {5LL}, "%*d"}, // no hidden width arguments
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatWithArgs(c.fmt, c.args), c.out) << c.fmt;
}

TEST(Alert, ModifierFlagsOfTheCurrentEvent)
{
    setCurrentEventModifierFlags(ShiftKeyMask | CommandKeyMask);
    EXPECT_TRUE(currentEventModifierFlags() & ShiftKeyMask);
    EXPECT_FALSE(currentEventModifierFlags() & AlternateKeyMask);
    setCurrentEventModifierFlags(0);
}
