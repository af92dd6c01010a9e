#include "panels/PanelFind.h"

#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Alert.h"
#include "core/Color.h"
#include "core/Encoding.h"
#include "core/Exception.h"
#include "foundation/ApplicationDelegate.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "view/PageView.h"

namespace {


} // namespace

void PanelFind::initialize()
{
    kit::NibLoader::registerNib("PanelFind.nib", [](kit::NibLoad& load) {
        auto panel = std::make_unique<PanelFind>();
        panel->setTitle(applicationString("Find"));
        kit::View* content = panel->contentView();
        auto label = [&](float y, const char* key) {
            auto text = kit::TextField::makeLabel(kit::makeRect(6, y, 86, 22), applicationString(key));
            content->addSubview(std::move(text));
        };
        label(128, "Find:");
        label(98, "Replace:");
        auto find = std::make_unique<kit::TextField>(kit::makeRect(96, 128, 290, 22));
        auto replace = std::make_unique<kit::TextField>(kit::makeRect(96, 98, 290, 22));
        auto findWell = std::make_unique<kit::ColorWell>(kit::makeRect(392, 128, 44, 22));
        auto replaceWell = std::make_unique<kit::ColorWell>(kit::makeRect(392, 98, 44, 22));
        findWell->setColor(kit::Color::blackColor());
        replaceWell->setColor(kit::Color::blackColor());
        auto ignore = std::make_unique<kit::Button>(kit::makeRect(96, 70, 140, 22), applicationString("Ignore Case"));
        ignore->setButtonType(kit::ButtonType::Switch);
        auto popup = std::make_unique<kit::PopUpButton>(kit::makeRect(240, 70, 144, 22));
        popup->addItemWithTitle(applicationString("Text"))->setTag(TextMode);
        popup->addItemWithTitle(applicationString("Color"))->setTag(ColorMode);
        PanelFind* raw = panel.get();
        // The buttons, right to left as the panel reads them.
        const struct {
            const char* title;
            const char* action;
            float x;
        } buttons[] = {
            {"Replace All", "replaceAll:", 10},
            {"Replace", "replace:", 104},
            {"Replace & Find", "replaceAndFind:", 198},
            {"Previous", "findPrevious:", 292},
            {"Next", "findNext:", 386},
        };
        for (const auto& entry : buttons) {
            auto button = std::make_unique<kit::Button>(kit::makeRect(entry.x, 14, 90, 26), applicationString(entry.title));
            button->setTarget(raw);
            button->setAction(entry.action);
            if (std::string(entry.action) == "findNext:")
                button->setKeyEquivalent("\r");
            content->addSubview(std::move(button));
        }
        auto* findField = static_cast<kit::TextField*>(content->addSubview(std::move(find)));
        auto* replaceField = static_cast<kit::TextField*>(content->addSubview(std::move(replace)));
        auto* findColor = static_cast<kit::ColorWell*>(content->addSubview(std::move(findWell)));
        auto* replaceColor = static_cast<kit::ColorWell*>(content->addSubview(std::move(replaceWell)));
        auto* ignoreCase = static_cast<kit::Button*>(content->addSubview(std::move(ignore)));
        raw->setFields(findField, replaceField, ignoreCase, findColor, replaceColor);
        raw->setFindPopup(static_cast<kit::PopUpButton*>(content->addSubview(std::move(popup))));
        PanelFind* made = load.addTopLevelObject(std::move(panel));
        made->init(nullptr);
        made->setFloatingPanel(false);
        made->setDelegate(made);
        return load.connectOutlet("findPanel", made);
    });
}

PanelFind::PanelFind()
    : PanelSubClass(kit::makeRect(0, 0, 486, 164))
{
    static const struct {
        const char* action;
        void (PanelFind::*run)(kit::Object*);
    } kActions[] = {
        {"findNext:", &PanelFind::findNext},
        {"findPrevious:", &PanelFind::findPrevious},
        {"replace:", &PanelFind::replace},
        {"replaceAndFind:", &PanelFind::replaceAndFind},
        {"replaceAll:", &PanelFind::replaceAll},
        {"popupAction:", &PanelFind::popupAction},
    };
    for (const auto& entry : kActions) {
        const auto run = entry.run;
        setAction(entry.action, [this, run](kit::Object* sender) -> kit::Object* {
            (this->*run)(sender);
            return this;
        });
    }
    setAction("makeKeyAndOrderFront:", [this](kit::Object* sender) -> kit::Object* {
        makeKeyAndOrderFront(sender);
        return this;
    });
    setAction("enterSelection:", [this](kit::Object* sender) -> kit::Object* {
        enterSelection(dynamic_cast<TextSelection*>(sender));
        return this;
    });
}

PanelFind::~PanelFind() = default;

// ---- Set-up and mode.

PanelFind* PanelFind::init(kit::Object* sender)
{
    PanelSubClass::init(sender);
    setFrameUsingName("FindPanel");
    setFrameAutosaveName("FindPanel");
    selectFindCell();
    _enableText();
    wordPoint_.reset();
    wordFlow_.reset();
    return this;
}

void PanelFind::makeKeyAndOrderFront(kit::Object* sender)
{
    kit::Window::makeKeyAndOrderFront(sender);
    selectFindCell();
}

void PanelFind::setFields(kit::TextField* findField, kit::TextField* replaceField, kit::Button* ignoreCase,
                          kit::ColorWell* findColor, kit::ColorWell* replaceColor)
{
    findField_ = findField;
    replaceField_ = replaceField;
    XignoreCase_ = ignoreCase;
    findColor_ = findColor;
    replaceColor_ = replaceColor;
}

