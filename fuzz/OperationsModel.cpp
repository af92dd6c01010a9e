#include "OperationsModel.h"

#include "panels/PanelTabs.h"
#include "panels/ParagraphInspector.h"

#include "FuzzInput.h"
#include "Operations.h"

#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Pasteboard.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "panels/GraphicsInspector.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/PageView.h"
#include "view/TimeDateTokenController.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>


#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define SCRIVLY_FUZZ_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SCRIVLY_FUZZ_SANITIZED 1
#endif
#ifdef SCRIVLY_FUZZ_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace fuzz::ops {

// ---- Trace.

namespace {

std::vector<std::string>& lines()
{
    static std::vector<std::string> trace;
    return trace;
}

const char* traceSetting()
{
    static const char* setting = std::getenv("SCRIVLY_FUZZ_TRACE");
    return setting && *setting ? setting : nullptr;
}

} // namespace

void Trace::reset() { lines().clear(); }

void Trace::add(std::string line)
{
    if (printing())
        std::fprintf(stderr, "  %3zu %s\n", lines().size(), line.c_str());
    lines().push_back(std::move(line));
}

void Trace::print()
{
    std::fprintf(stderr, "operations (%zu):\n", lines().size());
    for (std::size_t i = 0; i < lines().size(); ++i)
        std::fprintf(stderr, "  %3zu %s\n", i, lines()[i].c_str());
}

bool Trace::printing() { return traceSetting() != nullptr; }
bool Trace::checking() { return !traceSetting() || std::strcmp(traceSetting(), "only") != 0; }

void failed(const std::string& what)
{
    if (!Trace::printing())
        Trace::print();
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

const Checks& Checks::enabled()
{
    static const Checks checks = [] {
        Checks c;
        const char* list = std::getenv("SCRIVLY_FUZZ_CHECKS");
        if (!list)
            return c;
        const std::string names = std::string(",") + list + ",";
        auto on = [&](const char* name) { return names.find(std::string(",") + name + ",") != std::string::npos; };
        c.audit = on("audit");
        c.layout = on("layout");
        c.redraw = on("redraw");
        c.save = on("save");
        return c;
    }();
    return checks;
}

// ---- Process set-up.

namespace {

#ifdef SCRIVLY_FUZZ_SANITIZED
void printTraceOnDeath()
{
    if (!Trace::printing())
        Trace::print();
}
#endif

kit::Font* fixedFont(float size)
{
    return kit::Font::fontWithName("Fixed-Test", size);
}

void setFonts(TextFlow* flow, bool times)
{
    if (!flow)
        return;
    kit::Font* font = times ? kit::Font::fontWithName("Times-Roman", 12) : fixedFont(10);
    if (!font)
        return;
    for (const auto& paragraph : flow->paragraphList())
        paragraph->paragraphStyle()->setFont(font);
    auto typing = std::make_unique<StyleChar>();
    typing->setFont(font);
    flow->setCharStyle(std::move(typing));
}

} // namespace

void Model::initializeProcess()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_CONFIG_HOME", fuzz::scratchFolder().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", fuzz::scratchFolder().c_str(), 0);
    kit::Application::sharedApplication();
    kit::Clock::useVirtualClock(0.0);
    kit::UserDefaults::resetStandardUserDefaults();
    registerValueClasses();
    kit::Font::initialize();
    StyleParagraph::initialize();
    StyleGraphic::initialize();
    Item::initialize();
    Page::initialize();
    TextFlow::initialize();
    TextSelection::initialize();
    Scrivly::initialize();
    TextWord::initialize();
    GraphicsInspector::initialize();
    const std::string error =
        kit::Font::registerFontFromAFM(std::string(SCRIVLY_SOURCE_DIR) + "/text/tests/fixtures/Fixed-Test.afm");
    if (!error.empty() || !fixedFont(10))
        fuzz::fail("the fixture font cannot be registered");
#ifdef SCRIVLY_FUZZ_SANITIZED
    __sanitizer_set_death_callback(printTraceOnDeath);
#endif
}

// ---- The model.

