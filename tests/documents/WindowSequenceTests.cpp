// The word processor's windows switched at random, as a user switches them:
// clicks on pages and on title bars, keys typed (the desktop hands them to
// whichever window it thinks active), panels opened, used and closed,
// documents made, opened by a second launch and closed, and Save by its key.
// After every step the document the commands reach is the one whose window
// the user works in: the key window's (the main window's while a panel is
// key), the menus act on it, what is typed lands in it and Save writes it
// and nothing else. Besides: the font menu's Bold reaches the selected text.
//
// SCRIVLY_WINDOW_SEQUENCE_SEEDS sets how many seeds run (default 30: a seed
// takes seconds under the sanitizers),
// SCRIVLY_WINDOW_SEQUENCE_SEED the first one. A failing sequence is shrunk
// to its shortest failing form, which the failure prints.

#include "app/Scrivly.h"
#include "app/ScrivlyDocument.h"
#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/EventScript.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/FontPanel.h"
#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/Panel.h"
#include "appkit/PopUpButton.h"
#include "appkit/RunLoop.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextPoint.h"
#include "text/TextWord.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum class Op {
    ClickPage,       // a click on the page of a document window
    ClickTitleBar,   // the desktop activates a window (document or panel)
    Type,            // a key, handed by the desktop to some window
    Save,            // Command-S
    ZoomPanel,       // Command-= runs the zoom panel; Escape closes it
    TabsPanel,       // Format > Text > Tabs...
    FontPanel,       // Command-T
    ClickPanelField, // a click in a panel's text field (it takes the keys)
    ClickPanelButton,// a click on a panel's button (it leaves them)
    ClosePanel,      // a panel's close box
    NewDocument,     // Command-N
    SecondLaunch,    // a second launch hands a file over
    CloseDocument,   // Command-W (an edited document is closed unsaved)
};

const char* nameOf(Op op)
{
    switch (op) {
    case Op::ClickPage: return "click page";
    case Op::ClickTitleBar: return "click title bar";
    case Op::Type: return "type";
    case Op::Save: return "save";
    case Op::ZoomPanel: return "zoom panel";
    case Op::TabsPanel: return "tabs panel";
    case Op::FontPanel: return "font panel";
    case Op::ClickPanelField: return "click panel field";
    case Op::ClickPanelButton: return "click panel button";
    case Op::ClosePanel: return "close panel";
    case Op::NewDocument: return "new document";
    case Op::SecondLaunch: return "second launch";
    case Op::CloseDocument: return "close document";
    }
    return "?";
}

// One step: the operation and a number that picks what it works on.
struct Step {
    Op op;
    unsigned pick;
};

std::string describe(const std::vector<Step>& steps)
{
    std::ostringstream out;
    for (std::size_t i = 0; i < steps.size(); ++i)
        out << "  " << i + 1 << ". " << nameOf(steps[i].op) << " (" << steps[i].pick << ")\n";
    return out.str();
}

std::vector<Step> randomSteps(unsigned seed, int count)
{
    std::mt19937 random(seed);
    // Weighted: what users do most comes most.
    const std::vector<std::pair<Op, int>> weights = {
        {Op::ClickPage, 6},  {Op::ClickTitleBar, 5},   {Op::Type, 7},         {Op::Save, 3},
        {Op::ZoomPanel, 1},  {Op::TabsPanel, 1},       {Op::FontPanel, 1},    {Op::ClickPanelField, 2},
        {Op::ClickPanelButton, 2}, {Op::ClosePanel, 2}, {Op::NewDocument, 1}, {Op::SecondLaunch, 2},
        {Op::CloseDocument, 1},
    };
    int total = 0;
    for (const auto& w : weights)
        total += w.second;
    std::vector<Step> steps;
    for (int i = 0; i < count; ++i) {
        int r = int(random() % unsigned(total));
        Op op = weights.front().first;
        for (const auto& w : weights) {
            if (r < w.second) {
                op = w.first;
                break;
            }
            r -= w.second;
        }
        steps.push_back({op, unsigned(random())});
    }
    return steps;
}

