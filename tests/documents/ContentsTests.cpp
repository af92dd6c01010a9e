// Documents in foreign formats held as file wrappers, and their way through
// the converter registry.

#include "ChildProcess.h"

#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "document/ZynDocumentContents.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class Contents : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("contents");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
    }
    void TearDown() override
    {
        kit::Pasteboard::removeAllConverters();
        kit::FileManager::removeFileAtPath(folder_);
    }
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    std::string folder_;
};

TEST_F(Contents, PasteboardTypesOfFileTypes)
{
    EXPECT_EQ(ZYNCreateDocContentsPboardType("rtf"), "ZYNDocumentContentsV3:rtf");
    EXPECT_EQ(ZYNGetFileType("ZYNDocumentContentsV3:rtf"), "rtf");
    EXPECT_EQ(ZYNGetFileType("ZYNDocumentContentsV3:"), "");
    EXPECT_EQ(ZYNGetFileType("NSRTFPboardType"), std::nullopt);
    EXPECT_EQ(ZYNGetFileType("ZYNDocumentContents:rtf"), std::nullopt);
    EXPECT_EQ(ZYNGetFileTypes({"ZYNDocumentContentsV3:rtf", "NSStringPboardType", "ZYNDocumentContentsV3:wp"}),
              (std::vector<std::string>{"rtf", "wp"}));
}

TEST_F(Contents, PlainTextBecomesRTFWithItsSpecialCharactersEscaped)
{
    const std::string header = "{\\rtf0\\ansi \\deftab720\\pard ";
    EXPECT_EQ(ZYNAsciiToRTFStream(std::string("a{b")), header + "a\\{b}");
    EXPECT_EQ(ZYNAsciiToRTFStream(std::string("")), header + "}");
    EXPECT_EQ(ZYNAsciiToRTFStream(std::string("x\\y}\nz")), header + "x\\\\y\\}\\\nz}");
    EXPECT_EQ(ZYNAsciiToRTFStream(std::nullopt), std::nullopt);
    // Well-formed UTF-8 is read as UTF-8: each character once, as "\uN"
    // with no fallback to skip; a byte-order mark goes. Anything else is
    // Windows-1252, which "\ansi" declares.
    const struct {
        std::string text;
        std::string rtf;
    } encodings[] = {
        {"caf\xC3\xA9", header + "\\uc0 caf\\u233 }"},
        {"\xEF\xBB\xBFna\xC3\xAFve", header + "\\uc0 na\\u239 ve}"},
        {"\xEF\xBB\xBFplain", header + "plain}"},
        // A digit after a character stays text; past the first plane, two halves.
        {"\xE2\x82\xAC" "5 \xF0\x9F\x98\x80", header + "\\uc0 \\u8364 5 \\u-10179 \\u-8704 }"},
        {"{\xC3\xA9}\n", header + "\\uc0 \\{\\u233 \\}\\\n}"},
        {"caf\xE9 \x80", header + "caf\xE9 \x80}"},
        {"\xC3\xA9\xC3", header + "\xC3\xA9\xC3}"},
        // Line ends of every kind end one paragraph each.
        {"a\r\nb\rc\r\r\nd\r", header + "a\\\nb\\\nc\\\n\\\nd\\\n}"},
    };
    for (const auto& e : encodings)
        EXPECT_EQ(ZYNAsciiToRTFStream(e.text), e.rtf) << e.text;
    kit::FileManager::writeFileAtomically(path("note.txt"), "one\ntwo");
    EXPECT_EQ(ZYNMapAsciiFile(path("note.txt")), header + "one\\\ntwo}");
    EXPECT_EQ(ZYNMapAsciiFile(path("none.txt")), std::nullopt);
    EXPECT_EQ(ZYNMapAsciiFile(folder_), std::nullopt);
}

