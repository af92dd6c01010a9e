#include "appkit/PopUpButton.h"

#include "appkit/Application.h"
#include "appkit/ControlWidgets.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"

#include <QComboBox>
#include <QStandardItemModel>

namespace kit {

namespace {

// The button's value is its selection.
class PopUpCell : public Cell {
public:
    explicit PopUpCell(PopUpButton& button) : button_(button) {}
    std::string className() const override { return "NSPopUpButtonCell"; }
    std::string stringValue() const override { return button_.titleOfSelectedItem(); }
    void setStringValue(const std::string& text) override { button_.selectItemWithTitle(text); }
    int intValue() const override { return button_.indexOfSelectedItem(); }
    void setIntValue(int value) override { button_.selectItemAtIndex(value); }
    double doubleValue() const override { return button_.indexOfSelectedItem(); }
    void setDoubleValue(double value) override { button_.selectItemAtIndex(static_cast<int>(value)); }
    std::string title() const override { return button_.titleOfSelectedItem(); }
    void setTitle(const std::string& title) override { button_.setTitle(title); }

private:
    PopUpButton& button_;
};

QComboBox* comboOf(const Control& c)
{
    return static_cast<QComboBox*>(c.widget());
}

} // namespace

PopUpButton::PopUpButton(const Rect& frame, bool pullsDown)
    : Control(frame), menu_(std::make_unique<Menu>()), pullsDown_(pullsDown)
{
    // The platform's pop-up lists do not validate their items.
    menu_->setAutoenablesItems(false);
    setCell(std::make_unique<PopUpCell>(*this));
    auto* combo = new QComboBox;
    // A choice in Qt's list is handled from the queue, as every event is.
    QObject::connect(combo, QOverload<int>::of(&QComboBox::activated), [this](int index) {
        if (updating_)
            return;
        if (MenuItem* item = itemAtIndex(index))
            performSelector("_chooseItem:", item, 0.0,
                            {DefaultRunLoopMode, ModalPanelRunLoopMode, EventTrackingRunLoopMode});
    });
    setAction("_chooseItem:", [this](Object* item) -> Object* {
        int index = indexOfItem(dynamic_cast<MenuItem*>(item));
        if (index >= 0)
            chooseItemAtIndex(index);
        return nullptr;
    });
    setWidget(combo);
}

PopUpButton::~PopUpButton()
{
    Receiver::cancelPreviousPerformRequestsWithTarget(this);
}

void PopUpButton::setPullsDown(bool flag)
{
    pullsDown_ = flag;
    updateWidget();
}

// ---- Items.

MenuItem* PopUpButton::addItemWithTitle(const std::string& title)
{
    return insertItemWithTitle(title, numberOfItems());
}

void PopUpButton::addItemsWithTitles(const std::vector<std::string>& titles)
{
    for (const std::string& t : titles)
        addItemWithTitle(t);
}

MenuItem* PopUpButton::insertItemWithTitle(const std::string& title, int index)
{
    // One item of a title: adding it again moves it.
    if (int old = indexOfItemWithTitle(title); old >= 0) {
        removeItemAtIndex(old);
        if (index > old)
            --index;
    }
    if (index < 0 || index > numberOfItems())
        index = numberOfItems();
    MenuItem* item = menu_->insertItemWithTitle(title, std::string(), std::string(), static_cast<size_t>(index));
    if (selected_ >= index)
        ++selected_;
    if (selected_ < 0)
        selected_ = 0;
    itemsChanged();
    return item;
}

void PopUpButton::addSeparator()
{
    menu_->addItem(MenuItem::separatorItem());
    itemsChanged();
}

void PopUpButton::removeItemWithTitle(const std::string& title)
{
    removeItemAtIndex(indexOfItemWithTitle(title));
}

void PopUpButton::removeItemAtIndex(int index)
{
    if (index < 0 || index >= numberOfItems())
        return;
    menu_->removeItemAtIndex(static_cast<size_t>(index));
    if (selected_ > index || selected_ >= numberOfItems())
        --selected_;
    if (selected_ < 0 && numberOfItems() > 0)
        selected_ = 0;
    itemsChanged();
}

void PopUpButton::removeAllItems()
{
    menu_->removeAllItems();
    selected_ = -1;
    itemsChanged();
}

MenuItem* PopUpButton::itemAtIndex(int index) const
{
    return index < 0 ? nullptr : menu_->itemAtIndex(static_cast<size_t>(index));
}

MenuItem* PopUpButton::itemWithTitle(const std::string& title) const
{
    return menu_->itemWithTitle(title);
}

std::vector<std::string> PopUpButton::itemTitles() const
{
    std::vector<std::string> out;
    for (MenuItem* i : menu_->itemArray())
        out.push_back(i->title());
    return out;
}

std::string PopUpButton::itemTitleAtIndex(int index) const
{
    MenuItem* i = itemAtIndex(index);
    return i ? i->title() : std::string();
}

// ---- Selection.

MenuItem* PopUpButton::selectedItem() const
{
    return itemAtIndex(selected_);
}

std::string PopUpButton::titleOfSelectedItem() const
{
    MenuItem* i = selectedItem();
    return i ? i->title() : std::string();
}

void PopUpButton::selectItem(MenuItem* item)
{
    int index = indexOfItem(item);
    if (index >= 0)
        selectItemAtIndex(index);
}

void PopUpButton::selectItemAtIndex(int index)
{
    MenuItem* item = itemAtIndex(index);
    if (!item || item->isSeparatorItem())
        return;
    selected_ = index;
    updateWidget();
}

void PopUpButton::selectItemWithTitle(const std::string& title)
{
    selectItemAtIndex(indexOfItemWithTitle(title));
}

bool PopUpButton::selectItemWithTag(int tag)
{
    int i = indexOfItemWithTag(tag);
    if (i < 0)
        return false;
    selectItemAtIndex(i);
    return true;
}

int PopUpButton::selectedTag() const
{
    MenuItem* item = selectedItem();
    return item ? item->tag() : -1;
}

void PopUpButton::setTitle(const std::string& title)
{
    if (indexOfItemWithTitle(title) < 0)
        addItemWithTitle(title);
    selectItemWithTitle(title);
}

// ---- Choosing.

void PopUpButton::chooseItemAtIndex(int index)
{
    MenuItem* item = itemAtIndex(index);
    if (!item || item->isSeparatorItem() || !item->isEnabled() || !isEnabled())
        return;
    selectItemAtIndex(index);
    if (!item->action().empty())
        Control::sendAction(item->action(), item->target());
    else
        Control::sendAction(action(), target());
}

void PopUpButton::performClick(Object*)
{
    chooseItemAtIndex(selected_);
}

Rect PopUpButton::listItemRect(int index) const
{
    Rect button = convertRectToView(bounds(), nullptr);
    float step = height(button);
    // The selected item lies over the button, those before it above.
    float offset = static_cast<float>(std::max(selected_, 0) - index) * step;
    return makeRect(minX(button), minY(button) + offset, width(button), step);
}

void PopUpButton::mouseDown(const Event& event)
{
    if (!isEnabled() || numberOfItems() == 0)
        return;
    menu_->update();
    if (detail::WindowScreen::isRealDisplay() && window() && window()->screen()) {
        updateWidget();
        comboOf(*this)->showPopup();
        return;
    }
    trackList(event);
}

void PopUpButton::trackList(const Event& event)
{
    Application& app = Application::sharedApplication();
    int under = -1;
    auto itemAt = [&](Point p) {
        for (int i = 0; i < numberOfItems(); ++i)
            if (kit::mouseInRect(p, listItemRect(i), false))
                return i;
        return -1;
    };
    under = itemAt(event.locationInWindow());
    for (;;) {
        std::optional<Event> e = app.nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask,
                                                           Date::distantFuture(), EventTrackingRunLoopMode, true);
        if (!e)
            return;
        under = e->windowNumber() == event.windowNumber() ? itemAt(e->locationInWindow()) : -1;
        if (e->type() == EventType::LeftMouseUp)
            break;
    }
    if (under >= 0)
        chooseItemAtIndex(under);
}

