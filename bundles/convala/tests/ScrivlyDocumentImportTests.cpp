// RTF and RTFD files opened by the program as word-processor documents,
// through the document's foreign-file path and the bundle's hooks: the
// text arrives, and the page set-up and column count reach the document's
// guides and master columns.

#include "app/tests/WordProcessorFixture.h"

#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "document/Page.h"
#include "text/TextSelection.h"

namespace {

class ScrivlyDocumentImport : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        contents_ = LayoutDocument::dispatchContentsHook();
        foreign_ = LayoutDocument::saveForeignFileHook();
        rtf_ = LayoutDocument::dispatchRTFStreamHook();
        markup_ = LayoutDocument::dispatchMarkupHook();
        selection_ = TextSelection::writeRTFHook();
        Convala::installHooks();
    }
    void TearDown() override
    {
        LayoutDocument::dispatchContentsHook() = contents_;
        LayoutDocument::saveForeignFileHook() = foreign_;
        LayoutDocument::dispatchRTFStreamHook() = rtf_;
        LayoutDocument::dispatchMarkupHook() = markup_;
        TextSelection::writeRTFHook() = selection_;
        LayoutDocumentIOMethods::rtfReader() = {};
        TextParagraph::prepareForAddByteHook() = {};
        WordProcessorTest::TearDown();
    }

    ScrivlyDocument* open(const std::string& file)
    {
        return dynamic_cast<ScrivlyDocument*>(delegate_->openFile(file, false));
    }

    LayoutDocument::DispatchContentsHook contents_;
    LayoutDocument::SaveForeignFileHook foreign_;
    LayoutDocument::DispatchStreamHook rtf_;
    LayoutDocument::DispatchMarkupHook markup_;
    TextSelection::WriteRTFHook selection_;
};

TEST_F(ScrivlyDocumentImport, AnRTFFileBringsItsTextPaperMarginsAndColumns)
{
    const std::string file = path("report.rtf");
    // A4 with 1.25 inch side margins, two columns 0.5 inch apart.
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(
        file, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}\\paperw11900\\paperh16840\\margl1800\\margr1800"
              "\\cols2\\colsx720 First paragraph.\\par Second one.\\par}"));
    ScrivlyDocument* document = open(file);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(textOf(*document), "First paragraph.\nSecond one.\n\n");
    EXPECT_EQ(document->fileFormat(), "Rich Text Format (rtf)");
    EXPECT_FLOAT_EQ(document->pageSize().width, 595);
    EXPECT_FLOAT_EQ(document->pageSize().height, 842);
    EXPECT_FLOAT_EQ(document->leftMargin(), 90);
    EXPECT_FLOAT_EQ(document->rightMargin(), 595 - 90);
    EXPECT_EQ(document->columnCount(), 2);
    EXPECT_FLOAT_EQ(document->columnGutterWidth(), 36);
    const std::vector<TextItem*> masters = document->masterColumns();
    ASSERT_EQ(masters.size(), 2u);
    const float width = (595 - 180 - 36) / 2.0f;
    EXPECT_FLOAT_EQ(masters[1]->frame().origin.x, 90 + width + 36);
    TextItem* second = document->pageAt(0)->copyOfMaster(masters[1]);
    ASSERT_NE(second, nullptr);
    EXPECT_FLOAT_EQ(second->frame().size.width, width);
    EXPECT_EQ(document->activeDocumentContents(), nullptr);
}

TEST_F(ScrivlyDocumentImport, AnRTFDFolderIsReadWithItsMainFile)
{
    const std::string folder = path("notes.rtfd");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder + "/TXT.rtf", "{\\rtf1\\ansi In a folder.\\par}"));
    ScrivlyDocument* document = open(folder);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(textOf(*document), "In a folder.\n\n");
    EXPECT_EQ(document->fileFormat(), "Rich Text Format Directory (rtfd)");
}

// A header group that shrinks the paper below the header's own height: the
// main column stays on the page, and the read says that the file's layout
// could not be kept.
TEST_F(ScrivlyDocumentImport, AHeaderTallerThanThePaperLeavesTheMainColumnOnThePage)
{
    const std::string rtf = "{\\rtf1\\ansi{\\header One\\par Two\\par Three\\par Four\\par Five\\par Six\\par"
                            " Seven\\par\\paperh1440}Body text.\\par}";
    const std::string folder = path("tall.rtfd");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder + "/TXT.rtf", rtf));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(path("tall.rtf"), rtf));
    for (const std::string& file : {path("tall.rtf"), folder}) {
        SCOPED_TRACE(file);
        ScrivlyDocument* document = open(file);
        ASSERT_NE(document, nullptr);
        const kit::Size page = document->pageSize();
        EXPECT_FLOAT_EQ(page.height, 72);
        EXPECT_NE(textOf(*document).find("Body text."), std::string::npos);
        std::vector<TextItem*> columns = document->masterColumns();
        columns.push_back(document->mainTextItemForPage(document->pageAt(0)));
        for (TextItem* column : columns) {
            ASSERT_NE(column, nullptr);
            const kit::Rect frame = column->frame();
            EXPECT_GE(frame.origin.y, 0.0f);
            EXPECT_GE(frame.size.height, RTFImportMethods::MinColumnWidth);
            EXPECT_LE(frame.origin.y + frame.size.height, page.height);
            EXPECT_GE(frame.origin.x, 0.0f);
            EXPECT_LE(frame.origin.x + frame.size.width, page.width);
        }
    }
    ScrivlyDocument* document = newDocument();
    bool lost = false;
    ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document, rtf, &lost, ZynImportOptions{true, nullptr}));
    EXPECT_TRUE(lost);
}

TEST_F(ScrivlyDocumentImport, TwoColumnsSetThroughTheDocumentSurviveSaveAndReopen)
{
    ScrivlyDocument* document = newDocument();
    typeText(*document, "Columns kept.");
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 24));
    const std::string file = path("columns.syb");
    ASSERT_TRUE(document->saveFile(file, false));
    EXPECT_TRUE(document->close(nullptr) == nullptr);
    ScrivlyDocument* again = open(file);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->columnCount(), 2);
    EXPECT_FLOAT_EQ(again->columnGutterWidth(), 24);
    EXPECT_EQ(again->masterColumns().size(), 2u);
    EXPECT_EQ(textOf(*again), "Columns kept.\n");
    EXPECT_FALSE(again->isEdited());
}

} // namespace
