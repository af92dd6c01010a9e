#include "appkit/ColorPanel.h"

#include "appkit/Application.h"
#include "appkit/ColorWell.h"
#include "appkit/Window.h"

#include <QColorDialog>

#include <algorithm>

namespace kit {

namespace {

ColorPanel*& sharedPanel()
{
    static ColorPanel* panel = nullptr;
    return panel;
}

QColor qtColor(const Color& color)
{
    float r, g, b;
    color.getRed(r, g, b);
    return QColor::fromRgbF(r, g, b, color.alphaComponent());
}

} // namespace

ColorPanel* ColorPanel::sharedColorPanel(bool create)
{
    if (!sharedPanel() && create) {
        // Qt widgets need the screen connection.
        Application::sharedApplication();
        // Lives as long as the program, as the platform's shared panel does.
        sharedPanel() = new ColorPanel;
    }
    return sharedPanel();
}

ColorPanel::ColorPanel() : color_(Color::whiteColor())
{
    dialog_ = new QColorDialog;
    dialog_->setOption(QColorDialog::DontUseNativeDialog, true);
    dialog_->setOption(QColorDialog::ShowAlphaChannel, false);
    dialog_->setWindowTitle("Colors");
    // Floating above the document windows, as the kit's floating panels do.
    dialog_->setWindowFlag(Qt::Tool, true);
    dialog_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog_->setModal(false);
    setColor(color_);
    QObject::connect(dialog_, &QDialog::finished, dialog_, [this](int result) {
        // OK hides the dialog before it tells its choice: take it here.
        if (result == QDialog::Accepted)
            takeDialogChoice();
        dialogFinished();
        // The keyboard goes back to the window being worked in.
        if (Window* key = Application::sharedApplication().keyWindow(); key && key->isVisible())
            key->makeKeyWindow();
    });
}

ColorPanel::~ColorPanel()
{
    delete dialog_;
}

void ColorPanel::setColor(ColorRef color)
{
    if (!color)
        color = Color::whiteColor();
    color_ = std::move(color);
    QColor shown = qtColor(*color_);
    shownRgba_ = shown.rgba();
    dialog_->setCurrentColor(shown);
}

void ColorPanel::orderFront()
{
    // A window coming on screen comes in front; one already there is raised.
    if (dialog_->isVisible())
        dialog_->raise();
    dialog_->show();
    // It takes the keyboard, as a window manager gives it to a window that
    // comes on screen (without one nothing would, and its fields could not
    // be typed into).
    dialog_->activateWindow();
}

void ColorPanel::orderOut()
{
    if (dialog_->isVisible())
        dialog_->reject();
    else
        dialogFinished();
}

bool ColorPanel::isVisible() const
{
    return dialog_->isVisible();
}

void ColorPanel::activateWell(ColorWell* well, bool exclusive)
{
    if (!well)
        return;
    if (exclusive)
        for (ColorWell* other : activeWells())
            if (other != well)
                other->deactivate();
    if (std::none_of(active_.begin(), active_.end(), [well](const WeakRef<ColorWell>& w) { return w.get() == well; }))
        active_.emplace_back(well);
    well->active_ = true;
    well->setNeedsDisplay(true);
}

void ColorPanel::deactivateWell(ColorWell* well)
{
    std::erase_if(active_, [well](const WeakRef<ColorWell>& w) { return !w.get() || w.get() == well; });
}

std::vector<ColorWell*> ColorPanel::activeWells() const
{
    std::vector<ColorWell*> wells;
    for (const WeakRef<ColorWell>& w : active_)
        if (ColorWell* well = w.get())
            wells.push_back(well);
    return wells;
}

void ColorPanel::takeDialogChoice()
{
    QColor chosen = dialog_->currentColor();
    if (chosen.rgba() == shownRgba_) {
        chooseColor(color_);
        return;
    }
    float r, g, b, a;
    chosen.getRgbF(&r, &g, &b, &a);
    chooseColor(Color::colorWithDeviceRed(r, g, b, a));
}

void ColorPanel::chooseColor(ColorRef color)
{
    if (!color)
        return;
    setColor(color);
    // A well's action may deactivate wells or make new ones.
    for (const WeakRef<ColorWell>& w : std::vector<WeakRef<ColorWell>>(active_))
        if (ColorWell* well = w.get())
            well->colorPanelChoseColor(color);
}

void ColorPanel::dialogFinished()
{
    for (ColorWell* well : activeWells())
        well->deactivate();
    active_.clear();
}

} // namespace kit