bool PopUpButton::performKeyEquivalent(const Event& event)
{
    if (!isEnabled())
        return false;
    for (int i = 0; i < numberOfItems(); ++i) {
        MenuItem* item = itemAtIndex(i);
        if (item->matchesKeyEquivalent(event) && item->isEnabled()) {
            chooseItemAtIndex(i);
            return true;
        }
    }
    return false;
}

// ---- The widget.

void PopUpButton::itemsChanged()
{
    if (selected_ >= numberOfItems())
        selected_ = numberOfItems() - 1;
    updateWidget();
}

void PopUpButton::updateWidget()
{
    QComboBox* combo = comboOf(*this);
    if (!combo || !menu_)
        return;
    updating_ = true;
    // Items may have been retitled or disabled directly: compare each time.
    int count = numberOfItems();
    bool same = combo->count() == count;
    for (int i = 0; same && i < count; ++i) {
        MenuItem* item = itemAtIndex(i);
        same = item->isSeparatorItem() ? combo->itemData(i, Qt::AccessibleDescriptionRole).toString() == "separator"
                                       : combo->itemText(i) == QString::fromStdString(item->title());
    }
    if (!same) {
        combo->clear();
        for (int i = 0; i < count; ++i) {
            MenuItem* item = itemAtIndex(i);
            if (item->isSeparatorItem())
                combo->insertSeparator(i);
            else
                combo->addItem(QString::fromStdString(item->title()));
        }
    }
    if (auto* model = qobject_cast<QStandardItemModel*>(combo->model())) {
        for (int i = 0; i < count; ++i) {
            MenuItem* item = itemAtIndex(i);
            if (QStandardItem* row = model->item(i); row && !item->isSeparatorItem())
                row->setEnabled(item->isEnabled());
        }
    }
    combo->setCurrentIndex(selected_);
    combo->setEnabled(isEnabled());
    detail::applyFont(combo, font());
    updating_ = false;
}

} // namespace kit
