#include "AppKitTesting.h"

#include "appkit/View.h"
#include "appkit/Window.h"
#include "graphics/DrawContext.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

using namespace kit;

namespace {

// A small drawing: a blue square on white with a black frame and a
// diagonal line, the way a custom view draws through the current context.
class ExampleView : public View {
public:
    using View::View;
    void drawRect(const Rect& rect) override
    {
        DrawContext* c = DrawContext::current();
        c->setgray(1);
        c->rectfill(rect);
        c->setrgbcolor(0, 0, 1);
        c->rectfill(20, 20, 40, 40);
        c->setgray(0);
        c->frameRect(makeRect(10, 10, 100, 60), 2);
        c->setlinewidth(1);
        c->moveto(70, 20);
        c->lineto(100, 50);
        c->stroke();
    }
};

QWidget* topLevelWidgetTitled(const QString& title)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible())
            return w;
    return nullptr;
}

} // namespace

using ExampleWindowTest = AppKitTest;

// The same window shows on a real display; here the screen is offscreen
// and the widget's own painting is read back.
TEST_F(ExampleWindowTest, AWindowShowsRealDrawingOnScreen)
{
    Window window(makeRect(100, 100, 120, 80));
    window.setTitle("Scrivly example");
    window.setContentView(std::make_unique<ExampleView>());
    window.makeKeyAndOrderFront();
    window.display();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isKeyWindow());

    QWidget* widget = topLevelWidgetTitled("Scrivly example");
    ASSERT_NE(widget, nullptr);
    QImage shown = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.width(), 120);
    ASSERT_EQ(shown.height(), 80);
    // Screen rows run top down; base y = 80 - 1 - row.
    EXPECT_EQ(shown.pixel(40, 80 - 1 - 40), 0xFF0000FFu);  // blue square
    EXPECT_EQ(shown.pixel(5, 80 - 1 - 5), 0xFFFFFFFFu);    // outside the frame
    EXPECT_EQ(shown.pixel(10, 80 - 1 - 40), 0xFF000000u);  // the frame's left edge
    EXPECT_EQ(shown.pixel(115, 80 - 1 - 40), 0xFFFFFFFFu);
    EXPECT_NE(shown.pixel(85, 80 - 1 - 35), 0xFFFFFFFFu);  // on the diagonal
    EXPECT_EQ(window.flushedPixel(40, 40), 0xFF0000FFu);

    window.close();
    EXPECT_EQ(topLevelWidgetTitled("Scrivly example"), nullptr);
}
