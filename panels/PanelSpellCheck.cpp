#include "panels/PanelSpellCheck.h"

#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/NibLoader.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/Bundle.h"
#include "core/Encoding.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Languages.h"
#include "foundation/Preferences.h"
#include "items/ItemArray.h"
#include "items/TextItem.h"
#include "panels/PanelFind.h"
#include "panels/SpellText.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/PageView.h"

#include <cstdio>
#include <set>
#include <unordered_map>

#include <sys/stat.h>

namespace {


int mainLanguage()
{
    const Preferences* prefs = Main ? Main->preferences() : nullptr;
    return prefs ? prefs->languageId() : 0;
}

std::string utf8(const std::string& bytes) { return kit::toUTF8(kit::Encoding::NeXTSTEP, bytes); }

const unsigned char* first(const std::string& bytes) { return reinterpret_cast<const unsigned char*>(bytes.data()); }

const unsigned char* last(const std::string& bytes) { return first(bytes) + bytes.size() - 1; }

constexpr int kFatalStatus = PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION;

std::string dictionaryPath(const std::string& folder, const char* name)
{
    return folder + "/" + (name ? name : "") + ".dct";
}

} // namespace

// ---- The ordered sets.

bool OrderedWordSet::add(const std::string& word)
{
    if (!index_.insert(word).second)
        return false;
    words_.push_back(word);
    return true;
}

void OrderedWordSet::remove(const std::string& word)
{
    if (index_.erase(word) == 0)
        return;
    words_.erase(std::find(words_.begin(), words_.end(), word));
}

void OrderedWordSet::clear()
{
    words_.clear();
    index_.clear();
}

// ---- The interface file.

void PanelSpellCheck::initialize()
{
    kit::NibLoader::registerNib("PanelSpellCheck.nib", [](kit::NibLoad& load) {
        auto panel = std::make_unique<PanelSpellCheck>();
        panel->setTitle(applicationString("Spelling"));
        PanelSpellCheck* raw = panel.get();
        kit::View* content = panel->contentView();
        auto label = [&](float x, float y, const char* key) {
            auto text = kit::TextField::makeLabel(kit::makeRect(x, y, 90, 22), applicationString(key));
            content->addSubview(std::move(text));
        };
        auto browser = [&](float x) {
            auto made = std::make_unique<kit::Browser>(kit::makeRect(x, 112, 200, 220));
            made->setTarget(raw);
            made->setDelegate(raw);
            return static_cast<kit::Browser*>(content->addSubview(std::move(made)));
        };
        kit::Browser* bad = browser(10);
        bad->setAction("pickBadWord:");
        bad->setTitle(applicationString("Misspelled"), 0);
        kit::Browser* guess = browser(220);
        guess->setAction("pickGuessWord:");
        label(10, 80, "Word:");
        label(10, 50, "Correction:");
        auto badField = std::make_unique<kit::TextField>(kit::makeRect(104, 80, 200, 22));
        auto correction = std::make_unique<kit::TextField>(kit::makeRect(104, 50, 200, 22));
        auto show = std::make_unique<kit::Button>(kit::makeRect(10, 338, 200, 22), applicationString("Show Learned Words"));
        show->setButtonType(kit::ButtonType::Switch);
        show->setTarget(raw);
        show->setAction("toggleLearnedWords:");
        const struct {
            const char* title;
            const char* action;
            float x, y;
        } buttons[] = {
            {"Check All", "findAll:", 320, 80},      {"Find Next", "findNext:", 320, 50},
            {"Guess", "guessWord:", 10, 14},         {"Fix", "fix:", 96, 14},
            {"Fix & Find", "fixAndFind:", 182, 14},  {"Learn", "learn:", 268, 14},
            {"Learn All", "learnAll:", 354, 14},     {"Edit Learned", "editLearnedWords:", 220, 338},
        };
        kit::Button* findNext = nullptr;
        for (const auto& entry : buttons) {
            auto button =
                std::make_unique<kit::Button>(kit::makeRect(entry.x, entry.y, 84, 26), applicationString(entry.title));
            button->setTarget(raw);
            button->setAction(entry.action);
            auto* added = static_cast<kit::Button*>(content->addSubview(std::move(button)));
            if (std::string(entry.action) == "findNext:")
                findNext = added;
        }
        findNext->setEnabled(false);
        raw->setControls(static_cast<kit::TextField*>(content->addSubview(std::move(correction))),
                         static_cast<kit::TextField*>(content->addSubview(std::move(badField))), findNext,
                         static_cast<kit::Button*>(content->addSubview(std::move(show))), bad, guess);
        PanelSpellCheck* made = load.addTopLevelObject(std::move(panel));
        made->setDelegate(made);
        made->setFloatingPanel(false);
        made->init(load.owner());
        return load.connectOutlet("spellPanel", made);
    });
}

