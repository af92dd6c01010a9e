#include "view/tests/EditingTestSupport.h"

#include "panels/PanelFind.h"
#include "panels/PanelSpellCheck.h"
#include "panels/SpellText.h"

#include "appkit/Browser.h"
#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/TextField.h"
#include "core/Encoding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// UTF-8 to the documents' set.
std::string ns(const std::string& utf8) { return kit::fromUTF8(kit::Encoding::NeXTSTEP, utf8).value(); }

std::string resources()
{
    const char* r = std::getenv("SCRIVLY_RESOURCES");
    return r ? r : "";
}

// A dictionary of the words (UTF-8) made by the program's own builder.
bool buildDictionary(const std::string& path, int language, const std::vector<std::string>& words)
{
    const std::string list = path + ".txt";
    {
        std::ofstream out(list, std::ios::binary);
        for (const std::string& word : words)
            out << word << "\n";
    }
    const std::string command =
        resources() + "/../bin/dictbuild " + std::to_string(language) + " " + path + " " + list + " > /dev/null";
    const bool made = std::system(command.c_str()) == 0;
    std::remove(list.c_str());
    return made;
}

// The fixture dictionaries: English (the main language) and French; no
// Icelandic.
class SpellFixtures {
public:
    SpellFixtures()
    {
        folder = kit::FileManager::uniqueTemporaryPath("spell-dictionaries");
        kit::FileManager::createDirectoryAtPath(folder);
        made = buildDictionary(folder + "/American.dct", 0,
                               {"the", "cat", "sat", "on", "mat", "dog", "a", "word", "caf\xC3\xA9", "etc.", "and",
                                "is", "here", "there"}) &&
               buildDictionary(folder + "/French1.dct", 4, {"chat", "chien", "le", "\xC3\xA9t\xC3\xA9"});
    }
    ~SpellFixtures() { kit::FileManager::removeFileAtPath(folder); }
    std::string folder;
    bool made = false;
};

class PanelSpellCheckTest : public EditingTest {
protected:
    static void SetUpTestSuite()
    {
        EditingTest::SetUpTestSuite();
        fixtures_ = new SpellFixtures;
    }
    static void TearDownTestSuite()
    {
        delete fixtures_;
        fixtures_ = nullptr;
    }

    void SetUp() override
    {
        EditingTest::SetUp();
        ASSERT_TRUE(fixtures_->made);
        PanelFind::initialize();
        PanelSpellCheck::initialize();
        panel_ = dynamic_cast<PanelSpellCheck*>(delegate_->panel("spellPanel", true));
        ASSERT_NE(panel_, nullptr);
        ASSERT_NE(panel_->badWordBrowser(), nullptr);
        panel_->setDictionaryFolder(fixtures_->folder);
    }

    void reset()
    {
        TearDown();
        pages_.clear();
        SetUp();
    }

    // The text typed into the edited first column; words of the language.
    void setText(const std::string& bytes, int language = 0)
    {
        type(flow_, bytes);
        for (const auto& paragraph : flow_->paragraphList())
            for (const auto& word : paragraph->wordList())
                word->setLangId(short(language));
        first_->beginEditing(nullptr, view_);
        ASSERT_TRUE(view_->isEditing());
        document_->setSelection({first_}, view_);
        caretAt(0, 0, 0);
    }

    std::vector<std::string> badWords() const { return panel_->badWords().words(); }

    // The bad-word browser's rows: text and whether enabled.
    std::vector<std::pair<std::string, bool>> rows() const
    {
        std::vector<std::pair<std::string, bool>> out;
        const kit::CellMatrix* matrix = panel_->badWordBrowser()->matrixInColumn(0);
        for (int r = 0; matrix && r < matrix->numberOfRows(); ++r)
            out.push_back({matrix->cellAtRow(r, 0)->stringValue(), matrix->cellAtRow(r, 0)->isEnabled()});
        return out;
    }

    int alertsTitled(const std::string& title) const
    {
        int n = 0;
        for (const auto& shown : alerts_->shown())
            n += shown.title == title;
        return n;
    }

    static SpellFixtures* fixtures_;
    PanelSpellCheck* panel_ = nullptr;
};

SpellFixtures* PanelSpellCheckTest::fixtures_ = nullptr;

} // namespace