Model::Model(std::uint8_t header)
    : wordProcessor_(header & WordProcessor), times_(header & TimesFont)
{
    kit::Application& app = kit::Application::sharedApplication();
    app.resetForTesting();
    kit::setCurrentEventModifierFlags(0);
    // Nothing of an earlier input may be pasted into this one.
    for (const char* name : {kit::GeneralPboard, ZYN_PRIVATEKILL})
        kit::Pasteboard::pasteboardWithName(name).declareTypes({}, nullptr);
    alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
    kit::setAlertHandler(alerts_);
    TimeDateTokenController::runner() = nullptr;
    TextFlow::setLastKeyWasUpDown(false);

    delegate_ = wordProcessor_ ? std::make_unique<Scrivly>() : std::make_unique<Layvane>();
    document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
    document_->setPageSize(kit::makeSize(612, 792));
    document_->setup();
    const float height = (header & TallColumns) ? 160.0f : 48.0f;
    const kit::Rect frame = kit::makeRect(72, 72, 180, height);
    if (wordProcessor_) {
        auto master = std::make_shared<TextItem>();
        master->setFrame(frame, false);
        master->setAutoFlowText(true);
        master->setMasterFlags(3);
        TextItem* raw = master.get();
        document_->addMasterItem(std::move(master));
        document_->pageAt(0)->pushTextMaster(document_.get(), raw, false);
    } else {
        document_->addPages(1, 1);
        std::shared_ptr<TextItem> first = newColumn(frame), second = newColumn(frame);
        document_->pageAt(0)->addItems(first, false);
        document_->pageAt(1)->addItems(second, false);
        first->joinColumn(second.get());
        TextFlow* flow = first->flow();
        // The second column's empty paragraph came along: one is enough.
        while (flow->paragraphCount() > 1)
            flow->removeParagraph(flow->lastParagraph());
        flow->setCurrentParagraph(flow->firstParagraph());
    }
    for (TextItem* column : columns())
        setFonts(column->flow(), times_);
    for (TextItem* column : columns())
        column->flow()->recomputeAll();
    document_->calcPageRectsFor(1);

    const kit::Rect content = kit::makeRect(0, 0, 320, 240);
    window_ = std::make_unique<kit::Window>(content);
    auto scroll = std::make_unique<kit::ScrollView>(content);
    auto view = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
    view_ = view.get();
    view_->setFrameSize(document_->canvasSize());
    view_->setDocument(document_.get());
    scroll->setDocumentView(std::move(view));
    window_->setContentView(std::move(scroll));
    document_->addView(view_);
    delegate_->setMainDocument(document_.get());
    delegate_->setMainPageView(view_);
    window_->display();
}

ParagraphInspector& Model::inspector()
{
    if (!inspector_) {
        ParagraphInspector::initialize();
        inspector_ = std::make_unique<ParagraphInspector>();
        inspector_->setPanelHost(delegate_.get());
        inspector_->init(nullptr);
    }
    return *inspector_;
}

PanelTabs& Model::tabs()
{
    if (!tabs_) {
        tabs_ = std::make_unique<PanelTabs>();
        tabs_->setPanelHost(delegate_.get());
        tabs_->init(nullptr);
    }
    return *tabs_;
}

Model::~Model()
{
    // The panels' working stops are the program's: each input starts afresh.
    tabs_.reset();
    PanelTabs::resetWorkingState();
    if (inspector_) {
        delegate_->setParagraphInspector(nullptr);
        inspector_.reset();
    }
    if (document_ && view_)
        document_->detachView(view_);
    if (delegate_) {
        delegate_->setMainDocument(nullptr);
        delegate_->setMainPageView(nullptr);
    }
    window_.reset();
    document_.reset();
    delegate_.reset();
    kit::Application::sharedApplication().resetForTesting();
    TimeDateTokenController::runner() = nullptr;
    kit::setAlertHandler(nullptr);
}

std::shared_ptr<TextItem> Model::newColumn(const kit::Rect& frame) const
{
    auto column = std::make_shared<TextItem>();
    column->setFrame(frame, false);
    column->setTextType(1);
    setFonts(column->flow(), times_);
    return column;
}

std::vector<TextItem*> Model::columns() const
{
    std::vector<TextItem*> found;
    for (Item* item : items())
        if (auto* column = dynamic_cast<TextItem*>(item); column && column->flow())
            found.push_back(column);
    return found;
}

std::vector<Item*> Model::items() const
{
    std::vector<Item*> found;
    for (const auto& page : document_->pages())
        for (const auto& item : page->pageItems())
            found.push_back(item.get());
    return found;
}

std::string Model::where(const Item* item) const { return whereIn(*document_, item); }

std::string whereIn(const LayoutDocument& document, const Item* item)
{
    if (!item)
        return "none";
    const auto& masters = document.masterItems();
    for (std::size_t i = 0; i < masters.size(); ++i)
        if (masters[i].get() == item)
            return "master item " + std::to_string(i);
    const auto& pages = document.pages();
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const auto& list = pages[p]->pageItems();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].get() == item)
                return "page " + std::to_string(p) + " item " + std::to_string(i);
    }
    return "an item of no page";
}

TextItem* Model::editedColumn(std::uint8_t choice)
{
    if (TextItem* active = document_->activeTextItem())
        for (TextItem* column : columns())
            if (column == active && column->isEditing())
                return column;
    const std::vector<TextItem*> all = columns();
    if (all.empty())
        return nullptr;
    TextItem* column = all[choice % all.size()];
    column->beginEditing(nullptr, view_);
    return column->isEditing() ? column : nullptr;
}

void Model::check()
{
    if (!Trace::checking())
        return;
    const Checks& checks = Checks::enabled();
    if (checks.audit) {
        checkLinks();
        checkAudit();
    }
    if (checks.redraw)
        checkRepaint();
    if (checks.layout) {
        checkLayout();
        // What the full layout invalidated is drawn now, not counted as the
        // next operation's redraw.
        window_->displayIfNeeded();
    }
}

} // namespace fuzz::ops