std::vector<kit::Window*> visibleWindows()
{
    std::vector<kit::Window*> shown;
    for (kit::Window* w : kit::Application::sharedApplication().windows())
        if (w->isVisible() && !w->isClosed())
            shown.push_back(w);
    return shown;
}

// The first view of the tree (depth first) that the test asks for.
kit::View* findView(kit::View* view, const std::function<bool(kit::View*)>& wanted)
{
    if (!view)
        return nullptr;
    if (wanted(view))
        return view;
    for (const auto& sub : view->subviews())
        if (kit::View* found = findView(sub.get(), wanted))
            return found;
    return nullptr;
}

// The letters a document holds.
std::size_t lettersOf(const LayoutDocument& document)
{
    std::size_t letters = 0;
    for (TextFlow* flow : document.flows())
        for (const auto& paragraph : flow->paragraphList())
            for (int i = 0; i < paragraph->wordCount(); ++i)
                if (const TextWord* word = paragraph->wordAtIndex(i); word && !word->isSpecial())
                    letters += std::size_t(std::max(0, int(word->length())));
    return letters;
}

// One run of a sequence on a fresh program: the delegate with its menus,
// documents in windows on the offscreen screen, scripted alerts and file
// panels, the virtual clock.
class Session {
public:
    explicit Session(const std::string& folder) : folder_(folder)
    {
        kit::FileManager::removeFileAtPath(folder_);
        kit::FileManager::createDirectoryAtPath(folder_);
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
        setenv("HOME", (folder_ + "/home").c_str(), 1);
        kit::FileManager::createDirectoryAtPath(folder_ + "/home");
        kit::UserDefaults::resetStandardUserDefaults();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        panels_ = std::make_shared<kit::ScriptedFilePanelHandler>();
        kit::setFilePanelHandler(panels_);
        app_.resetForTesting();
        kit::Clock::useVirtualClock();
        delegate_ = std::make_unique<Scrivly>();
        delegate_->preferences()->setNewSmartPunctuation(false);
        app_.setDelegate(delegate_.get());
        app_.setMainMenu(delegate_->makeMainMenu());
        // Two documents on disk, opened as a launch opens its files.
        for (const char* name : {"first.syb", "second.syb"}) {
            LayoutDocument* made = delegate_->new_(true);
            if (made && made->saveFile(folder_ + "/" + name, false))
                files_.push_back(folder_ + "/" + name);
            if (made)
                made->close(nullptr);
        }
        for (const std::string& file : files_)
            delegate_->applicationOpenFile(file);
        settle();
    }