PanelSpellCheck::PanelSpellCheck() : PanelSubClass(kit::makeRect(0, 0, 430, 370))
{
    static const struct {
        const char* action;
        void (PanelSpellCheck::*run)(kit::Object*);
    } kActions[] = {
        {"findAll:", &PanelSpellCheck::findAll},
        {"findFirst:", &PanelSpellCheck::findFirst},
        {"findNext:", &PanelSpellCheck::findNext},
        {"pickBadWord:", &PanelSpellCheck::pickBadWord},
        {"pickGuessWord:", &PanelSpellCheck::pickGuessWord},
        {"fix:", &PanelSpellCheck::fix},
        {"fixAndFind:", &PanelSpellCheck::fixAndFind},
        {"doubleAction:", &PanelSpellCheck::doubleAction},
        {"learn:", &PanelSpellCheck::learn},
        {"learnAll:", &PanelSpellCheck::learnAll},
        {"toggleLearnedWords:", &PanelSpellCheck::toggleLearnedWords},
        {"editLearnedWords:", &PanelSpellCheck::editLearnedWords},
        {"guessWord:", &PanelSpellCheck::guessWord},
        {"ignore:", &PanelSpellCheck::ignore},
        {"fixAll:", &PanelSpellCheck::fixAll},
        {"fixCandidate:", &PanelSpellCheck::fixCandidate},
    };
    for (const auto& entry : kActions) {
        const auto run = entry.run;
        setAction(entry.action, [this, run](kit::Object* sender) -> kit::Object* {
            (this->*run)(sender);
            return this;
        });
    }
}

PanelSpellCheck::~PanelSpellCheck()
{
    // The engine must not keep a pool that goes with the panel.
    if (poolItself_ && CNSPool == poolItself_.get()) {
        CNSPool = nullptr;
        UserFreeSpace = nullptr;
    }
}

PanelSpellCheck* PanelSpellCheck::init(kit::Object* sender)
{
    PanelSubClass::init(sender);
    setFrameUsingName("PanelSpellCheck");
    setFrameAutosaveName("PanelSpellCheck");
    dictionaryFolder_ = kit::Bundle::resourcePath();
    if (guessWordBrowser_) {
        guessWordBrowser_->setDoubleAction("doubleAction:");
        const Preferences* prefs = Main ? Main->preferences() : nullptr;
        guessWordBrowser_->setTitle(
            utf8(nativeFromEnglish(prefs ? prefs->language().value_or("English") : "English")), 0);
    }
    loadLearnedWords();
    return this;
}

void PanelSpellCheck::setControls(kit::TextField* correction, kit::TextField* badWord, kit::Button* findNextButton,
                                  kit::Button* showLearnedWords, kit::Browser* badWordBrowser,
                                  kit::Browser* guessWordBrowser)
{
    correction_ = correction;
    badWord_ = badWord;
    findNextButton_ = findNextButton;
    showLearnedWords_ = showLearnedWords;
    badWordBrowser_ = badWordBrowser;
    guessWordBrowser_ = guessWordBrowser;
}

PageView* PanelSpellCheck::mainPageView() const { return host_ ? host_->mainPageView() : nullptr; }

PanelFind* PanelSpellCheck::findPanel() const
{
    return dynamic_cast<PanelFind*>(DocumentPanels::shared().findPanel(true));
}

bool PanelSpellCheck::ensurePool()
{
    if (!poolItself_)
        poolItself_ = std::make_unique<unsigned char[]>(std::size_t(PoolSize));
    if (CNSPool == poolItself_.get())
        return true;
    if (InitMemPool(poolItself_.get(), PoolSize) != 0) {
        std::fputs("Layvane: InitMemPool() failed\n", stderr);
        poolItself_.reset();
        return false;
    }
    return true;
}

void PanelSpellCheck::languageMissing(const std::string& path) const
{
    kit::beep();
    kit::runAlertPanel(applicationString("Language"), applicationString("LanguageMissing"), "", "", "", {path});
}

// ---- Sets and browsers.