TEST_F(PanelSpellCheckTest, CheckAllReportsEachMisspelledWordOnceInTheOrderOfTheText)
{
    const std::string longWord(130, 'q');
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> bad;
        bool found = true; // the first is found in the text
    };
    const Case cases[] = {
        {"order and repeats", "zebrax the qqq cat zebrax", {"zebrax", "qqq"}},
        // Known only with its period: a guess is the word plus the period.
        {"abbreviation", "the cat etc. sat", {}},
        // The quotes and the comma are not part of the word.
        {"quote and comma", "\xAA" "cat\xBA, (dgo), sat", {"dgo"}},
        // A run of three is checked, and listed, as two.
        {"three marks", "cat zz!!!zz mat", {"zz!!zz"}, false},
        {"punctuation alone", "cat !!! mat", {}},
        {"ligature spelt out", "the c\xAE" "x", {"cfix"}, false},
        // Past what the engine looks at: never reported.
        {"too long", "cat " + longWord + " mat", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        setText(c.text);
        panel_->findAll(nullptr);
        EXPECT_EQ(badWords(), c.bad);
        EXPECT_EQ(alertsTitled("Language"), 0);
        EXPECT_EQ(panel_->findNextButton()->isEnabled(), !c.bad.empty());
        if (!c.bad.empty()) {
            // The first is in the field and found in the text.
            EXPECT_EQ(panel_->badWordField()->stringValue(), kit::toUTF8(kit::Encoding::NeXTSTEP, c.bad.front()));
            const TextSelection* selection = flow_->textSelection();
            EXPECT_EQ(selection && !selection->isEmpty(), c.found);
        }
    }
}

TEST_F(PanelSpellCheckTest, NoMisspelledWordGivesTheAlertAndABeep)
{
    setText("the cat sat on the mat");
    panel_->findAll(nullptr);
    EXPECT_TRUE(badWords().empty());
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Spelling");
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("No Misspelled Words"));
    EXPECT_EQ(alerts_->beeps(), 1);
    EXPECT_FALSE(panel_->findNextButton()->isEnabled());
}

TEST_F(PanelSpellCheckTest, WithoutEditedTextTheCheckSaysWhere)
{
    type(flow_, "qqq");
    panel_->findAll(nullptr);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Spelling");
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("NoTextPoint"));
    EXPECT_EQ(alerts_->beeps(), 1);
    EXPECT_FALSE(panel_->findNextButton()->isEnabled());
}

TEST_F(PanelSpellCheckTest, EachWordIsCheckedInItsOwnLanguage)
{
    // "chat" is French, "cat" is not: French words in the French dictionary.
    setText("le chat cat", 4);
    panel_->findAll(nullptr);
    EXPECT_EQ(badWords(), (std::vector<std::string>{"cat"}));
    EXPECT_EQ(panel_->lastCheckCounts().dictionariesOpened, 2);
    EXPECT_EQ(panel_->lastCheckCounts().flowsChecked, 1);
}

TEST_F(PanelSpellCheckTest, AMissingLanguageAsksForEachWordUntilOKForever)
{
    // Icelandic has no dictionary: the words go to the main one.
    setText("cat qqq dog mat sat", 11);
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    panel_->findAll(nullptr);
    EXPECT_EQ(alertsTitled("Language"), 2);
    EXPECT_EQ(badWords(), (std::vector<std::string>{"qqq"}));
    // One try to open it in the whole check.
    EXPECT_EQ(panel_->lastCheckCounts().dictionariesOpened, 2);
}