    ~Session()
    {
        if (kit::FontPanel* fonts = kit::FontPanel::sharedFontPanel(false))
            fonts->orderOut(nullptr);
        app_.setMainMenu(nullptr);
        app_.setDelegate(nullptr);
        delegate_.reset();
        app_.resetForTesting();
        kit::setFilePanelHandler(nullptr);
        kit::setAlertHandler(nullptr);
        kit::Clock::useRealClock();
        kit::FileManager::removeFileAtPath(folder_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Carries the steps out; the first broken promise, or nothing.
    std::optional<std::string> play(const std::vector<Step>& steps)
    {
        if (files_.size() != 2 || delegate_->documents().size() != 2)
            return "the two documents did not open";
        for (std::size_t i = 0; i < steps.size(); ++i) {
            std::optional<std::string> broken = step(steps[i]);
            if (!broken)
                broken = check();
            if (broken)
                return "after step " + std::to_string(i + 1) + " (" + nameOf(steps[i].op) + "): " + *broken;
        }
        return std::nullopt;
    }

    // Format > Font > Bold on typed text, by its key: the item is enabled
    // while text is edited and makes every selected letter bold.
    std::optional<std::string> boldTypedText()
    {
        kit::Window* window = documentWindows().empty() ? nullptr : documentWindows().front();
        LayoutDocument* document = documentOf(window);
        if (!document)
            return std::string("no document window");
        clickAt(*window, kit::makePoint(300, 450));
        for (int i = 0; i < 3; ++i) {
            kit::EventScript(*window).keyDown(u"k").keyUp(u"k").schedule();
            settle();
        }
        commandKey(u"a");
        kit::MenuItem* bold = nullptr;
        std::function<void(kit::Menu*)> walk = [&](kit::Menu* menu) {
            for (kit::MenuItem* item : menu->itemArray()) {
                if (item->submenu())
                    walk(item->submenu());
                else if (item->action() == "addFontTrait:" && item->tag() == kit::BoldFontMask)
                    bold = item;
            }
        };
        walk(app_.mainMenu());
        if (!bold)
            return std::string("no Bold in the menus");
        bold->menu()->validateItem(bold);
        if (!bold->isEnabled())
            return std::string("Bold is disabled while text is selected");
        commandKey(u"b");
        std::size_t letters = 0;
        for (TextFlow* flow : document->flows()) {
            for (int p = 0; p < int(flow->paragraphList().size()); ++p) {
                const TextParagraph* paragraph = flow->paragraphList()[std::size_t(p)].get();
                for (int w = 0; w < paragraph->wordCount(); ++w) {
                    const TextWord* word = paragraph->wordAtIndex(w);
                    if (!word || word->isSpecial())
                        continue;
                    for (int l = 0; l < int(word->length()); ++l) {
                        textPoint at{p, w, l};
                        const StyleChar* style = flow->styleCharAt(&at);
                        const std::string name = style && style->font() ? style->font()->fontName() : "none";
                        if (name.find("Bold") == std::string::npos)
                            return "a selected letter stayed in " + name;
                        ++letters;
                    }
                }
            }
        }
        if (letters < 3)
            return "the typed letters are not in the document (" + std::to_string(letters) + ")";
        return std::nullopt;
    }

    // The font panel shows the face of the text the caret moves into, by
    // the arrow keys and by a click, without being brought up again.
    std::optional<std::string> fontPanelFollowsTheCaret()
    {
        kit::Window* window = documentWindows().empty() ? nullptr : documentWindows().front();
        if (!documentOf(window))
            return std::string("no document window");
        clickAt(*window, kit::makePoint(300, 450));
        auto type = [&](const std::u16string& keys, unsigned flags = 0) {
            for (char16_t key : keys) {
                const std::u16string one(1, key);
                kit::EventScript(*window).keyDown(one, flags).keyUp(one, flags).schedule();
                settle();
            }
        };
        type(u"kkk mmm");
        // "mmm" in bold.
        type(std::u16string(3, char16_t(kit::LeftArrowFunctionKey)), kit::ShiftKeyMask);
        commandKey(u"b");
        type(std::u16string(1, char16_t(kit::RightArrowFunctionKey)));
        commandKey(u"t");
        kit::FontPanel* panel = kit::FontPanel::sharedFontPanel(false);
        if (!panel || !panel->isVisible())
            return std::string("no font panel");
        auto bold = [&] { return panel->panelFont() && (panel->panelFont()->traits() & kit::BoldFontMask) != 0; };
        if (!bold())
            return "the panel shows " + panel->facePopUp()->titleOfSelectedItem() + " after the bold word";
        // Into "kkk".
        type(std::u16string(5, char16_t(kit::LeftArrowFunctionKey)));
        if (bold())
            return std::string("the panel still shows the bold face with the caret in the word before");
        // Past the space and the first bold letter: the face before the caret.
        type(std::u16string(3, char16_t(kit::RightArrowFunctionKey)));
        if (!bold())
            return std::string("the panel does not show the bold face with the caret back in the bold word");
        return std::nullopt;
    }

private:
    // Lets the program take what is queued and what that leads to.
    void settle(double seconds = 0.3)
    {
        auto stop = kit::Timer::scheduledTimerWithTimeInterval(seconds, [this](kit::Timer&) { app_.stop(); }, false);
        app_.run();
        stop->invalidate();
    }

    // The document of a page view's window.
    static LayoutDocument* documentOf(kit::Window* window)
    {
        auto* view = window ? dynamic_cast<DocumentView*>(window->delegate()) : nullptr;
        return view ? view->document() : nullptr;
    }

    std::vector<kit::Window*> documentWindows() const
    {
        std::vector<kit::Window*> found;
        for (kit::Window* w : visibleWindows())
            if (documentOf(w))
                found.push_back(w);
        return found;
    }

    std::vector<kit::Panel*> panels() const
    {
        std::vector<kit::Panel*> found;
        for (kit::Window* w : visibleWindows())
            if (auto* panel = dynamic_cast<kit::Panel*>(w))
                found.push_back(panel);
        return found;
    }

    // Where the user works: the document window last clicked, activated or
    // brought in front, as the test itself follows it.
    kit::Window* front() const { return front_.empty() ? nullptr : front_.back(); }

    void bringToFront(kit::Window* window)
    {
        front_.erase(std::remove(front_.begin(), front_.end(), window), front_.end());
        front_.push_back(window);
    }

    // Windows that left the screen leave the test's order too.
    void forgetClosed()
    {
        const std::vector<kit::Window*> shown = documentWindows();
        front_.erase(std::remove_if(front_.begin(), front_.end(),
                                    [&](kit::Window* w) {
                                        return std::find(shown.begin(), shown.end(), w) == shown.end();
                                    }),
                     front_.end());
        // A window that came in front without the user (an open) is in
        // front now.
        for (kit::Window* w : shown)
            if (std::find(front_.begin(), front_.end(), w) == front_.end())
                front_.push_back(w);
        if (keyPanel_ && !keyPanel_->isVisible())
            keyPanel_ = nullptr;
    }

    void clickAt(kit::Window& window, kit::Point at)
    {
        kit::EventScript(window).mouseDown(at).mouseUp(at).schedule();
        settle();
    }

    void commandKey(const std::u16string& key)
    {
        kit::Window* to = visibleWindows().empty() ? nullptr : visibleWindows().front();
        app_.queueEventFromSource(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, kit::CommandKeyMask,
                                                               kit::Clock::now(), to ? to->windowNumber() : 0, key,
                                                               key, false));
        settle();
    }

    kit::MenuItem* menuItem(const std::string& action) const
    {
        std::function<kit::MenuItem*(kit::Menu*)> walk = [&](kit::Menu* menu) -> kit::MenuItem* {
            for (kit::MenuItem* item : menu->itemArray()) {
                if (item->submenu()) {
                    if (kit::MenuItem* found = walk(item->submenu()))
                        return found;
                } else if (item->action() == action) {
                    return item;
                }
            }
            return nullptr;
        };
        return app_.mainMenu() ? walk(app_.mainMenu()) : nullptr;
    }

    // A menu item chosen with the mouse: the screen's menu reports it.
    void chooseMenuItem(const std::string& action)
    {
        kit::MenuItem* item = menuItem(action);
        if (!item)
            return;
        app_.postEvent(kit::Event::otherEventWithType(kit::EventType::AppKitDefined, {}, 0, kit::Clock::now(), 0,
                                                      kit::MenuItemChosenSubtype, long(item->serial())),
                       false);
        settle();
    }

    std::optional<std::string> step(const Step& s)
    {
        forgetClosed();
        const std::vector<kit::Window*> documents = documentWindows();
        const std::vector<kit::Panel*> shownPanels = panels();
        switch (s.op) {
        case Op::ClickPage: {
            if (documents.empty())
                break;
            kit::Window* window = documents[s.pick % documents.size()];
            // Inside the main text of the page, so that the caret is there.
            clickAt(*window, kit::makePoint(300, 450));
            bringToFront(window);
            keyPanel_ = nullptr;
            break;
        }
        case Op::ClickTitleBar: {
            std::vector<kit::Window*> all = documents;
            all.insert(all.end(), shownPanels.begin(), shownPanels.end());
            if (all.empty())
                break;
            kit::Window* window = all[s.pick % all.size()];
            app_.queueEventFromSource(kit::Event::otherEventWithType(kit::EventType::AppKitDefined, {}, 0,
                                                                     kit::Clock::now(), 0,
                                                                     kit::WindowActivatedSubtype,
                                                                     window->windowNumber()));
            settle();
            if (documentOf(window)) {
                bringToFront(window);
                keyPanel_ = nullptr;
            } else if (!window->becomesKeyOnlyIfNeeded()) {
                keyPanel_ = dynamic_cast<kit::Panel*>(window);
            }
            break;
        }
        case Op::Type: {
            const std::vector<kit::Window*> shown = visibleWindows();
            if (shown.empty())
                break;
            kit::Window* target = shown[s.pick % shown.size()];
            std::vector<std::size_t> before;
            for (LayoutDocument* d : delegate_->documents())
                before.push_back(lettersOf(*d));
            kit::EventScript(*target).keyDown(u"k").keyUp(u"k").schedule();
            settle();
            // A panel that has the keys takes the letter; otherwise the
            // document in front gets it, and no other.
            LayoutDocument* expected = keyPanel_ ? nullptr : documentOf(front());
            const std::vector<LayoutDocument*> list = delegate_->documents();
            for (std::size_t i = 0; i < list.size() && i < before.size(); ++i) {
                const std::size_t now = lettersOf(*list[i]);
                const bool editing = list[i]->mainView() && list[i]->mainView()->isEditing();
                if (list[i] == expected && editing && now != before[i] + 1)
                    return std::string("the letter typed did not reach the document in front");
                if (list[i] != expected && now != before[i])
                    return "the letter typed went into " + list[i]->filename() + ", not the document in front";
            }
            break;
        }
        case Op::Save: {
            LayoutDocument* expected = documentOf(front());
            std::vector<std::pair<std::string, std::string>> files;
            for (LayoutDocument* d : delegate_->documents())
                if (d->named())
                    files.emplace_back(d->filename(), kit::FileManager::contentsAtPath(d->filename()).value_or(""));
            std::string asked;
            if (expected && !expected->named()) {
                asked = folder_ + "/saved-" + std::to_string(++saves_) + ".syb";
                kit::ScriptedFilePanelHandler::Answer answer;
                answer.paths = {asked};
                panels_->pushAnswer(answer);
            }
            const std::size_t panelsShown = panels_->shown().size();
            if (expected)
                expected->setEdited(true);
            commandKey(u"s");
            if (!expected)
                break;
            if (!asked.empty() && panels_->shown().size() == panelsShown)
                return std::string("Save asked no name for the untitled document in front");
            if (!asked.empty() && expected->filename() != asked)
                return "Save wrote " + asked + " for another document than the one in front";
            if (expected->isEdited())
                return "Save left the document in front unsaved: " + expected->filename();
            for (const auto& [file, bytes] : files)
                if (file != expected->filename() && kit::FileManager::contentsAtPath(file).value_or("") != bytes)
                    return "Save wrote " + file + ", not the document in front " + expected->filename();
            break;
        }
        case Op::ZoomPanel: {
            if (documents.empty())
                break;
            // The user closes the panel with Escape once it is up.
            auto escape = kit::Timer::timerWithTimeInterval(0.05, [this](kit::Timer&) {
                if (kit::Window* modal = app_.modalWindow())
                    kit::EventScript(*modal).keyDown(u"\x1b").keyUp(u"\x1b").schedule();
            }, false);
            auto giveUp = kit::Timer::timerWithTimeInterval(5.0, [this](kit::Timer&) { app_.abortModal(); }, false);
            kit::RunLoop::currentRunLoop().addTimer(escape, kit::ModalPanelRunLoopMode);
            kit::RunLoop::currentRunLoop().addTimer(giveUp, kit::ModalPanelRunLoopMode);
            commandKey(u"=");
            escape->invalidate();
            giveUp->invalidate();
            break;
        }
        case Op::TabsPanel:
            chooseMenuItem("runTabs:");
            break;
        case Op::FontPanel:
            commandKey(u"t");
            break;
        case Op::ClickPanelField:
        case Op::ClickPanelButton: {
            if (shownPanels.empty())
                break;
            kit::Panel* panel = shownPanels[s.pick % shownPanels.size()];
            const bool field = s.op == Op::ClickPanelField;
            kit::View* target = findView(panel->contentView(), [field](kit::View* v) {
                if (field)
                    return dynamic_cast<kit::TextField*>(v) && v->acceptsFirstResponder();
                return dynamic_cast<kit::Button*>(v) != nullptr && !v->acceptsFirstResponder();
            });
            if (!target)
                break;
            // Set would change the fonts, Cancel would close: any button
            // but those of a modal panel will do.
            const kit::Rect r = target->convertRectToView(target->bounds(), nullptr);
            clickAt(*panel, kit::makePoint(kit::midX(r), kit::midY(r)));
            if (field)
                keyPanel_ = panel;
            else if (!panel->isVisible() && keyPanel_ == panel)
                keyPanel_ = nullptr;
            break;
        }
        case Op::ClosePanel: {
            if (shownPanels.empty())
                break;
            kit::Panel* panel = shownPanels[s.pick % shownPanels.size()];
            panel->performClose(nullptr);
            settle();
            if (keyPanel_ == panel)
                keyPanel_ = nullptr;
            break;
        }
        case Op::NewDocument:
            if (documents.size() >= 5)
                break;
            commandKey(u"n");
            for (kit::Window* w : documentWindows())
                if (std::find(front_.begin(), front_.end(), w) == front_.end())
                    bringToFront(w);
            keyPanel_ = nullptr;
            break;
        case Op::SecondLaunch: {
            // An open document's file comes to the front; a new copy opens.
            std::string file = files_[s.pick % files_.size()];
            if (s.pick % 3 == 0 && documents.size() < 5) {
                file = folder_ + "/copy-" + std::to_string(++copies_) + ".syb";
                kit::FileManager::copyPath(files_[0], file);
            }
            delegate_->applicationOpenFile(file);
            settle();
            forgetClosed();
            for (LayoutDocument* d : delegate_->documents())
                if (d->named() && d->filename() == file && !d->views().empty())
                    bringToFront(d->views().front()->window());
            keyPanel_ = nullptr;
            break;
        }
        case Op::CloseDocument: {
            if (documents.size() < 2 || !front())
                break;
            // The window is freed once closed: only its number is asked after.
            const int closing = front()->windowNumber();
            alerts_->pushAnswer(kit::AlertAlternateReturn);
            commandKey(u"w");
            if (kit::Window* still = app_.windowWithWindowNumber(closing); still && still->isVisible())
                return std::string("Close left the window in front open");
            // A panel that had the keys keeps them.
            break;
        }
        }
        forgetClosed();
        return std::nullopt;
    }

    // What every step must leave: the window the user works in is the main
    // window and the key one (unless a panel took the keys), and the
    // document commands reach its document.
    std::optional<std::string> check()
    {
        kit::Window* window = front();
        if (!window)
            return std::nullopt;
        if (app_.mainWindow() != window)
            return "the main window is not the one in front (" + documentOf(window)->filename() + ")";
        if (!keyPanel_ && app_.keyWindow() != window)
            return std::string("the window in front is not key");
        if (keyPanel_ && app_.keyWindow() != keyPanel_)
            return std::string("the panel that took the keys is not key");
        kit::MenuItem* save = menuItem("save:");
        if (!save || !app_.mainMenu()->itemAtIndex(0))
            return std::string("no Save in the menus");
        if (!kit::Menu::targetForItem(save))
            return std::string("Save is disabled");
        save->menu()->validateItem(save);
        if (!save->isEnabled())
            return std::string("Save is disabled while a document window is in front");
        // The menus as a click on the menu bar opens them: validated as they
        // show, against the window in front.
        std::vector<kit::Menu*> opened;
        for (const char* action : {"save:", "close:", "printDocument:", "selectAll:"}) {
            kit::MenuItem* item = menuItem(action);
            if (!item || !item->menu())
                return std::string("no ") + action + " in the menus";
            if (std::find(opened.begin(), opened.end(), item->menu()) == opened.end()) {
                opened.push_back(item->menu());
                emit item->menu()->qtMenu()->aboutToShow();
            }
            if (!item->qtAction()->isEnabled())
                return std::string(action) + " shows disabled while a document window is in front";
        }
        if (delegate_->mainDocument() != documentOf(window))
            return "the commands reach " +
                   (delegate_->mainDocument() ? delegate_->mainDocument()->filename() : std::string("no document")) +
                   ", not " + documentOf(window)->filename();
        return std::nullopt;
    }

    std::string folder_;
    kit::Application& app_ = kit::Application::sharedApplication();
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::shared_ptr<kit::ScriptedFilePanelHandler> panels_;
    std::unique_ptr<Scrivly> delegate_;
    std::vector<std::string> files_;
    std::vector<kit::Window*> front_;
    kit::Panel* keyPanel_ = nullptr;
    int saves_ = 0;
    int copies_ = 0;
};

class WindowSequence : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Scrivly::initialize();
        TextWord::initialize();
        kit::Font::initialize();
    }

    std::optional<std::string> play(const std::vector<Step>& steps)
    {
        Session run(folder_);
        return run.play(steps);
    }

    // The shortest sequence found that still fails: steps left out one at a
    // time, then pairs, while the failure stays.
    std::vector<Step> shrink(std::vector<Step> steps)
    {
        bool shorter = true;
        while (shorter) {
            shorter = false;
            for (std::size_t width : {std::size_t(4), std::size_t(2), std::size_t(1)}) {
                for (std::size_t at = 0; at + width <= steps.size();) {
                    std::vector<Step> tried = steps;
                    tried.erase(tried.begin() + std::ptrdiff_t(at), tried.begin() + std::ptrdiff_t(at + width));
                    if (play(tried)) {
                        steps = std::move(tried);
                        shorter = true;
                    } else {
                        at += 1;
                    }
                }
            }
        }
        return steps;
    }

    std::string folder_ = kit::FileManager::uniqueTemporaryPath("window-sequence");
};

