// RTF files placed into the text being edited, or dropped on its frame: they
// are read by the bundle's RTF reader, whatever the file's name says when its
// first bytes say RTF.

#include "ImportTestSupport.h"

#include "appkit/DraggingDestination.h"
#include "bundles/convala/markup/Convala.h"
#include "core/Alert.h"
#include "core/Pasteboard.h"
#include "view/PageView.h"

namespace convala_test {
namespace {

class PlaceRTFTest : public ImportTest {
protected:
    void SetUp() override
    {
        ImportTest::SetUp();
        Convala::installHooks();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        view_ = std::make_unique<PageView>(kit::makeRect(0, 0, 612, 792));
        view_->setFrameSize(document_->canvasSize());
        view_->setDocument(document_.get());
        document_->addView(view_.get());
    }
    void TearDown() override
    {
        document_->detachView(view_.get());
        view_.reset();
        kit::setAlertHandler(nullptr);
        ImportTest::TearDown();
    }
    std::string file(const std::string& name, const std::string& bytes)
    {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::unique_ptr<PageView> view_;
};

TEST_F(PlaceRTFTest, AnRTFFilePlacedOrDroppedIntoTheEditedTextIsReadAsRTF)
{
    struct Case {
        const char* name;
        bool drop;
    };
    // By its extension, and by its first bytes under a name that says nothing.
    for (const Case& c : {Case{"letter.rtf", false}, Case{"letter.dat", false}, Case{"dropped.rtf", true}}) {
        SCOPED_TRACE(c.name);
        fresh();
        const std::string path = file(c.name, "{\\rtf1\\ansi {\\b Placed} words\\par}");
        if (c.drop) {
            kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithName(kit::DragPboard);
            pboard.declareTypes({kit::FilenamesPboardType}, nullptr);
            pboard.setData(kit::filenamesPropertyList({path}), kit::FilenamesPboardType);
            kit::Point at = kit::makePoint(100, 100);
            document_->pageAt(0)->convertToView(&at);
            kit::PlainDraggingInfo info(pboard, view_->convertPointToView(at, nullptr), kit::DragOperationCopy);
            ASSERT_NE(view_->draggingEntered(info), kit::DragOperationNone);
            ASSERT_TRUE(view_->prepareForDragOperation(info));
            view_->concludeDragOperation(info);
        } else {
            view_->beginEditingItem(column_);
            ASSERT_TRUE(view_->isEditing());
            ASSERT_TRUE(view_->_importFiles({path}, false, column_->page(), column_, false, kit::Point{}));
        }
        EXPECT_NE(textOf(flow_).find("Placed words"), std::string::npos) << textOf(flow_);
        EXPECT_EQ(textOf(flow_).find("rtf1"), std::string::npos) << textOf(flow_);
        EXPECT_TRUE(alerts_->shown().empty());
    }
}

TEST_F(PlaceRTFTest, AnRTFDFolderPlacedIntoTheEditedTextIsReadWhole)
{
    const std::string folder = folder_ + "/report.rtfd";
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    file("report.rtfd/TXT.rtf", "{\\rtf1\\ansi Folder words\\par}");
    view_->beginEditingItem(column_);
    ASSERT_TRUE(view_->_importFiles({folder}, false, column_->page(), column_, false, kit::Point{}));
    EXPECT_NE(textOf(flow_).find("Folder words"), std::string::npos) << textOf(flow_);
    EXPECT_TRUE(alerts_->shown().empty());
}

} // namespace
} // namespace convala_test