TEST_F(PanelSpellCheckTest, AMissingOrDamagedMainDictionaryEndsTheCheckWithLanguageMissing)
{
    const std::string folder = kit::FileManager::uniqueTemporaryPath("spell-broken");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    const std::string good = kit::FileManager::contentsAtPath(fixtures_->folder + "/American.dct").value();
    struct Case {
        const char* name;
        std::string bytes; // empty: no file
    };
    const Case cases[] = {
        {"missing", ""},
        {"garbage", std::string(4096, '\x5A')},
        {"truncated", good.substr(0, good.size() / 3)},
        {"header only", good.substr(0, 64)},
        {"tail cut", good.substr(0, good.size() - good.size() / 10)},
        {"last bytes cut", good.substr(0, good.size() - 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        kit::FileManager::removeFileAtPath(folder + "/American.dct");
        if (!c.bytes.empty()) {
            std::ofstream out(folder + "/American.dct", std::ios::binary);
            out << c.bytes;
        }
        panel_->setDictionaryFolder(folder);
        setText("the cat qqq sat on the mat dog");
        panel_->findAll(nullptr);
        EXPECT_EQ(alertsTitled("Language"), 1);
        EXPECT_EQ(alertsTitled("Spelling"), 0) << "no \"No Misspelled Words\"";
        EXPECT_GE(alerts_->beeps(), 1);
        EXPECT_TRUE(badWords().empty());
        EXPECT_FALSE(panel_->findNextButton()->isEnabled());
    }
    kit::FileManager::removeFileAtPath(folder);
}

TEST_F(PanelSpellCheckTest, GuessesComeFromTheEngineInTheDocumentsSet)
{
    // An accented misspelling: the engine sees its own set and answers in it.
    setText(ns("caf\xC3\xA9x"));
    panel_->findAll(nullptr);
    ASSERT_EQ(badWords(), (std::vector<std::string>{ns("caf\xC3\xA9x")}));
    const std::vector<std::string>& guesses = panel_->guesses().words();
    EXPECT_NE(std::find(guesses.begin(), guesses.end(), ns("caf\xC3\xA9")), guesses.end());

    // Before any check of this panel: the pool is made for the guess.
    reset();
    panel_->badWordField()->setStringValue("caf\xC3\xA9x");
    panel_->guessWord(nullptr);
    const std::vector<std::string>& fresh = panel_->guesses().words();
    EXPECT_NE(std::find(fresh.begin(), fresh.end(), ns("caf\xC3\xA9")), fresh.end());
}

TEST_F(PanelSpellCheckTest, GuessingWithoutADictionaryOffersNoGuesses)
{
    panel_->setDictionaryFolder(kit::FileManager::uniqueTemporaryPath("no-dictionaries"));
    panel_->badWordField()->setStringValue("qqq");
    panel_->guessWord(nullptr);
    EXPECT_EQ(panel_->guesses().words(), (std::vector<std::string>{delegate_->valueForStringKey("SpellCheckNoGuesses")}));
    EXPECT_EQ(panel_->correctionField()->stringValue(), "qqq");
}

TEST_F(PanelSpellCheckTest, AWordDeletedBeforeGuessIsLookedUpAgain)
{
    // A French misspelling found in the text...
    setText("le chatt\nthe dog", 4);
    for (const auto& word : flow_->paragraphAtIndex(1)->wordList())
        word->setLangId(0);
    panel_->findAll(nullptr);
    ASSERT_EQ(badWords(), (std::vector<std::string>{"chatt"}));
    EXPECT_EQ(panel_->guessWordBrowser()->titleOfColumn(0), "Fran\xC3\xA7" "ais");
    const std::vector<std::string> french = panel_->guesses().words();
    EXPECT_NE(std::find(french.begin(), french.end(), "chat"), french.end());
    // ...then its paragraph goes: its place now holds an English word, and
    // the guess uses the main dictionary.
    flow_->removeSelection();
    flow_->removeParagraph(flow_->firstParagraph());
    flow_->recomputeAll();
    panel_->guessWord(nullptr);
    const std::vector<std::string>& after = panel_->guesses().words();
    EXPECT_FALSE(after.empty());
    EXPECT_EQ(std::find(after.begin(), after.end(), "chat"), after.end());

    // And a closed document: its flow is gone.
    document_->detachView(view_);
    document_.reset();
    panel_->guessWord(nullptr);
    EXPECT_FALSE(panel_->guesses().empty());
}

TEST_F(PanelSpellCheckTest, FixReplacesTheOccurrenceShownNotTheFirst)
{
    setText("qqq cat qqq mat");
    panel_->findAll(nullptr);
    ASSERT_EQ(badWords(), (std::vector<std::string>{"qqq"}));
    panel_->findNext(nullptr);
    ASSERT_NE(flow_->textSelection(), nullptr);
    EXPECT_EQ(flow_->textSelection()->start().word, 2);
    panel_->correctionField()->setStringValue("dog");
    panel_->fix(nullptr);
    EXPECT_EQ(text(flow_), "qqq cat dog mat");

    // A selection that no longer holds it: the word is searched for.
    caretAt(0, 3, 0);
    panel_->fix(nullptr);
    EXPECT_EQ(text(flow_), "dog cat dog mat");
    // Nothing left to fix: a beep, no text inserted at the caret.
    const int beeps = alerts_->beeps();
    panel_->fix(nullptr);
    EXPECT_EQ(text(flow_), "dog cat dog mat");
    EXPECT_GT(alerts_->beeps(), beeps);
}

TEST_F(PanelSpellCheckTest, FixChangesTheWordWhileTheFindPanelSearchesColours)
{
    setText("qqq cat mat");
    auto* find = dynamic_cast<PanelFind*>(delegate_->panel("findPanel", true));
    ASSERT_NE(find, nullptr);
    find->_enableColor();
    panel_->findAll(nullptr);
    panel_->findNext(nullptr);
    panel_->correctionField()->setStringValue("dog");
    panel_->fix(nullptr);
    EXPECT_EQ(text(flow_), "dog cat mat");
}

TEST_F(PanelSpellCheckTest, PickingAGuessAndFixingFromTheBrowser)
{
    setText("the catt sat");
    panel_->findAll(nullptr);
    ASSERT_EQ(badWords(), (std::vector<std::string>{"catt"}));
    kit::Browser* guesses = panel_->guessWordBrowser();
    const kit::CellMatrix* matrix = guesses->matrixInColumn(0);
    ASSERT_NE(matrix, nullptr);
    int row = -1;
    for (int r = 0; r < matrix->numberOfRows(); ++r)
        if (matrix->cellAtRow(r, 0)->stringValue() == "cat")
            row = r;
    ASSERT_GE(row, 0);
    guesses->selectRow(row, 0);
    panel_->pickGuessWord(guesses);
    EXPECT_EQ(panel_->correctionField()->stringValue(), "cat");
    // Only the guess browser picks a guess.
    panel_->pickGuessWord(panel_->badWordBrowser());
    EXPECT_EQ(panel_->correctionField()->stringValue(), "cat");
    panel_->doubleAction(guesses);
    EXPECT_EQ(text(flow_), "the cat sat");
}

TEST_F(PanelSpellCheckTest, LearnedWordsAreNotReportedAndShowDisabled)
{
    setText("qqq the zzz");
    panel_->findAll(nullptr);
    ASSERT_EQ(badWords(), (std::vector<std::string>{"qqq", "zzz"}));
    panel_->learn(nullptr);
    EXPECT_TRUE(panel_->learnedWords().contains("qqq"));

    // In the file, for the next run; each check reads it again.
    LearnedWords nextRun;
    EXPECT_EQ(nextRun.loadLearnedWords(), LearnedWords::Status::Read);
    EXPECT_TRUE(nextRun.contains("qqq"));
    panel_->findAll(nullptr);
    EXPECT_EQ(badWords(), (std::vector<std::string>{"zzz"}));
    panel_->showLearnedWordsSwitch()->setState(1);
    panel_->toggleLearnedWords(panel_->showLearnedWordsSwitch());
    EXPECT_EQ(rows(), (std::vector<std::pair<std::string, bool>>{{"zzz", true}, {"qqq", false}}));
    panel_->showLearnedWordsSwitch()->setState(0);
    panel_->toggleLearnedWords(panel_->showLearnedWordsSwitch());
    EXPECT_EQ(rows(), (std::vector<std::pair<std::string, bool>>{{"zzz", true}}));

    panel_->learnAll(nullptr);
    EXPECT_TRUE(panel_->learnedWords().contains("zzz"));
    alerts_->reset();
    panel_->findAll(nullptr);
    EXPECT_TRUE(badWords().empty());
    EXPECT_EQ(alertsTitled("Spelling"), 1);
}

TEST_F(PanelSpellCheckTest, AnUnreadableLearnedWordsFileIsKept)
{
    ASSERT_TRUE(PanelSpellCheck::createLearnPath());
    const std::string path = PanelSpellCheck::learnFilename();
    static const char kDamaged[] = "\"good\" = \"good\";\n\x01\x02\xFF\xFE binary\n";
    const std::string damaged(kDamaged, sizeof kDamaged - 1);
    {
        std::ofstream out(path, std::ios::binary);
        out << damaged;
    }
    setText("good qqq");
    panel_->findAll(nullptr);
    // The sound line still counts.
    EXPECT_EQ(badWords(), (std::vector<std::string>{"qqq"}));
    alerts_->reset();
    panel_->learn(nullptr);
    EXPECT_EQ(kit::FileManager::contentsAtPath(path).value_or(""), damaged);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Spelling");
    EXPECT_NE(alerts_->shown()[0].message.find(path), std::string::npos);
    EXPECT_FALSE(panel_->learnedWords().contains("qqq"));
}

// ---- The words as the engine takes them.

TEST(SpellText, TheConversionTablesFollowTheCharacterNames)
{
    const auto eAcute = static_cast<unsigned char>(ns("\xC3\xA9")[0]);
    const struct {
        bool toMac;
        unsigned char from, to;
    } rows[] = {
        {true, 0x80, 0x20}, // no-break space
        {true, 0x81, 0xCB}, // A grave
        {true, 0xAE, 0xDE}, // fi
        {true, 0xAF, 0xDF}, // fl
        {true, eAcute, 0x8E},
        {true, 0xE8, 'L'},  // L stroke: not in the engine's set
        {true, 'a', 'a'},
        {false, 0x80, 0x85}, // A diaeresis
        {false, 0xDE, 0xAE}, // fi
        {false, 0x8E, eAcute},
        {false, 0xAD, '='}, // not-equal: not in the documents' set
    };
    for (const auto& row : rows) {
        std::string bytes(1, char(row.from));
        if (row.toMac)
            spelltext::encodeNeXTToMac(bytes);
        else
            spelltext::encodeMacToNeXT(bytes);
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), row.to) << std::hex << int(row.from) << " " << row.toMac;
    }
    // Every character both sets have goes there and back.
    for (int code = 0x81; code < 0x100; ++code) {
        if (!kit::nextstepToMacRoman(static_cast<unsigned char>(code)))
            continue;
        std::string bytes(1, char(code));
        spelltext::encodeNeXTToMac(bytes);
        spelltext::encodeMacToNeXT(bytes);
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), code) << std::hex << code;
    }
}

