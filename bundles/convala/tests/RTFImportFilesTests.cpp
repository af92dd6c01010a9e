// Opening RTF and RTFD files through the reader's entry point: the pictures
// of an RTFD come from its own folder by bare names; and the progress shown
// while a long file is read.

#include "ImportTestSupport.h"

#include "core/FileWrapper.h"
#include "graphics/BitmapImageRep.h"
#include "items/PlacedItem.h"

using namespace convala_test;

namespace {

class RTFImportFiles : public ImportTest {
protected:
    void SetUp() override
    {
        ImportTest::SetUp();
        PlacedItem::initialize();
        kit::BitmapImageRep rep(4, 3, kit::BitmapImageRep::ColorModel::RGB, false);
        tiff_ = rep.TIFFRepresentation();
    }

    // An RTFD folder of the text and the files given.
    std::string writeRTFD(const std::string& rtf, const std::vector<std::pair<std::string, std::string>>& files)
    {
        const std::string path = folder_ + "/doc.rtfd";
        kit::FileWrapper::Wrappers wrappers;
        wrappers.emplace("TXT.rtf", kit::FileWrapper::initRegularFileWithContents(rtf));
        for (const auto& [name, data] : files)
            wrappers.emplace(name, kit::FileWrapper::initRegularFileWithContents(data));
        auto folder = kit::FileWrapper::initDirectoryWithFileWrappers(std::move(wrappers));
        EXPECT_TRUE(folder->writeToFile(path, false));
        return path;
    }

    std::vector<const TextWordSpecial*> graphics() const
    {
        std::vector<const TextWordSpecial*> found;
        for (const auto& paragraph : flow_->paragraphList())
            for (const auto& word : paragraph->wordList())
                if (auto* special = dynamic_cast<const TextWordSpecial*>(word.get());
                    special && special->wordType() == TextWordGraphic)
                    found.push_back(special);
        return found;
    }

    std::string tiff_;
};

TEST_F(RTFImportFiles, AnRTFDsPicturesComeFromItsOwnFolderAtTheirGivenSize)
{
    const std::string path =
        writeRTFD("{\\rtf1 a{{\\NeXTGraphic0 pic.tiff \\width1440 \\height720\n},}b{{\\NeXTGraphic0 caf\\'e9.tiff\n},}c}",
                  {{"pic.tiff", tiff_}, {"caf\xC3\xA9.tiff", tiff_}});
    bool lost = true;
    std::string error;
    ASSERT_TRUE(RTFImportMethods::openRTFFile(*document_, path, &lost, &error)) << error;
    EXPECT_FALSE(lost);
    const auto pictures = graphics();
    ASSERT_EQ(pictures.size(), 2u);
    const Item* first = pictures[0]->graphicItem();
    ASSERT_NE(first, nullptr);
    EXPECT_FLOAT_EQ(first->frame().size.width, 72.0f);
    EXPECT_FLOAT_EQ(first->frame().size.height, 36.0f);
    // Without a size the picture keeps its own.
    const Item* second = pictures[1]->graphicItem();
    ASSERT_NE(second, nullptr);
    EXPECT_FLOAT_EQ(second->frame().size.width, 4.0f);
    // The attachment characters are no text.
    const std::string read = text();
    EXPECT_EQ(read.find(','), std::string::npos) << read;
}

TEST_F(RTFImportFiles, PictureNamesThatLeaveTheFolderAreRefused)
{
    const std::string outside = folder_ + "/secret.tiff";
    std::ofstream(outside, std::ios::binary) << tiff_;
    const std::string longName(2000, 'n');
    for (const std::string& name : {std::string("../secret.tiff"), outside, std::string(".."), longName,
                                    std::string("missing.tiff")}) {
        SCOPED_TRACE(name.substr(0, 40));
        fresh();
        const std::string path = writeRTFD("{\\rtf1 a{{\\NeXTGraphic0 " + name + "\n},}b}", {{"pic.tiff", tiff_}});
        bool lost = false;
        std::string error;
        ASSERT_TRUE(RTFImportMethods::openRTFFile(*document_, path, &lost, &error)) << error;
        EXPECT_TRUE(lost);
        EXPECT_TRUE(graphics().empty());
        EXPECT_EQ(text(), "ab");
    }
}

TEST_F(RTFImportFiles, APlainRTFFileOpensAndAFolderWithoutTextDoesNot)
{
    const std::string file = folder_ + "/plain.rtf";
    std::ofstream(file, std::ios::binary) << "{\\rtf1\\paperw7200 Hello\\par}";
    bool lost = true;
    std::string error;
    ASSERT_TRUE(RTFImportMethods::openRTFFile(*document_, file, &lost, &error)) << error;
    EXPECT_EQ(text(), "Hello\n");
    // Opening applies the page words.
    EXPECT_FLOAT_EQ(document_->pageSize().width, 360.0f);

    const std::string empty = folder_ + "/empty.rtfd";
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(empty));
    EXPECT_FALSE(RTFImportMethods::openRTFFile(*document_, empty, &lost, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(RTFImportMethods::openRTFFile(*document_, folder_ + "/none.rtf", &lost, &error));
}

TEST_F(RTFImportFiles, ProgressIsShownAtParagraphEndsOncePer8192Bytes)
{
    std::vector<std::string> shown;
    RTFImportMethods::statusHook() = [&shown](LayoutDocument&, const std::string& status) { shown.push_back(status); };
    std::string rtf = "{\\rtf1 ";
    while (rtf.size() < 20000)
        rtf += "Some words of a paragraph that goes on for a while.\\par\n";
    rtf += "}";
    ASSERT_TRUE(import(rtf, nullptr, true));
    ASSERT_EQ(shown.size(), 2u);
    // 8192 bytes and a paragraph of a 20,000-byte file: 41 %.
    EXPECT_EQ(shown[0], "41%");
    EXPECT_EQ(shown[1].back(), '%');
}

} // namespace