void PanelSpellCheck::addBadWord(const std::string& word) { (void)badWordSL_.add(word); }

void PanelSpellCheck::addGuessWord(const std::string& word) { (void)guessWordSL_.add(word); }

void PanelSpellCheck::addLearnedWord(const std::string& word)
{
    if (!learnList_.learn({word}))
        return;
}

void PanelSpellCheck::clearWords()
{
    badWordSL_.clear();
    setField(badWord_, {});
}

void PanelSpellCheck::clearGuesses()
{
    guessWordSL_.clear();
    setField(correction_, {});
}

void PanelSpellCheck::clearPanel()
{
    clearWords();
    clearGuesses();
    reloadBrowser(badWordBrowser_);
    reloadBrowser(guessWordBrowser_);
}

void PanelSpellCheck::loadLearnedWords() { (void)learnList_.loadLearnedWords(); }

void PanelSpellCheck::reloadBrowser(kit::Browser* browser)
{
    if (browser)
        browser->loadColumnZero();
}

void PanelSpellCheck::setField(kit::TextField* field, const std::string& word)
{
    if (field)
        field->setStringValue(utf8(word));
}

void PanelSpellCheck::selectZeroCell(kit::Browser* browser, kit::TextField* field)
{
    kit::CellMatrix* matrix = browser ? browser->matrixInColumn(0) : nullptr;
    if (!matrix || matrix->numberOfRows() == 0)
        return;
    browser->selectRow(0, 0);
    if (field && matrix->selectedCell())
        field->setStringValue(matrix->selectedCell()->stringValue());
}

int PanelSpellCheck::browserCreateRowsForColumn(kit::Browser* sender, int column, kit::CellMatrix* matrix)
{
    if (column != 0 || (sender != badWordBrowser_ && sender != guessWordBrowser_))
        return 0;
    const bool bad = sender == badWordBrowser_;
    const OrderedWordSet& set = bad ? badWordSL_ : guessWordSL_;
    matrix->renewRows(int(set.size()), 1);
    int row = 0;
    for (const std::string& word : set.words()) {
        kit::Cell* cell = matrix->cellAtRow(row++, 0);
        cell->setStringValue(utf8(word));
        if (auto* browserCell = dynamic_cast<kit::BrowserCell*>(cell))
            browserCell->setLeaf(true);
        // Learned words are shown, not picked; so is the no-guesses note,
        // which is no correction.
        cell->setEnabled(bad ? !learnList_.contains(word) : word != applicationString("SpellCheckNoGuesses"));
    }
    return int(set.size());
}

// ---- Checking.

// One check: the dictionaries it opened and what it found for each word.
struct PanelSpellCheck::Check {
    std::string folder;
    PWDHandle main = 0;
    std::string mainPath;
    // A language's own dictionary, opened once; 0 when it could not be.
    std::map<int, PWDHandle> own;
    bool okForever = false;
    // The bad word a checked word gives (empty: none), per dictionary.
    std::unordered_map<std::string, std::string> verdicts;
    CheckCounts* counts = nullptr;

    PWDHandle open(const std::string& path)
    {
        UserFreeSpace = PWDPurge;
        ++counts->dictionariesOpened;
        return PWDInitSpell(path.c_str(), 0);
    }

    void closeOwn()
    {
        for (auto& [language, speller] : own)
            if (speller) {
                PWDKillSpell(speller);
                speller = 0;
            }
    }

    ~Check()
    {
        closeOwn();
        if (main)
            PWDKillSpell(main);
    }
};

