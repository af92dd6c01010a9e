// The miniwindow image of a window is the icon Qt hands the desktop.

#include "AppKitTesting.h"

#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QWidget>

using namespace kit;

namespace {

std::unique_ptr<Image> solidImage(int wide, int high, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    auto rep = std::make_unique<BitmapImageRep>(wide, high, BitmapImageRep::ColorModel::RGB, false);
    unsigned char* data = rep->bitmapData();
    for (int y = 0; y < high; ++y)
        for (int x = 0; x < wide; ++x) {
            unsigned char* p = data + static_cast<std::size_t>(y) * rep->bytesPerRow() + static_cast<std::size_t>(x) * 3;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    auto image = std::make_unique<Image>(makeSize(float(wide), float(high)));
    image->addRepresentation(std::move(rep));
    return image;
}

QWidget* widgetOf(const Window& window) { return window.screen() ? window.screen()->widget() : nullptr; }

bool hasOwnIcon(const Window& window) { return widgetOf(window)->testAttribute(Qt::WA_SetWindowIcon); }

// The icon's colour in its middle, drawn at its own largest size.
QRgb iconColour(const Window& window)
{
    const QIcon icon = widgetOf(window)->windowIcon();
    const QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        return 0;
    const QImage image = icon.pixmap(sizes.last()).toImage();
    return image.pixel(image.width() / 2, image.height() / 2);
}

} // namespace

using WindowIconTest = AppKitTest;

TEST_F(WindowIconTest, TheMiniwindowImageIsTheWindowsIconAndTheWindowKeepsItsOwnCopy)
{
    Window window(makeRect(0, 0, 200, 100), TitledWindowMask | MiniaturizableWindowMask);
    {
        // Given before the window is on the screen, and gone at once.
        auto red = solidImage(16, 16, 0xFF, 0, 0);
        window.setMiniwindowImage(red.get());
        EXPECT_NE(window.miniwindowImage(), red.get());
    }
    window.orderFront();
    ASSERT_TRUE(widgetOf(window));
    ASSERT_TRUE(window.miniwindowImage());
    EXPECT_EQ(window.miniwindowImage()->size(), makeSize(16, 16));
    EXPECT_TRUE(hasOwnIcon(window));
    EXPECT_EQ(iconColour(window), qRgb(0xFF, 0, 0));

    // On the screen, a new picture replaces it at once.
    auto blue = solidImage(48, 48, 0, 0, 0xFF);
    window.setMiniwindowImage(blue.get());
    EXPECT_EQ(iconColour(window), qRgb(0, 0, 0xFF));
    EXPECT_EQ(widgetOf(window)->windowIcon().availableSizes().value(0), QSize(48, 48));

    // Miniaturising without a delegate leaves the picture as it is.
    window.miniaturize();
    EXPECT_EQ(iconColour(window), qRgb(0, 0, 0xFF));
}

TEST_F(WindowIconTest, NoPictureOrOneThatCannotBeDrawnLeavesTheProgramsIcon)
{
    Window window(makeRect(0, 0, 200, 100), TitledWindowMask | MiniaturizableWindowMask);
    window.orderFront();
    EXPECT_FALSE(hasOwnIcon(window));
    auto green = solidImage(8, 8, 0, 0xFF, 0);
    Image empty; // no representation
    struct Case {
        const char* name;
        const Image* image;
        bool ownIcon;
    } cases[] = {
        {"a picture", green.get(), true},
        {"nil", nullptr, false},
        {"a picture", green.get(), true},
        {"a picture without representations", &empty, false},
    };
    for (const Case& c : cases) {
        window.setMiniwindowImage(c.image);
        EXPECT_EQ(hasOwnIcon(window), c.ownIcon) << c.name;
        EXPECT_EQ(window.miniwindowImage() != nullptr, c.image != nullptr) << c.name;
    }
}

TEST_F(WindowIconTest, AHugePictureMakesABoundedIcon)
{
    Window window(makeRect(0, 0, 200, 100), TitledWindowMask | MiniaturizableWindowMask);
    window.orderFront();
    auto wide = solidImage(4000, 40, 0, 0x80, 0);
    window.setMiniwindowImage(wide.get());
    const QList<QSize> sizes = widgetOf(window)->windowIcon().availableSizes();
    ASSERT_EQ(sizes.size(), 1);
    EXPECT_EQ(sizes[0], QSize(256, 3));
    EXPECT_EQ(iconColour(window), qRgb(0, 0x80, 0));
}
