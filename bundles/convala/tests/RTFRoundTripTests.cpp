// Documents written as RTF, read back into a new document as when the file
// is opened, and written again: the two writings are the same, so the text,
// character and paragraph formats, tabs, styles, headers and page set-up
// came back as the writer sees them.

#include "ImportTestSupport.h"

#include "core/Color.h"
#include "foundation/StyleInfo.h"

#include <functional>

using namespace convala_test;

namespace {

class RTFRoundTrip : public ImportTest {
protected:
    // Writes the document, reads it into a new one, writes that; the
    // second writing.
    std::string roundTrip(const std::string& first)
    {
        fresh();
        bool lost = true;
        EXPECT_TRUE(import(first, &lost, true));
        EXPECT_FALSE(lost) << first;
        return exportRTF();
    }

    StyleChar* styled(kit::Font* f, unsigned short special = 0)
    {
        auto style = std::make_unique<StyleChar>();
        style->setFont(f);
        style->setSpecial(special);
        styles_.push_back(std::move(style));
        return styles_.back().get();
    }
};

TEST_F(RTFRoundTrip, DocumentsReadBackAsTheyWereWritten)
{
    const std::pair<const char*, std::function<void()>> documents[] = {
        {"words and paragraphs",
         [this] {
             setWords(0, {{"Hello"}, {"world"}});
             setWords(1, {{"second"}, {"paragraph"}});
             setWords(2, {{"caf\xDD"}, {"{braces}"}, {"back\\slash"}});
         }},
        {"type styles, sizes, colours and offsets",
         [this] {
             StyleChar* red = styled(font("Times-Bold", 14), StyleBoldFlag);
             red->setColor(kit::Color::colorWithDeviceRed(1, 0, 0));
             StyleChar* raised = styled(font("Helvetica-Oblique", 9), StyleItalicFlag | StyleUnderlineFlag);
             raised->setVertical(3);
             StyleChar* wide = styled(font("Courier", 12), StyleDoubleUnderlineFlag | StyleSmallCapsFlag);
             wide->setTracking(1.5f);
             StyleChar* struck = styled(font("Helvetica", 12), StyleStrikeoutFlag | StyleOutlineFlag |
                                                                      StyleShadowFlag | StyleRedlineFlag);
             setWords(0, {{"plain"}, {"bold", red}, {"raised", raised}, {"wide", wide}, {"struck", struck},
                            {"plain", styled(font("Helvetica", 12))}});
         }},
        {"alignment, spacing, indents, line spacing and tabs",
         [this] {
             StyleParagraph* first = setWords(0, {{"Name"}})->paragraphStyle();
             first->setAlignment(2);
             first->setSpaceBefore(12);
             first->setSpaceAfter(6);
             first->setIndents(36, 18, -18);
             first->charStyle()->setLeading(18.0f);
             addSpecial(0, TextWordTab);
             paragraph(0)->addWord(std::make_unique<TextWord>("page"));
             const StyleTabStop tabs[] = {{72, 0, 0}, {144, 1, '.'}, {216, 2, '-'}, {288, 3, '_'}};
             first->setTabs(tabs, 4);
             StyleParagraph* second = setWords(1, {{"justified"}})->paragraphStyle();
             second->setAlignment(3);
             second->setWidowControl(-2);
             second->charStyle()->setLeading(111116.0f);
             setWords(2, {{"right"}})->paragraphStyle()->setAlignment(1);
         }},
        {"fields and breaks",
         [this] {
             setWords(0, {{"Page"}});
             addSpecial(0, TextWordPageNumber);
             paragraph(0)->addWord(std::make_unique<TextWord>("on"));
             addSpecial(0, TextWordDate);
             addSpecial(0, TextWordTime);
             addSpecial(0, TextWordPageBreak);
             setWords(1, {{"after"}, {"the"}, {"break"}});
         }},
        {"a named style",
         [this] {
             StyleInfo* sheet = document_->styleInfo();
             auto* heading = static_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
             (void)sheet->renameStyle(heading, std::string("Heading"), sheet->paragraphStyles());
             heading->setDefinedFlags(0);
             StyleParagraph::setForceParagraphStyleDefinitions(true);
             heading->setAlignment(2);
             heading->setFont(font("Times-Roman", 18));
             StyleParagraph::setForceParagraphStyleDefinitions(false);
             setWords(0, {{"Title"}})->setBasedOnStyle(heading);
             setWords(1, {{"body"}});
         }},
        {"the Symbol font",
         [this] {
             setWords(0, {{"x"}, {"abg", styled(font("Symbol", 12))}, {"y", styled(font("Helvetica", 12))}});
         }},
        {"a header",
         [this] {
             auto header = std::make_shared<TextItem>();
             header->initFlow();
             header->flow()->firstParagraph()->paragraphStyle()->setFont(helvetica_);
             header->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("Running"));
             setWords(0, {{"before"}});
             TextWordSpecial* marker = addSpecial(0, TextWordHeaderMarker);
             marker->setObjectReference(std::static_pointer_cast<kit::Object>(header));
             document_->addHeader(marker);
             header->setMyMaster(marker);
             header->setMasterFlags(3);
             paragraph(0)->addWord(std::make_unique<TextWord>("after"));
         }},
        {"page set-up",
         [this] {
             document_->setPageNumberFormat(2);
             document_->setFirstPageNum(7);
             document_->setDefaultTabSpacing(54);
             setWords(0, {{"x"}});
         }},
    };
    for (const auto& [name, build] : documents) {
        SCOPED_TRACE(name);
        fresh();
        build();
        const std::string first = exportRTF();
        const std::string second = roundTrip(first);
        EXPECT_EQ(second, first);
    }
}

} // namespace