TEST_F(Contents, EachKindOfContentsKnowsItsWrapperTypeAndFormat)
{
    struct Case {
        std::unique_ptr<ZynDocumentContents> contents;
        const char* type;
        std::optional<std::string> extension;
        std::optional<std::string> format;
        int files;
        bool wrapper;
    };
    Case cases[] = {
        {std::make_unique<ZynDocumentContents>(), kit::RTFDPboardType, std::nullopt, std::nullopt, 0, true},
        {ZynDocumentContents::initRTF("{\\rtf1 x}"), kit::RTFPboardType, "rtf", "Rich Text Format (rtf)", 1, false},
        {ZynDocumentContents::initASCII("text"), kit::RTFDPboardType, std::nullopt, "ascii", 1, false},
        {ZynDocumentContents::initICF("/tmp/x.icf"), ZynICFPboardType, "icf", "Quorlen Interchange Format (icf)", 1,
         false},
        {ZynDocumentContents::initType("MyType"), "MyType", std::nullopt, std::nullopt, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.contents->currentType(), c.type);
        EXPECT_EQ(c.contents->extension(), c.extension) << c.type;
        EXPECT_EQ(c.contents->fileFormat(), c.format) << c.type;
        EXPECT_EQ(c.contents->fileCount(), c.files) << c.type;
        EXPECT_EQ(c.contents->isWrapper(), c.wrapper) << c.type;
    }
    EXPECT_EQ(cases[1].contents->dataForFilename("anything"), "{\\rtf1 x}");
    EXPECT_EQ(cases[3].contents->documentFilename(), "/tmp/x.icf");

    // A folder of files, sent by its serialized form.
    auto folder = std::make_unique<ZynDocumentContents>();
    folder->addFile("TXT.rtf", "{\\rtf1 y}");
    folder->addFile("image.tiff", "II*");
    EXPECT_EQ(folder->fileCount(), 2);
    EXPECT_EQ(folder->dataForFilename("image.tiff"), "II*");
    EXPECT_EQ(folder->dataForFilename("other"), std::nullopt);
    auto copy = ZynDocumentContents::initType(kit::RTFDPboardType, *folder->serializedRepresentation());
    EXPECT_EQ(copy->fileCount(), 2);
    EXPECT_EQ(copy->dataForFilename("TXT.rtf"), "{\\rtf1 y}");
    auto damaged = ZynDocumentContents::initType(kit::RTFDPboardType, "SFW1 and then nonsense");
    EXPECT_EQ(damaged->fileWrapper(), nullptr);
    EXPECT_EQ(damaged->serializedRepresentation(), std::nullopt);
}

TEST_F(Contents, APasteboardGivesContentsOfItsTypeOrNone)
{
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    pboard.declareTypes({kit::RTFDPboardType, ZynICFPboardType, kit::RTFPboardType, kit::StringPboardType}, nullptr);
    auto empty = std::make_unique<ZynDocumentContents>();
    pboard.setData(*empty->serializedRepresentation(), kit::RTFDPboardType);
    pboard.setString("/tmp/doc.icf", ZynICFPboardType);
    pboard.setData("{\\rtf1 z}", kit::RTFPboardType);
    pboard.setString("words", kit::StringPboardType);

    // A folder of no files is nothing.
    EXPECT_EQ(ZynDocumentContents::readDocumentFromServicePasteboard(&pboard, kit::RTFDPboardType), nullptr);
    auto icf = ZynDocumentContents::readDocumentFromServicePasteboard(&pboard, ZynICFPboardType);
    ASSERT_NE(icf, nullptr);
    EXPECT_EQ(icf->documentFilename(), "/tmp/doc.icf");
    auto rtf = ZynDocumentContents::readDocumentFromServicePasteboard(&pboard, kit::RTFPboardType);
    ASSERT_NE(rtf, nullptr);
    EXPECT_EQ(rtf->extension(), "rtf");
    auto text = ZynDocumentContents::readDocumentFromServicePasteboard(&pboard, kit::StringPboardType);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->fileFormat(), "ascii");
    EXPECT_EQ(ZynDocumentContents::readDocumentFromServicePasteboard(&pboard, "Undeclared"), nullptr);
    EXPECT_EQ(ZynDocumentContents::readDocumentFromServicePasteboard(nullptr, kit::RTFPboardType), nullptr);
    pboard.releaseGlobally();
}

