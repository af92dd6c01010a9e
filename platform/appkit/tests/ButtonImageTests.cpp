#include "AppKitTesting.h"

#include "appkit/Button.h"
#include "appkit/EventScript.h"
#include "appkit/Window.h"
#include "core/FileManager.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"
#include "graphics/RasterContext.h"

#include <QIcon>
#include <QImage>
#include <QPushButton>

#include <fstream>

using namespace kit;

namespace {

// Buttons showing pictures from the program's resources, as the panels'
// buttons do: a resources folder holding "Linked" (red) and "LinkedH"
// (blue), 12 by 10 pixels.
class ButtonImageTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        folder = FileManager::uniqueTemporaryPath("button-images");
        ASSERT_TRUE(FileManager::createDirectoryAtPath(folder));
        write("Linked", 0);
        write("LinkedH", 2);
        if (const char* old = std::getenv("SCRIVLY_RESOURCES"))
            oldResources = old;
        setenv("SCRIVLY_RESOURCES", folder.c_str(), 1);
    }
    void TearDown() override
    {
        if (oldResources.empty())
            unsetenv("SCRIVLY_RESOURCES");
        else
            setenv("SCRIVLY_RESOURCES", oldResources.c_str(), 1);
        FileManager::removeFileAtPath(folder);
        AppKitTest::TearDown();
    }
    void write(const std::string& name, int sample)
    {
        BitmapImageRep rep(12, 10, BitmapImageRep::ColorModel::RGB, false);
        for (int i = 0; i < 12 * 10; ++i)
            rep.bitmapData()[i * 3 + sample] = 255;
        std::ofstream(folder + "/" + name + ".tiff", std::ios::binary) << rep.TIFFRepresentation();
    }
    // The colour in the middle of the icon the button's widget shows.
    static QRgb iconColour(const Button& button)
    {
        auto* push = qobject_cast<QPushButton*>(button.widget());
        if (!push || push->icon().isNull())
            return 0;
        QImage shown = push->icon().pixmap(push->iconSize()).toImage();
        return shown.pixel(shown.width() / 2, shown.height() / 2);
    }

    std::string folder, oldResources;
};

} // namespace

TEST_F(ButtonImageTest, AButtonShowsItsNamedPictureAndTheAlternateOneWhileOn)
{
    Window window(makeRect(0, 0, 200, 100));
    auto* button = static_cast<Button*>(
        window.contentView()->addSubview(std::make_unique<Button>(makeRect(10, 10, 40, 30), "", ButtonType::Toggle)));
    window.makeKeyAndOrderFront();
    {
        // The caller's pictures may go away: the button keeps its own.
        std::unique_ptr<Image> linked = Image::imageNamed("Linked");
        std::unique_ptr<Image> highlighted = Image::imageNamed("LinkedH");
        ASSERT_TRUE(linked && highlighted);
        button->setImage(linked.get());
        button->setAlternateImage(highlighted.get());
        EXPECT_NE(button->image(), linked.get());
    }
    ASSERT_TRUE(button->image());
    EXPECT_EQ(button->image()->size(), makeSize(12, 10));
    EXPECT_EQ(qobject_cast<QPushButton*>(button->widget())->iconSize(), QSize(12, 10));
    EXPECT_EQ(iconColour(*button), qRgb(255, 0, 0));

    // Clicked on: the alternate picture; off again: the image.
    Point in{30, 25};
    EventScript(window).at(0.1).mouseDown(in).after(0.1).mouseUp(in).schedule();
    app->run();
    ASSERT_EQ(button->state(), OnState);
    EXPECT_EQ(iconColour(*button), qRgb(0, 0, 255));
    button->setState(OffState);
    EXPECT_EQ(iconColour(*button), qRgb(255, 0, 0));

    // A copy of the cell (a matrix's prototype) has the pictures too.
    std::unique_ptr<Cell> copy = button->buttonCell()->copy();
    auto* copied = dynamic_cast<ButtonCell*>(copy.get());
    ASSERT_TRUE(copied && copied->image() && copied->alternateImage());
    EXPECT_NE(copied->image(), button->image());

    // No picture: no icon.
    button->setImage(nullptr);
    EXPECT_EQ(iconColour(*button), 0u);
    EXPECT_EQ(Image::imageNamed("NoSuchPicture"), nullptr);
}

// A matrix draws its button cells itself: the picture in the middle.
TEST_F(ButtonImageTest, ADrawnButtonCellShowsItsPicture)
{
    ButtonCell cell("");
    std::unique_ptr<Image> linked = Image::imageNamed("Linked");
    cell.setImage(linked.get());
    RasterContext image(40, 40);
    DrawContext::setCurrent(&image);
    cell.drawInteriorWithFrame(makeRect(0, 0, 40, 40), nullptr);
    DrawContext::setCurrent(nullptr);
    EXPECT_EQ(image.pixel(20, 20), 0xFFFF0000u);
    EXPECT_NE(image.pixel(2, 2), 0xFFFF0000u);
}