TEST(SpellText, PunctuationIsCutAtTheEndsAndShortenedInside)
{
    const struct {
        const char* word;
        const char* trimmed;
        const char* stripped;
    } rows[] = {
        {"", "", ""},
        {"word ", "word", "word"},
        {"(word),", "word", "word"},
        {"\xAAword\xBA", "word", "word"},
        {"wow!!!wow", "wow!!!wow", "wow!!wow"},
        {"a--b---c", "a--b---c", "a--b--c"},
        {"don't", "don't", "don't"},
        {"aaa", "aaa", "aaa"},
        {"!!!", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word);
        const std::string trimmed = spelltext::trimPunctuation(row.word);
        EXPECT_EQ(trimmed, row.trimmed);
        EXPECT_EQ(spelltext::stripExtraPunct(trimmed), row.stripped);
    }
    EXPECT_STREQ(spelltext::dictNameFromLangId(4), "French1");
    EXPECT_EQ(spelltext::dictNameFromLangId(-1), nullptr);
    EXPECT_EQ(spelltext::dictNameFromLangId(99), nullptr);
}

TEST(SpellText, GuessRecordsAreReadWithinTheHandle)
{
    std::vector<unsigned char> pool(PanelSpellCheck::PoolSize);
    ASSERT_EQ(InitMemPool(pool.data(), long(pool.size())), 0);
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> words;
    } cases[] = {
        {"two", std::string("\x01" "cat\0" "\x00" "cot\0", 10), {"cat", "cot"}},
        // The last record runs past the end: it is no word.
        {"unterminated", std::string("\x01" "cat\0" "\x01" "dogdogdog", 15), {"cat"}},
        {"flag only", std::string("\x01", 1), {}},
        {"empty word", std::string("\x01\0\x01" "a\0", 5), {"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PWDHandle handle = CNSHandle(long(c.bytes.size()));
        ASSERT_NE(handle, 0u);
        std::memcpy(CNSDeref(handle), c.bytes.data(), c.bytes.size());
        EXPECT_EQ(spelltext::guessWords(handle), c.words);
        EXPECT_FALSE(CNSHGetState(handle) & CNS_LOCKED);
        CNSDisposHandle(handle);
    }
    CNSPool = nullptr;
}

TEST_F(PanelSpellCheckTest, EditSpellingBringsThePanelForward)
{
    EXPECT_TRUE(delegate_->canRunPanel("runSpellCheck:"));
    delegate_->performSelector("runSpellCheck:", nullptr);
    EXPECT_EQ(delegate_->spellPanel(false), panel_);
    EXPECT_TRUE(panel_->isVisible());
    EXPECT_EQ(panel_->title(), "Spelling");
    // Its own frame name; not floating.
    EXPECT_EQ(panel_->defaultsKey(), "Loc_PanelSpellCheck");
    EXPECT_FALSE(panel_->isFloatingPanel());
}

TEST_F(PanelSpellCheckTest, TheNoGuessesNoteIsNeverACorrection)
{
    setText("the zqxwv sat");
    panel_->findAll(nullptr);
    ASSERT_EQ(badWords(), (std::vector<std::string>{"zqxwv"}));
    const std::string none = delegate_->valueForStringKey("SpellCheckNoGuesses");
    ASSERT_EQ(panel_->guesses().words(), (std::vector<std::string>{none}));
    kit::Browser* guesses = panel_->guessWordBrowser();
    guesses->selectRow(0, 0);
    panel_->pickGuessWord(guesses);
    EXPECT_EQ(panel_->correctionField()->stringValue(), "");
    panel_->doubleAction(guesses);
    EXPECT_EQ(text(flow_), "the zqxwv sat");
    const kit::CellMatrix* matrix = guesses->matrixInColumn(0);
    ASSERT_NE(matrix, nullptr);
    EXPECT_FALSE(matrix->cellAtRow(0, 0)->isEnabled());
}