TEST_F(Contents, ForeignFilesGoThroughTheConvertersBothWays)
{
    const std::string textFiles = kit::typeForFileExtension("txt");
    kit::Pasteboard::registerConverter(textFiles, ZynICFPboardType,
                                       [](const std::string& data) { return "converted:" + data; });
    kit::Pasteboard::registerConverter(ZynICFPboardType, ZYNCreateDocContentsPboardType("wp"),
                                       [](const std::string& data) { return "wp:" + data; });
    kit::Pasteboard::registerConverter(ZynICFPboardType, ZYNCreateDocContentsPboardType("bad"),
                                       [](const std::string&) { return std::optional<std::string>(); });
    EXPECT_EQ(ZynDocumentContents::openFileTypes(), std::vector<std::string>{"txt"});
    std::vector<std::string> saves = ZynDocumentContents::saveFileTypes();
    std::sort(saves.begin(), saves.end());
    EXPECT_EQ(saves, (std::vector<std::string>{"bad", "wp"}));

    kit::FileManager::writeFileAtomically(path("letter.txt"), "Dear");
    auto read = ZynDocumentContents::readDocumentFrom(path("letter.txt"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->documentFilename(), "converted:Dear");
    EXPECT_EQ(ZynDocumentContents::readDocumentFrom(std::string()), nullptr);
    EXPECT_EQ(ZynDocumentContents::readDocumentFrom(path("letter.doc")), nullptr);

    // Converted and written; a type no converter reaches writes nothing.
    auto contents = ZynDocumentContents::initICF("body");
    EXPECT_EQ(contents->writeDocumentStreamForType("wp"), "wp:");
    EXPECT_EQ(contents->writeDocumentType("wp", path("out.wp"), false), ZynDocumentContents::WriteOK);
    EXPECT_EQ(kit::FileManager::contentsAtPath(path("out.wp")), "wp:");
    EXPECT_EQ(contents->writeDocumentType("none", path("out.none"), false), ZynDocumentContents::NoConverter);
    // A converter that gives nothing is no converter to that type.
    EXPECT_EQ(contents->writeDocumentType("bad", path("out.bad"), false), ZynDocumentContents::NoConverter);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(path("out.none")));

    // Any file, taken as of unknown type.
    kit::Pasteboard::registerConverter(kit::typeForFileExtension("unk"), ZynICFPboardType,
                                       [](const std::string& data) { return "sniffed:" + data; });
    kit::FileManager::writeFileAtomically(path("mystery.bin"), "???");
    auto forced = ZynDocumentContents::forceReadDocumentFrom(path("mystery.bin"));
    ASSERT_NE(forced, nullptr);
    EXPECT_EQ(forced->documentFilename(), "sniffed:???");
    kit::Pasteboard* made = ZynDocumentContents::pasteboardFromDocument(path("mystery.bin"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->types(), std::vector<std::string>{ZynICFPboardType});
    EXPECT_EQ(made->dataForType(ZynICFPboardType), "sniffed:???");
    made->releaseGlobally();
}

TEST_F(Contents, WritingContentsIsAtomicWhateverTheBackupFlagSays)
{
    const std::string file = path("old.rtf");
    const std::string old(4000, 'o');
    kit::FileManager::writeFileAtomically(file, old);
    auto contents = ZynDocumentContents::initRTF(std::string(8000, 'n'));
    // The disk fills up half way through the new file.
    const int code = child::run([&] {
        child::limitFileSize(5000);
        return contents->writeDocumentTo(file, false);
    });
    EXPECT_EQ(code, ZynDocumentContents::WriteFailed);
    EXPECT_TRUE(kit::FileManager::contentsAtPath(file) == old);
    EXPECT_EQ(contents->writeDocumentTo(file, false), ZynDocumentContents::WriteOK);
    EXPECT_EQ(kit::FileManager::contentsAtPath(file)->size(), 8000u);
}

} // namespace