void PanelSpellCheck::findAll(kit::Object*)
{
    counts_ = {};
    const int language = mainLanguage();
    clearWords();
    clearGuesses();
    PageView* view = mainPageView();
    LayoutDocument* document = mainDocument();
    const std::vector<Item*> frames =
        view && view->isEditing() && document ? subsetCopyForTextItems(document->selected()) : std::vector<Item*>{};
    if (frames.empty()) {
        reloadBrowser(badWordBrowser_);
        reloadBrowser(guessWordBrowser_);
        if (findNextButton_)
            findNextButton_->setEnabled(false);
        kit::beep();
        kit::runAlertPanel(applicationString("Spelling"), applicationString("NoTextPoint"), "", "", "");
        return;
    }
    loadLearnedWords();
    if (!ensurePool())
        return;

    Check check;
    check.folder = dictionaryFolder_;
    check.counts = &counts_;
    check.mainPath = dictionaryPath(dictionaryFolder_, spelltext::dictNameFromLangId(language));
    check.main = check.open(check.mainPath);
    if (!check.main) {
        std::fputs("Layvane: PWDInitSpell() failed\n", stderr);
        std::fprintf(stderr, "  Couldn't initialize: %s\n", check.mainPath.c_str());
        languageMissing(check.mainPath);
        return;
    }

    std::set<const TextFlow*> seen;
    bool stopped = false;
    for (Item* item : frames) {
        auto* frame = dynamic_cast<TextItem*>(item);
        TextFlow* flow = frame ? frame->flow() : nullptr;
        if (!flow || !seen.insert(flow).second)
            continue;
        ++counts_.flowsChecked;
        for (const auto& paragraph : flow->paragraphList()) {
            for (int index = 0; index < paragraph->wordCount() && !stopped; ++index) {
                const TextWord* word = paragraph->wordAtIndex(index);
                if (!word || word->isSpecial())
                    continue;
                std::string fixed;
                (void)strcpyAndFix(fixed, word->text());
                const std::string trimmed = spelltext::trimPunctuation(fixed);
                if (trimmed.empty())
                    continue;
                const std::string stripped = spelltext::stripExtraPunct(trimmed);

                // The word's own language, when it has a dictionary.
                const int own = word->langId();
                PWDHandle speller = check.main;
                std::string path = check.mainPath;
                bool ownLanguage = false;
                if (own < 12 && own != language && spelltext::dictNameFromLangId(own)) {
                    const std::string ownPath = dictionaryPath(check.folder, spelltext::dictNameFromLangId(own));
                    auto found = check.own.find(own);
                    if (found == check.own.end()) {
                        PWDHandle opened = check.open(ownPath);
                        // The pool may be full of the other languages.
                        if (!opened && !check.own.empty()) {
                            check.closeOwn();
                            check.own.clear();
                            opened = check.open(ownPath);
                        }
                        found = check.own.emplace(own, opened).first;
                        if (!opened)
                            std::fprintf(stderr, "Layvane: PWDInitSpell() failed, couldn't initialize: %s\n",
                                         ownPath.c_str());
                    }
                    if (found->second) {
                        speller = found->second;
                        path = ownPath;
                        ownLanguage = true;
                    } else if (!check.okForever) {
                        kit::beep();
                        const int answer = kit::runAlertPanel(applicationString("Language"), applicationString("LanguageMissing"),
                                                              applicationString("OK"), applicationString("OK Forever"), "", {ownPath});
                        check.okForever = answer == kit::AlertAlternateReturn;
                    }
                }

                std::string key = std::to_string(ownLanguage ? own : -1);
                key += '\0';
                key += trimmed;
                if (const auto known = check.verdicts.find(key); known != check.verdicts.end()) {
                    if (!known->second.empty())
                        addBadWord(known->second);
                    continue;
                }
                std::string verdict;
                std::string mac = stripped;
                spelltext::encodeNeXTToMac(mac);
                ++counts_.wordsChecked;
                const int result = PWDSpellCheck(speller, first(mac), last(mac), 0);
                const int status = PWDGetStat()->status;
                if (status & kFatalStatus) {
                    // The dictionary failed: what it said is no verdict.
                    std::fprintf(stderr, "Layvane: PWDSpellCheck() failed (status 0x%x): %s\n", status, path.c_str());
                    languageMissing(path);
                    stopped = true;
                    break;
                }
                const std::string& learned = ownLanguage ? trimmed : stripped;
                if (result == 0 && status == 0 && !learnList_.contains(learned)) {
                    ++counts_.wordsGuessed;
                    const PWDHandle handle = PWDGuess(speller, first(mac), last(mac), 1, 1);
                    std::vector<std::string> guesses = spelltext::guessWords(handle);
                    if (handle)
                        CNSDisposHandle(handle);
                    if (guesses.empty()) {
                        verdict = learned;
                    } else {
                        const std::string withPeriod = stripped.size() < MaxPeriodWord ? stripped + "." : std::string();
                        bool known = false;
                        for (std::string& guess : guesses) {
                            spelltext::encodeMacToNeXT(guess);
                            if (guess == stripped || (!withPeriod.empty() && guess == withPeriod)) {
                                known = true;
                                break;
                            }
                        }
                        if (!known)
                            verdict = stripped;
                    }
                }
                if (!verdict.empty())
                    addBadWord(verdict);
                check.verdicts.emplace(std::move(key), std::move(verdict));
            }
            if (stopped)
                break;
        }
        if (stopped)
            break;
    }
    if (stopped) {
        clearWords();
        reloadBrowser(badWordBrowser_);
        reloadBrowser(guessWordBrowser_);
        if (findNextButton_)
            findNextButton_->setEnabled(false);
        return;
    }
    // The dictionaries go before the first guess opens one.
    check.closeOwn();
    PWDKillSpell(check.main);
    check.main = 0;

    if (badWordSL_.empty()) {
        reloadBrowser(badWordBrowser_);
        reloadBrowser(guessWordBrowser_);
        if (findNextButton_)
            findNextButton_->setEnabled(false);
        kit::runAlertPanel(applicationString("Spelling"), applicationString("No Misspelled Words"), "", "", "");
        kit::beep();
        return;
    }
    reloadBrowser(badWordBrowser_);
    selectZeroCell(badWordBrowser_, badWord_);
    if (findNextButton_)
        findNextButton_->setEnabled(true);
    findFirst(this);
}

