#include "appkit/Box.h"

#include "appkit/Application.h"
#include "appkit/WidgetHost.h"

#include <QGroupBox>

namespace kit {

Box::Box(const Rect& frame, const std::string& title) : View(frame), title_(title)
{
    Application::sharedApplication();
    host_ = std::make_unique<detail::WidgetHost>(new QGroupBox);
    auto content = std::make_unique<View>();
    contentView_ = addSubview(std::move(content));
    tile();
    updateWidget();
}

Box::~Box() = default;

QWidget* Box::widget() const
{
    return host_->widget();
}

void Box::setTitle(const std::string& title)
{
    title_ = title;
    updateWidget();
    tile();
}

void Box::setTitlePosition(BoxTitlePosition position)
{
    titlePosition_ = position;
    updateWidget();
    tile();
}

void Box::setBorderType(BorderType type)
{
    borderType_ = type;
    updateWidget();
    tile();
}

void Box::setContentViewMargins(Size margins)
{
    margins_ = {std::max(0.0f, margins.width), std::max(0.0f, margins.height)};
    tile();
}

std::unique_ptr<View> Box::setContentView(std::unique_ptr<View> view)
{
    std::unique_ptr<View> old;
    if (contentView_)
        old = contentView_->removeFromSuperview();
    contentView_ = view ? addSubview(std::move(view)) : nullptr;
    tile();
    return old;
}

float Box::titleHeight() const
{
    bool shown = titlePosition_ != BoxTitlePosition::NoTitle && !title_.empty();
    return shown ? 14.0f : 0.0f;
}

float Box::borderWidth() const
{
    switch (borderType_) {
    case BorderType::NoBorder: return 0;
    case BorderType::LineBorder: return 1;
    default: return 2;
    }
}

Rect Box::contentRect() const
{
    Rect b = bounds();
    float border = borderWidth();
    float top = std::max(border, titleHeight());
    float x = minX(b) + border + margins_.width;
    float y = minY(b) + border + margins_.height;
    float w = width(b) - 2 * (border + margins_.width);
    float h = height(b) - border - top - 2 * margins_.height;
    return makeRect(x, y, std::max(0.0f, w), std::max(0.0f, h));
}

void Box::sizeToFit()
{
    if (!contentView_)
        return;
    Size content = contentView_->frame().size;
    float border = borderWidth();
    float top = std::max(border, titleHeight());
    setFrameSize({content.width + 2 * (border + margins_.width), content.height + border + top + 2 * margins_.height});
}

void Box::tile()
{
    if (contentView_)
        contentView_->setFrame(contentRect());
    placeOnScreen();
}

void Box::frameDidChange()
{
    tile();
}

void Box::viewDidMoveToWindow()
{
    placeOnScreen();
}

void Box::placeOnScreen()
{
    host_->place(*this);
}

void Box::updateWidget()
{
    auto* g = static_cast<QGroupBox*>(host_->widget());
    g->setTitle(titlePosition_ == BoxTitlePosition::NoTitle ? QString() : QString::fromStdString(title_));
    g->setFlat(borderType_ == BorderType::NoBorder || borderType_ == BorderType::LineBorder);
    g->setStyleSheet(borderType_ == BorderType::NoBorder ? "QGroupBox { border: none; }" : QString());
}

} // namespace kit