void PanelFind::setFindPopup(kit::PopUpButton* popup)
{
    findPopup_ = popup;
    if (findPopup_) {
        findPopup_->setTarget(this);
        findPopup_->setAction("popupAction:");
    }
}

void PanelFind::popupAction(kit::Object* sender)
{
    auto* control = dynamic_cast<kit::Control*>(sender);
    if (control && control->selectedTag() == ColorMode)
        _enableColor();
    else
        _enableText();
}

void PanelFind::_enableText()
{
    for (kit::TextField* field : {findField_, replaceField_})
        if (field)
            field->setEnabled(true);
    for (kit::ColorWell* well : {findColor_, replaceColor_})
        if (well)
            well->setEnabled(false);
    if (findPopup_)
        (void)findPopup_->selectItemWithTag(TextMode);
    actionTag_ = TextMode;
}

void PanelFind::_enableColor()
{
    for (kit::TextField* field : {findField_, replaceField_})
        if (field)
            field->setEnabled(false);
    for (kit::ColorWell* well : {findColor_, replaceColor_})
        if (well)
            well->setEnabled(true);
    if (findPopup_)
        (void)findPopup_->selectItemWithTag(ColorMode);
    actionTag_ = ColorMode;
}

bool PanelFind::ignoresCase() const { return XignoreCase_ && XignoreCase_->state() != 0; }

void PanelFind::selectFindCell()
{
    if (findField_ && actionTag_ == TextMode && isVisible())
        findField_->selectText(this);
}

PageView* PanelFind::mainPageView() const { return host_ ? host_->mainPageView() : nullptr; }

void PanelFind::noTextPoint() const
{
    kit::beep();
    kit::runAlertPanel(applicationString("Find"), applicationString("NoTextPoint"), "", "", "");
}

std::optional<std::string> PanelFind::documentText(const std::string& utf8)
{
    return kit::fromUTF8(kit::Encoding::NeXTSTEP, utf8);
}

bool PanelFind::isAcceptableText(const std::string& bytes)
{
    if (bytes.size() > MaxTextBytes)
        return false;
    for (unsigned char c : bytes)
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
            return false;
    return true;
}

std::optional<std::string> PanelFind::fieldText(kit::TextField* field)
{
    if (!field)
        return std::string();
    std::optional<std::string> bytes = documentText(field->stringValue());
    if (!bytes || !isAcceptableText(*bytes))
        return std::nullopt;
    return bytes;
}

// ---- The panel's actions.

void PanelFind::findFromPanel(int direction)
{
    if (actionTag_ == ColorMode) {
        if (!findColor(findColor_ ? findColor_->color() : nullptr, direction, true))
            kit::beep();
    } else {
        const std::optional<std::string> text = fieldText(findField_);
        if (!text || !findText(*text, direction, true))
            kit::beep();
        selectFindCell();
    }
    lastDirection_ = direction;
}

void PanelFind::findNext(kit::Object*) { findFromPanel(1); }

void PanelFind::findPrevious(kit::Object*) { findFromPanel(-1); }

void PanelFind::replace(kit::Object*)
{
    if (actionTag_ == ColorMode) {
        replaceColor(findColor_ ? findColor_->color() : nullptr, replaceColor_ ? replaceColor_->color() : nullptr,
                     true);
        return;
    }
    const std::optional<std::string> text = fieldText(replaceField_);
    if (!text) {
        kit::beep();
        return;
    }
    (void)replaceSelectionWith(*text, true);
}

void PanelFind::replaceAndFind(kit::Object* sender)
{
    replace(sender);
    if (lastDirection_ == -1)
        findPrevious(sender);
    else
        findNext(sender);
}

void PanelFind::replaceAll(kit::Object*)
{
    if (actionTag_ == ColorMode) {
        (void)replaceAllColors(findColor_ ? findColor_->color() : nullptr,
                               replaceColor_ ? replaceColor_->color() : nullptr);
    } else {
        const std::optional<std::string> find = fieldText(findField_);
        const std::optional<std::string> replacement = fieldText(replaceField_);
        if (!find || !replacement)
            kit::beep();
        else
            (void)replaceAllText(*find, *replacement);
        selectFindCell();
    }
    lastDirection_ = -1;
}

// ---- The selection as the search text, and the remote API.

void PanelFind::enterSelection(TextSelection* selection)
{
    if (!selection)
        return;
    std::string text;
    try {
        if (!selection->writeTextToStream(text, TextSelection::ExportPlain))
            return;
    } catch (const kit::Exception&) {
        return;
    }
    if (text.size() > MaxTextBytes) {
        kit::beep();
        kit::runAlertPanel(applicationString("Find"), applicationString("FindTooMuch"), "", "", "");
        return;
    }
    _enableText();
    selectFindCell();
    if (findField_)
        findField_->setStringValue(kit::toUTF8(kit::Encoding::NeXTSTEP, text));
}

int PanelFind::findFromRemote(const std::string& find, const std::string& replacement)
{
    const std::optional<std::string> findBytes = documentText(find);
    const std::optional<std::string> replaceBytes = documentText(replacement);
    if (!findBytes || !replaceBytes || !isAcceptableText(*findBytes) || !isAcceptableText(*replaceBytes))
        return 0;
    _enableText();
    if (findField_)
        findField_->setStringValue(find);
    if (replaceField_)
        replaceField_->setStringValue(replacement);
    selectFindCell();
    return findText(*findBytes, 1, true, true, true);
}