// ---- Finding the bad word in the text, and its guesses.

void PanelSpellCheck::findBadWord(bool fromStart)
{
    const std::optional<std::string> word = PanelFind::fieldText(badWord_);
    if (!word || word->empty()) {
        kit::beep();
        return;
    }
    PanelFind* find = findPanel();
    if (!find) {
        kit::beep();
        return;
    }
    if (!find->findText(*word, 1, fromStart, true, true))
        return;
    selectedFlow_.reset();
    selectedPoint_.reset();
    selectedText_.clear();
    TextFlow* flow = find->currentFlow();
    const TextSelection* selection = flow ? flow->textSelection() : nullptr;
    if (flow && selection && find->currentWord()) {
        selectedFlow_ = flow->weak_from_this();
        selectedPoint_ = textPoint{selection->start().paragraph, selection->start().word, 0};
        selectedText_ = *word;
    }
    guessWord(this);
}

void PanelSpellCheck::findFirst(kit::Object*) { findBadWord(true); }

void PanelSpellCheck::findNext(kit::Object*) { findBadWord(false); }

TextWord* PanelSpellCheck::selectedWord() const
{
    const std::shared_ptr<TextFlow> flow = selectedFlow_.lock();
    if (!flow || !selectedPoint_)
        return nullptr;
    const TextParagraph* paragraph = flow->paragraphAtIndex(selectedPoint_->paragraph);
    TextWord* word = paragraph ? paragraph->wordAtIndex(selectedPoint_->word) : nullptr;
    if (!word || word->isSpecial())
        return nullptr;
    // Text edited since: the place no longer holds the word found.
    std::string fixed;
    (void)strcpyAndFix(fixed, word->text());
    return spelltext::trimPunctuation(fixed).find(selectedText_) != std::string::npos ? word : nullptr;
}

void PanelSpellCheck::guessWord(kit::Object*)
{
    clearGuesses();
    const std::optional<std::string> word = PanelFind::fieldText(badWord_);
    if (!word || word->empty())
        return;
    const Preferences* prefs = Main ? Main->preferences() : nullptr;
    std::string path = dictionaryFolder_ + "/" + (prefs ? prefs->spellCheckDictName() : std::string("American.dct"));
    if (const TextWord* found = selectedWord()) {
        const int own = found->langId();
        const PWDLanguage* row = own >= 0 && own < 12 ? check_langNum(short(own)) : nullptr;
        if (row && spelltext::dictNameFromLangId(own)) {
            path = dictionaryPath(dictionaryFolder_, spelltext::dictNameFromLangId(own));
            if (guessWordBrowser_)
                guessWordBrowser_->setTitle(utf8(nativeFromEnglish(row->name)), 0);
        }
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        addGuessWord(applicationString("SpellCheckNoGuesses"));
        setField(correction_, *word);
        return;
    }
    if (!ensurePool())
        return;
    UserFreeSpace = PWDPurge;
    const PWDHandle speller = PWDInitSpell(path.c_str(), 0);
    if (!speller) {
        std::fputs("Guessing: PWDInitSpell() failed\n", stderr);
        std::fprintf(stderr, "  Couldn't initialize: %s\n", path.c_str());
        languageMissing(path);
        addGuessWord(applicationString("SpellCheckNoGuesses"));
        reloadBrowser(guessWordBrowser_);
        return;
    }
    std::string mac = *word;
    spelltext::encodeNeXTToMac(mac);
    const PWDHandle handle = PWDGuess(speller, first(mac), last(mac), 1, 1);
    std::vector<std::string> guesses = spelltext::guessWords(handle);
    if (handle)
        CNSDisposHandle(handle);
    PWDKillSpell(speller);
    if (guesses.empty())
        addGuessWord(applicationString("SpellCheckNoGuesses"));
    for (std::string& guess : guesses) {
        spelltext::encodeMacToNeXT(guess);
        addGuessWord(guess);
    }
    reloadBrowser(guessWordBrowser_);
}

