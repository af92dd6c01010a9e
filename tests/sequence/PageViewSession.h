#pragma once

// One document window of a fresh application delegate, as the sequence
// drives it: the document, its page view, and the user's mouse and keys
// delivered to the view as the window would deliver them.

#include "core/Geometry.h"
#include "text/TextPoint.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class Event;
class Window;
}
class Item;
class Layvane;
class LayoutDocument;
class Page;
class PageView;
class TextFlow;
class TextItem;

namespace viewsequence {

// A text edit, with every place resolved, so that it can be made again
// in another document holding the same text.
struct TextEdit {
    enum Kind : std::uint8_t { Keys, Header, Footer, PageBreak };
    Kind kind = Keys;
    textPoint from{}, to{};
    std::u16string keys;
    int tag = 0;
};

class Session {
public:
    Session(bool wordProcessor, const std::string& folder);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool wordProcessor() const { return wordProcessor_; }
    Layvane& delegate() const { return *delegate_; }
    LayoutDocument& document() const { return *document_; }
    PageView& view() const { return *view_; }
    kit::Window& window() const;

    // The flow the text edits go to, and a column of it on a page (nil
    // when none shows it).
    TextFlow* mainFlow() const { return mainFlow_.lock().get(); }
    TextItem* mainColumn() const;

    // The page shown, so that the mouse can reach it (and the page after it).
    void show(Page* page);
    // A page point in the window's coordinates.
    kit::Point inWindow(const Page* page, kit::Point point) const;
    kit::Event mouse(int type, kit::Point inWindow, unsigned flags, int clicks = 1) const;
    // A press at the page point, the drags through the path (page points
    // of the page given with each) and the release at its end, handed to
    // the view as the window hands a mouse-down; what the loops left in the
    // queue is dropped.
    struct At {
        const Page* page;
        kit::Point point;
    };
    void press(At down, const std::vector<At>& path, unsigned flags = 0, int clicks = 1);
    void key(std::u16string characters, unsigned flags = 0);

    // Text editing ends as Escape or a click elsewhere ends it.
    void endEditing();
    // Makes the text edit (editing the main flow first); false when no
    // column shows the main flow.
    bool edit(const TextEdit& edit);

    // Everything laid out that waits for idle time.
    void completeLayout();

private:
    bool wordProcessor_;
    std::unique_ptr<Layvane> delegate_;
    LayoutDocument* document_ = nullptr; // the delegate's list owns it
    PageView* view_ = nullptr;
    // Not held: the flow goes when the last column of it does.
    std::weak_ptr<TextFlow> mainFlow_;
};

} // namespace viewsequence
