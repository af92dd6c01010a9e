#pragma once

// The spelling panel. Check All runs the spelling engine over every word of
// the flows of the selected text frames, each word in the dictionary of its
// own language where it has one, and lists the misspelled words; picking one
// finds it in the text through the find panel and lists the engine's
// guesses; Fix replaces the found word; Learn adds words to the learned
// words, which later checks accept.
//
// Words are bytes of the documents' set inside the panel (as the text holds
// them); the browsers and fields show UTF-8, and the engine gets Mac OS
// Roman, both converted at the edge.

#include "app/PanelHost.h"
#include "appkit/Browser.h"
#include "panels/LearnedWords.h"
#include "text/TextPoint.h"
#include "view/PanelSubClass.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace kit {
class Button;
class TextField;
}
class LayoutDocument;
class PageView;
class PanelFind;
class TextFlow;
class TextWord;

// Words in the order they were added, each at most once.
class OrderedWordSet {
public:
    bool add(const std::string& word);
    void remove(const std::string& word);
    // Removes every word the test answers true for, in one pass.
    template <class Pred> void removeIf(Pred pred)
    {
        std::erase_if(words_, [&](const std::string& word) { return pred(word) && index_.erase(word) != 0; });
    }
    bool contains(const std::string& word) const { return index_.count(word) != 0; }
    void clear();
    std::size_t size() const { return words_.size(); }
    bool empty() const { return words_.empty(); }
    const std::vector<std::string>& words() const { return words_; }

private:
    std::vector<std::string> words_;
    std::unordered_set<std::string> index_;
};

class PanelSpellCheck : public PanelSubClass, public HostedPanel, public kit::BrowserDelegate {
public:
    static constexpr long PoolSize = 307200;
    // The longest prefix of a word compared with its guesses plus a period.
    static constexpr std::size_t MaxPeriodWord = 4096;

    // What the last check did, for the benchmark and the tests.
    struct CheckCounts {
        int dictionariesOpened = 0;
        int wordsChecked = 0;
        int wordsGuessed = 0;
        int flowsChecked = 0;
    };

    // Registers the builder of "PanelSpellCheck.nib".
    static void initialize();

    PanelSpellCheck();
    ~PanelSpellCheck() override;
    std::string className() const override { return "PanelSpellCheck"; }

    // The frame from "PanelSpellCheck", the dictionary folder (the
    // resources), the learned words read; the pool is made on first use.
    PanelSpellCheck* init(kit::Object* sender);
    void setControls(kit::TextField* correction, kit::TextField* badWord, kit::Button* findNextButton,
                     kit::Button* showLearnedWords, kit::Browser* badWordBrowser, kit::Browser* guessWordBrowser);
    kit::TextField* correctionField() const { return correction_; }
    kit::TextField* badWordField() const { return badWord_; }
    kit::Button* findNextButton() const { return findNextButton_; }
    kit::Button* showLearnedWordsSwitch() const { return showLearnedWords_; }
    kit::Browser* badWordBrowser() const { return badWordBrowser_; }
    kit::Browser* guessWordBrowser() const { return guessWordBrowser_; }
    const std::string& dictionaryFolder() const { return dictionaryFolder_; }
    void setDictionaryFolder(const std::string& folder) { dictionaryFolder_ = folder; }

    // ---- Actions.
    void findAll(kit::Object* sender);
    void findFirst(kit::Object* sender);
    void findNext(kit::Object* sender);
    void pickBadWord(kit::Object* sender);
    void pickGuessWord(kit::Object* sender);
    void fix(kit::Object* sender);
    void fixAndFind(kit::Object* sender);
    void doubleAction(kit::Object* sender);
    void learn(kit::Object* sender);
    void learnAll(kit::Object* sender);
    void toggleLearnedWords(kit::Object* sender);
    void editLearnedWords(kit::Object* sender);
    void guessWord(kit::Object* sender);
    void ignore(kit::Object*) {}
    void fixAll(kit::Object*) {}
    void fixCandidate(kit::Object*) {}

    // ---- The sets (documents' set bytes).
    void addBadWord(const std::string& word);
    void addGuessWord(const std::string& word);
    void addLearnedWord(const std::string& word);
    void clearWords();
    void clearGuesses();
    void clearPanel();
    void loadLearnedWords();
    // Row 0 of the browser's column 0, when it has rows, selected into the
    // field.
    void selectZeroCell(kit::Browser* browser, kit::TextField* field);
    const OrderedWordSet& badWords() const { return badWordSL_; }
    const OrderedWordSet& guesses() const { return guessWordSL_; }
    const LearnedWords& learnedWords() const { return learnList_; }
    const CheckCounts& lastCheckCounts() const { return counts_; }

    int browserCreateRowsForColumn(kit::Browser* sender, int column, kit::CellMatrix* matrix) override;

    static std::string learnPathname() { return LearnedWords::learnPathname(); }
    static std::string learnFilename() { return LearnedWords::learnFilename(); }
    static bool createLearnPath() { return LearnedWords::createLearnPath(); }

    void setPanelHost(PanelHost* host) override { host_ = host; }

private:
    struct Check;

    LayoutDocument* mainDocument() const { return host_ ? host_->mainDocument() : nullptr; }
    PageView* mainPageView() const;
    PanelFind* findPanel() const;
    // The engine has this panel's pool; false (and a standard-error line)
    // when it cannot be set up.
    bool ensurePool();
    void reloadBrowser(kit::Browser* browser);
    void setField(kit::TextField* field, const std::string& word);
    void languageMissing(const std::string& path) const;
    // The word found last, looked up again in its flow; nil when its text
    // no longer holds the bad word or the flow is gone.
    TextWord* selectedWord() const;
    void findBadWord(bool fromStart);

    kit::TextField* correction_ = nullptr;
    kit::TextField* badWord_ = nullptr;
    kit::Button* findNextButton_ = nullptr;
    kit::Button* showLearnedWords_ = nullptr;
    kit::Browser* badWordBrowser_ = nullptr;
    kit::Browser* guessWordBrowser_ = nullptr;
    // The word found last: its flow (weak) and place, and its text.
    std::weak_ptr<TextFlow> selectedFlow_;
    std::optional<textPoint> selectedPoint_;
    std::string selectedText_;
    OrderedWordSet badWordSL_;
    OrderedWordSet guessWordSL_;
    LearnedWords learnList_;
    std::unique_ptr<unsigned char[]> poolItself_;
    std::string dictionaryFolder_;
    CheckCounts counts_;
    PanelHost* host_ = nullptr; // outlives the panel
};