// ---- Picking and fixing.

void PanelSpellCheck::pickBadWord(kit::Object* sender)
{
    if (!badWordBrowser_ || sender != badWordBrowser_)
        return;
    const kit::Cell* cell = badWordBrowser_->selectedCell();
    if (!cell) {
        if (badWord_)
            badWord_->setStringValue("");
        return;
    }
    if (badWord_)
        badWord_->setStringValue(cell->stringValue());
    findFirst(sender);
}

void PanelSpellCheck::pickGuessWord(kit::Object* sender)
{
    if (!guessWordBrowser_ || sender != guessWordBrowser_)
        return;
    const kit::Cell* cell = guessWordBrowser_->selectedCell();
    if (cell && !cell->isEnabled())
        cell = nullptr;
    if (correction_)
        correction_->setStringValue(cell ? cell->stringValue() : std::string());
}

void PanelSpellCheck::fix(kit::Object*)
{
    const std::optional<std::string> bad = PanelFind::fieldText(badWord_);
    const std::optional<std::string> correction = PanelFind::fieldText(correction_);
    PanelFind* find = bad && correction && !bad->empty() && !correction->empty() ? findPanel() : nullptr;
    if (!find) {
        kit::beep();
        return;
    }
    // The word shown is the one fixed: search only when the selection no
    // longer holds it.
    TextFlow* flow = find->currentFlow();
    TextSelection* selection = flow ? flow->textSelection() : nullptr;
    std::string selected;
    if (selection && !selection->isEmpty())
        (void)selection->writeTextToStream(selected, TextSelection::ExportPlain);
    if (selected == *bad) {
        // Replace acts on colours while the find panel is in colour mode.
        find->_enableText();
        if (find->findField())
            find->findField()->setStringValue(utf8(*bad));
        if (find->replaceField())
            find->replaceField()->setStringValue(utf8(*correction));
    } else if (!find->findFromRemote(utf8(*bad), utf8(*correction))) {
        kit::beep();
        return;
    }
    find->replace(this);
    if (LayoutDocument* document = mainDocument())
        document->setEdited(true);
}

void PanelSpellCheck::fixAndFind(kit::Object* sender)
{
    fix(sender);
    findNext(sender);
}

void PanelSpellCheck::doubleAction(kit::Object* sender) { fix(sender); }

// ---- Learning.

void PanelSpellCheck::learn(kit::Object* sender)
{
    if (!createLearnPath())
        return;
    const std::optional<std::string> word = PanelFind::fieldText(badWord_);
    if (!word || word->empty()) {
        kit::beep();
        return;
    }
    addLearnedWord(*word);
    toggleLearnedWords(sender);
}

void PanelSpellCheck::learnAll(kit::Object*)
{
    if (!createLearnPath())
        return;
    std::set<std::string> words;
    for (const std::string& word : badWordSL_.words())
        if (!learnList_.contains(word))
            words.insert(word);
    if (!words.empty())
        (void)learnList_.learn(words);
    reloadBrowser(badWordBrowser_);
}

void PanelSpellCheck::toggleLearnedWords(kit::Object*)
{
    const std::size_t before = badWordSL_.size();
    const bool selected = badWordBrowser_ && badWordBrowser_->selectedCell();
    const bool show = showLearnedWords_ && showLearnedWords_->state() != 0;
    if (show)
        for (const std::string& word : learnList_.words())
            addBadWord(word);
    else
        badWordSL_.removeIf([this](const std::string& word) { return learnList_.contains(word); });
    if (!badWordBrowser_)
        return;
    if (selected && badWordSL_.size() == before)
        badWordBrowser_->reloadColumn(0);
    else
        badWordBrowser_->loadColumnZero();
}

void PanelSpellCheck::editLearnedWords(kit::Object*)
{
    if (!kit::Workspace::sharedWorkspace().openFile(learnFilename()))
        kit::beep();
}
