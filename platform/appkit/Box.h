#pragma once

#include "appkit/View.h"

#include <memory>
#include <string>

class QWidget;

namespace kit {

namespace detail {
class WidgetHost;
}

enum class BoxTitlePosition { NoTitle = 0, AboveTop = 1, AtTop = 2, BelowTop = 3, AboveBottom = 4, AtBottom = 5, BelowBottom = 6 };
enum class BorderType { NoBorder = 0, LineBorder = 1, BezelBorder = 2, GrooveBorder = 3 };

// A titled frame around a content view (over Qt's group box). The content
// view (owned, as a subview) fills the box inside its border, title and
// margins, and follows the box's size.
class Box : public View {
public:
    explicit Box(const Rect& frame = {}, const std::string& title = "Title");
    ~Box() override;

    std::string className() const override { return "NSBox"; }

    const std::string& title() const { return title_; }
    void setTitle(const std::string& title);
    BoxTitlePosition titlePosition() const { return titlePosition_; }
    void setTitlePosition(BoxTitlePosition position);
    BorderType borderType() const { return borderType_; }
    void setBorderType(BorderType type);
    Size contentViewMargins() const { return margins_; }
    void setContentViewMargins(Size margins);

    View* contentView() const { return contentView_; }
    // Puts a view in the content's place; the old one is handed back.
    std::unique_ptr<View> setContentView(std::unique_ptr<View> view);
    // The content view's frame for the box's present size.
    Rect contentRect() const;
    // Sizes the box around its content view's present frame.
    void sizeToFit();

    void placeOnScreen() override;
    QWidget* widget() const;

protected:
    void frameDidChange() override;
    void viewDidMoveToWindow() override;

private:
    void tile();
    void updateWidget();
    float titleHeight() const;
    float borderWidth() const;

    std::string title_;
    BoxTitlePosition titlePosition_ = BoxTitlePosition::AtTop;
    BorderType borderType_ = BorderType::GrooveBorder;
    Size margins_{5, 5};
    View* contentView_ = nullptr;
    std::unique_ptr<detail::WidgetHost> host_;
};

} // namespace kit