unsigned environmentNumber(const char* name, unsigned fallback)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return fallback;
    return unsigned(std::strtoul(value, nullptr, 10));
}

} // namespace

// The sequence that once saved another document: a second launch's
// document shows its info bar, the other window is clicked, typed into and
// saved.
TEST_F(WindowSequence, SaveAfterAClickWritesTheClickedDocument)
{
    const std::vector<Step> steps = {{Op::SecondLaunch, 1}, {Op::ClickPage, 0}, {Op::Type, 0}, {Op::Save, 0}};
    const std::optional<std::string> broken = play(steps);
    EXPECT_FALSE(broken) << *broken;
}

// The menus once the zoom panel has closed and while the tabs panel is up
// (key or not) act on the document in front.
TEST_F(WindowSequence, MenusFollowTheDocumentAfterTheZoomPanelAndBesideTheTabsPanel)
{
    const std::vector<Step> steps = {{Op::ZoomPanel, 0},       {Op::TabsPanel, 0}, {Op::ClickPanelField, 0},
                                     {Op::ClickPanelButton, 0}, {Op::ClickPage, 0}, {Op::ZoomPanel, 0},
                                     {Op::Type, 0}};
    const std::optional<std::string> broken = play(steps);
    EXPECT_FALSE(broken) << *broken;
}

TEST_F(WindowSequence, BoldByItsKeyMakesTheSelectedTextBold)
{
    Session run(folder_);
    const std::optional<std::string> broken = run.boldTypedText();
    EXPECT_FALSE(broken) << *broken;
}

TEST_F(WindowSequence, TheFontPanelFollowsTheCaret)
{
    Session run(folder_);
    const std::optional<std::string> broken = run.fontPanelFollowsTheCaret();
    EXPECT_FALSE(broken) << *broken;
}

// The seeds in blocks, each its own test, so that they run side by side.
constexpr unsigned SeedBlocks = 6;

class WindowSequenceSeeds : public WindowSequence, public ::testing::WithParamInterface<unsigned> {};

TEST_P(WindowSequenceSeeds, RandomSwitchesKeepTheCommandsOnTheDocumentInFront)
{
    const unsigned first = environmentNumber("SCRIVLY_WINDOW_SEQUENCE_SEED", 1);
    const unsigned seeds = environmentNumber("SCRIVLY_WINDOW_SEQUENCE_SEEDS", 30);
    for (unsigned seed = first + GetParam(); seed < first + seeds; seed += SeedBlocks) {
        const std::vector<Step> steps = randomSteps(seed, 30);
        if (!play(steps))
            continue;
        const std::vector<Step> shortest = shrink(steps);
        const std::optional<std::string> broken = play(shortest);
        FAIL() << "seed " << seed << ": " << broken.value_or("(no longer fails when shrunk)") << "\n"
               << describe(shortest);
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, WindowSequenceSeeds, ::testing::Range(0u, SeedBlocks));
