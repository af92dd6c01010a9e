// Writes seed inputs made by the program's own writers: archives of every
// archived class (in the current and in older stored forms) and serialised
// file wrappers. tools/fuzz runs it into the fuzz build before fuzzing.
//
//   fuzz_seeds <folder>   writes <folder>/<target>/<name>

#include "ModelClasses.h"
#include "Operations.h"
#include "app/ScrivlyPreferences.h"
#include "appkit/DraggingDestination.h"
#include "core/Archiver.h"
#include "core/EventState.h"
#include "core/Color.h"
#include "core/FileWrapper.h"
#include "core/PortMessage.h"
#include "core/UserDefaults.h"
#include "core/Values.h"
#include "document/Guide.h"
#include "document/PageSet.h"
#include "foundation/Border.h"
#include "foundation/StoredColor.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "document/Undo.h"
#include "items/ItemBox.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/ColumnDefinition.h"
#include "text/TableDefinition.h"
#include "text/TableRow.h"
#include "text/TableParagraph.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "view/PageView.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string_view>
#include <tuple>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

namespace fuzz {
void writeSwapViewSeeds(const std::function<void(const std::string&, const std::string&)>& write);
}

namespace {

std::filesystem::path out;

void write(const std::string& target, const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(out / target);
    std::ofstream f(out / target / name, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

// The unarchiver target reads a version byte first: 0 is the current form,
// the others index its list of older versions (1 to olderVersions).
constexpr int olderVersions = 8;

// An archive in an older stored form, read under its own version.
void archiveOld(const std::string& name, const kit::Object& root, char version)
{
    write("unarchiver", name, std::string(1, version) + kit::Archiver::archivedDataWithRootObject(&root));
}

// A current archive, also read as every older version would read it: the
// older decoders meet units they did not write, the way a damaged or
// mislabelled file meets them.
void archive(const std::string& name, const kit::Object& root)
{
    const std::string bytes = kit::Archiver::archivedDataWithRootObject(&root);
    write("unarchiver", name, std::string(1, '\0') + bytes);
    for (int v = 1; v <= olderVersions; ++v)
        write("unarchiver", name + "@v" + std::to_string(v), std::string(1, char(v)) + bytes);
}

// A character style as files before 2.2 hold it, stored under its own name.
class StyleCharBefore22 : public kit::Object {
public:
    std::string className() const override { return "StyleChar"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeValuesOfObjCTypes("*f", "Courier", 10.0f);
        for (float f : {3.0f, 1.0f, 111112.0f, 0.5f, 1.0f})
            coder.encodeValueOfObjCType("f", &f);
        short special = StyleBoldFlag, dropped = 0;
        coder.encodeValueOfObjCType("s", &special);
        coder.encodeValueOfObjCType("s", &dropped);
        encodeNXColor(coder, kit::Color::colorWithGray(0.25f));
    }
};

// From 2.2 up to 3.0.
class StyleCharBefore30 : public kit::Object {
public:
    std::string className() const override { return "StyleChar"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeValuesOfObjCTypes("*fffffffs", "Courier", 10.0f, 3.0f, 1.0f, 12.0f, 0.0f, 0.0f, 1.0f,
                                      short(StyleBoldFlag));
        encodeNXColor(coder, kit::Color::blackColor());
    }
};

// A paragraph style as 2.5 up to 2.6 store it (version: the stored form's).
class StyleParagraphOld : public kit::Object {
public:
    explicit StyleParagraphOld(float version) : version_(version) {}
    std::string className() const override { return "StyleParagraph"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        StyleCharBefore30 charStyle;
        coder.encodeTemporaryObject(charStyle);
        if (version_ >= 2.53f)
            coder.encodeValuesOfObjCTypes("ffffffcccccss", 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, char(1), char(0),
                                          char(1), char(7), char(2), short(2), short(3));
        else
            coder.encodeValuesOfObjCTypes("ffffffcccccsss", 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, char(1), char(0),
                                          char(1), char(7), char(1), short(2), short(99), short(3));
        const int tabs = 1;
        coder.encodeValueOfObjCType("i", &tabs);
        if (version_ >= 2.56f)
            coder.encodeValuesOfObjCTypes("fsc", 36.0f, short(1), char('.'));
        else
            coder.encodeValuesOfObjCTypes("sf", short(1), 36.0f);
        const char hasBullet = 1;
        coder.encodeValueOfObjCType("c", &hasBullet);
        coder.encodeValuesOfObjCTypes("*f*f", "Courier", 10.0f, "o", 5.0f);
        coder.encodePoint({3.0f, 1.0f});
        encodeNXColor(coder, kit::Color::blackColor());
        if (version_ >= 2.53f)
            coder.encodeObject(nullptr);
        if (version_ >= 2.55f) {
            coder.encodeObject(nullptr);
            const int defined = 0x10;
            coder.encodeValueOfObjCType("i", &defined);
        }
        if (version_ >= 2.6f) {
            const short level = 2;
            coder.encodeValueOfObjCType("s", &level);
            coder.encodeObject(nullptr);
        }
    }

private:
    float version_;
};

// A word as files from 2.2 up to 2.23 store it: measures, hyphen points and
// styles of its own, written by the stored form's rules.
class TextWordBefore223 : public kit::Object {
public:
    explicit TextWordBefore223(std::string letters) : letters_(std::move(letters)) {}
    std::string className() const override { return "TextWord"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        const short length = short(letters_.size()), hyphens = 3, styled = 1;
        coder.encodeValuesOfObjCTypes("*sssssfs", letters_.c_str(), length, short(2), short(0), hyphens, short(0),
                                      2.5f, styled);
        coder.encodeRect(kit::makeRect(72, 100, 6.0f * float(length), 12));
        coder.encodeObject(nullptr);
        const std::vector<float> widths(letters_.size(), 6.0f);
        coder.encodeArrayOfObjCType("f", widths.size(), widths.data());
        const short points[] = {2, 6, 7};
        coder.encodeArrayOfObjCType("s", 3, points);
        StyleCharBefore30 style;
        for (short i = 0; i < length; ++i)
            coder.encodeObject(i == 0 ? &style : nullptr);
    }

private:
    std::string letters_;
};

// A word as files before 2.2 store it (from 0.96 on).
class TextWordBefore22 : public kit::Object {
public:
    explicit TextWordBefore22(std::string letters) : letters_(std::move(letters)) {}
    std::string className() const override { return "TextWord"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        const int length = int(letters_.size()), hyphens = 2;
        coder.encodeValuesOfObjCTypes("*", letters_.c_str());
        coder.encodeValuesOfObjCTypes("ii", length, 0);
        coder.encodeValuesOfObjCTypes("ii", 1, 0);
        coder.encodeValuesOfObjCTypes("i", hyphens);
        coder.encodeValuesOfObjCTypes("s", short(0));
        for (int point : {3, 5})
            coder.encodeValuesOfObjCTypes("i", point);
        for (int i = 0; i < length; ++i)
            coder.encodeValuesOfObjCTypes("f", 6.0f);
        kit::Object* paragraph = nullptr;
        coder.encodeValuesOfObjCTypes("@", paragraph);
        coder.encodeRect(kit::makeRect(0, 0, 6.0f * float(length), 12));
        coder.encodeValuesOfObjCTypes("f", 2.0f);
        coder.encodeValuesOfObjCTypes("s", short(0));
    }

private:
    std::string letters_;
};

void values()
{
    kit::String s("Scrivly");
    archive("string", s);
    kit::Number i(42), r(2.5), b(true);
    archive("number-integer", i);
    archive("number-real", r);
    archive("number-boolean", b);
    kit::Date d(86400.5);
    archive("date", d);
    kit::Data bytes(std::string("\x00\x01\xfe\xff", 4));
    archive("data", bytes);

    kit::Array array;
    array.addObject(&s);
    array.addObject(&i);
    array.addObject(&s); // a back reference
    kit::Dictionary dict;
    dict.setObject(&array, &s);
    dict.setObject(&d, &r);
    array.addObject(&dict);
    archive("array-with-dictionary", array);
    archive("dictionary", dict);

    archive("color-gray", *kit::Color::colorWithGray(0.5f, 0.75f));
    archive("color-cmyk", *kit::Color::colorWithDeviceCyan(0.1f, 0.2f, 0.3f, 0.4f));
    archive("color-named", *kit::Color::redColor());
    archive("font", *kit::Font::fontWithName("Times-Roman", 12));
}

void styles()
{
    StyleParagraphNamed base;
    base.setStyleName(std::string("Body"));
    StyleParagraph p;
    p.setFont(kit::Font::fontWithName("Times-Roman", 11));
    p.setIndents(10, 20, -5);
    p.setSpaceAfter(6);
    p.setAlignment(3);
    p.addTab({72, 3, '.'});
    p.makeBullet("*", kit::Font::fontWithName("Courier", 10), 2, 3, kit::Color::redColor());
    p.makeBorder()->setTopStyle(3);
    p.setBasedOnStyle(&base);
    p.setAutonumberLevel(3);
    p.charStyle()->setSpecial(StyleUnderlineFlag);
    archive("style-paragraph", p);
    archive("style-paragraph-named", base);
    StyleChar c;
    c.setFont(kit::Font::fontWithName("Helvetica-Bold", 9));
    archive("style-char", c);
    StyleGraphicNamed g;
    g.setStyleName(std::string("Frame"));
    archive("style-graphic-named", g);
    StyleGraphic plain;
    archive("style-graphic", plain);
    Border border;
    border.setTopStyle(2);
    archive("border", border);

    // Older stored forms; the indexes are the target's list of versions.
    archiveOld("old-2.1-style-char", StyleCharBefore22(), 1);
    archiveOld("old-2.5-style-char", StyleCharBefore30(), 3);
    archiveOld("old-2.5-style-paragraph", StyleParagraphOld(2.5f), 3);
    archiveOld("old-2.55-style-paragraph", StyleParagraphOld(2.55f), 5);
    archiveOld("old-2.6-style-paragraph", StyleParagraphOld(2.6f), 7);
}

void itemsAndWords()
{
    ItemBox box;
    box.setFrame(kit::makeRect(10, 20, 30, 40));
    box.rotateByAngle(30);
    box.setDropShadow(true);
    box.setRunaround(true, 1, 2, 3, 4, 5);
    archive("item-box", box);

    TextWord word("styled");
    auto big = std::make_unique<StyleChar>();
    big->setFont(kit::Font::fontWithName("Times-Roman", 20));
    word.addCharStyle(std::move(big), 2);
    archive("text-word", word);
    // Longer than a word keeps inside itself, styled at both ends.
    TextWord longWord(std::string(300, 'w').c_str());
    longWord.addCharStyle(std::make_unique<StyleChar>(), 0);
    longWord.addCharStyle(std::make_unique<StyleChar>(), 300);
    archive("text-word-long", longWord);
    archiveOld("old-2.2-text-word", TextWordBefore223("hyphenation"), 2);
    archiveOld("old-2.2-text-word-long", TextWordBefore223(std::string(40, 'x')), 2);
    archiveOld("old-2.1-text-word", TextWordBefore22("paragraphs"), 1);
    archiveOld("old-2.1-text-word-long", TextWordBefore22(std::string(40, 'y')), 1);
    for (int type : {1, 5, 7, 102, 201}) {
        TextWordSpecial special(type);
        special.setTab(3, 72, '.');
        special.setFormatString(std::string("%Y"));
        special.setItemSerialNumber(17);
        archive("text-word-special-" + std::to_string(type), special);
    }

    // A turned group of a cropping box and a group of one box.
    {
        auto shape = std::make_shared<ItemBox>();
        shape->setFrame(kit::makeRect(10, 10, 40, 40));
        shape->setDoesCrop(true);
        auto inside = std::make_shared<ItemBox>();
        inside->setFrame(kit::makeRect(30, 30, 60, 20));
        auto group = ItemGroup::initWithList({shape, ItemGroup::initWithList({inside})});
        group->rotateByAngle(15);
        archive("item-group", *group);
        // A damaged one, which holds itself.
        std::vector<std::shared_ptr<Item>>& members = *Undo::groupMembersHook()(*group);
        members.push_back(group);
        archive("item-group-inside-itself", *group);
        members.pop_back();
    }

    Page page;
    page.setRect(kit::makeRect(50, 50, 612, 792));
    page.setCollapsed(true);
    auto onPage = std::make_unique<ItemBox>();
    onPage->setFrame(kit::makeRect(1, 2, 3, 4));
    page.addItems(std::move(onPage));
    page.addGuide(std::make_unique<Guide>(36.0f, Guide::Vertical));
    archive("page", page);
    PageSet run;
    run.setOffset(3);
    run.setCount(2);
    archive("page-set", run);

    TextFlow flow;
    TextParagraph* first = flow.firstParagraph();
    first->addWord(std::make_unique<TextWord>("flow"));
    first->addWord(std::make_unique<TextWordSpecial>(5));
    TextParagraph* second = flow.addParagraph(std::make_unique<TextParagraph>());
    second->addWord(std::make_unique<TextWordSpecial>(7));
    second->addWord(std::make_unique<TextWord>("two"));
    flow.setCurrentParagraph(second, false);
    archive("text-flow", flow);

    // A copied selection: from inside the first paragraph through the
    // second, with the break between them and a word cut at each end.
    TextSelection selection;
    textPoint from{0, 0, 1}, to{1, 1, 2};
    selection.selectBetween(&from, &to, &flow, SelectionCharTail, false);
    archive("text-selection", selection);

    // A chain of columns over three pages, the way a document stores it.
    std::vector<std::unique_ptr<Page>> pages;
    std::vector<TextItem*> columns;
    kit::Array pageList;
    for (int i = 0; i < 3; ++i) {
        pages.push_back(std::make_unique<Page>());
        auto column = std::make_unique<TextItem>();
        column->setFrame(kit::makeRect(72, 72, 468, 648));
        columns.push_back(column.get());
        pages.back()->addItems(std::move(column));
        pageList.addObject(pages.back().get());
    }
    columns[0]->joinColumn(columns[1]);
    columns[1]->joinColumn(columns[2]);
    columns[0]->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("chain"));
    columns[1]->setStartPointVals(1, 0, 0);
    columns[2]->setStartPointVals(2, 0, 0);
    archive("text-column-chain", pageList);

    // A flow holding a table of two rows of two cells between two paragraphs.
    TextFlow tabled;
    tabled.firstParagraph()->addWord(std::make_unique<TextWord>("before"));
    auto owned = std::make_unique<TableDefinition>();
    owned->setMargins({{10, 90}, {110, 190}});
    owned->setJustification(2);
    TableDefinition* table = tabled.addTable(std::move(owned));
    for (int r = 0; r < 2; ++r) {
        TableRow* row = table->addRow();
        row->setColumnCount(2);
        row->setIsAutoHeight(char(r));
        row->setHeight(24);
        for (int c = 0; c < 2; ++c) {
            auto cell = std::make_unique<TableParagraph>(table, r, c);
            cell->addWord(std::make_unique<TextWord>("cell"));
            cell->addWord(std::make_unique<TextWordSpecial>(202));
            cell->setColumnSpan(1);
            cell->setHorizontalAlignment(r + c);
            tabled.addParagraph(std::move(cell));
        }
    }
    tabled.addParagraph(std::make_unique<TextParagraph>())->addWord(std::make_unique<TextWord>("after"));
    archive("text-flow-table", tabled);

    // Every stored class also as a root of its own, the way a pasteboard or
    // a damaged file may hand it over without its owner.
    Item plainItem;
    plainItem.setFrame(kit::makeRect(5, 6, 70, 80));
    plainItem.setName(std::string("plain"));
    archive("item", plainItem);
    TextParagraph lone;
    lone.paragraphStyle()->setAlignment(2);
    lone.addWord(std::make_unique<TextWord>("lone"));
    lone.addWord(std::make_unique<TextWordSpecial>(1));
    lone.addWord(std::make_unique<TextWord>("paragraph"));
    archive("text-paragraph", lone);
    archive("guide-vertical", Guide(36.0f, Guide::Vertical));
    archive("guide-horizontal", Guide(-12.5f, Guide::Horizontal));
    TextItem column;
    column.setFrame(kit::makeRect(72, 72, 200, 100));
    column.setTextType(1);
    column.flow()->firstParagraph()->addWord(std::make_unique<TextWord>("column"));
    archive("text-column", column);
    TextItem headline;
    headline.setFrame(kit::makeRect(72, 72, 300, 40));
    headline.setTextType(TextItem::DisplayText);
    archive("text-column-headline", headline);
    ColumnDefinition edges;
    edges.setMargins({{0, 100}, {120, 220}, {240, 340}});
    edges.setFlowType(1);
    edges.setIsBalanced(1);
    archive("column-definition", edges);
    archive("table-definition", *table);
    archive("table-row", *table->rowAtIndex(0));
    for (const auto& paragraph : tabled.paragraphList())
        if (const auto* cell = dynamic_cast<const TableParagraph*>(paragraph.get())) {
            archive("table-cell", *cell);
            break;
        }
}

void fileWrappers()
{
    using kit::FileWrapper;
    write("filewrapper", "file", FileWrapper::initRegularFileWithContents("hello\n")->serializedRepresentation());
    write("filewrapper", "link", FileWrapper::initSymbolicLinkWithDestination("../x")->serializedRepresentation());
    FileWrapper::Wrappers inner;
    inner["TXT.rtf"] = FileWrapper::initRegularFileWithContents("{\\rtf1 hi}");
    inner["image.tiff"] = FileWrapper::initRegularFileWithContents(std::string("II*\0", 4));
    FileWrapper::Wrappers outer;
    outer["doc.rtfd"] = FileWrapper::initDirectoryWithFileWrappers(std::move(inner));
    outer["link"] = FileWrapper::initSymbolicLinkWithDestination("doc.rtfd/TXT.rtf");
    write("filewrapper", "folder",
          FileWrapper::initDirectoryWithFileWrappers(std::move(outer))->serializedRepresentation());
}

void defaults()
{
    kit::UserDefaults::Domain d{{"NXPaperType", "Letter"}, {"Units", "1"}, {"quote\"d", "tab\there\nnewline"}};
    write("defaults", "domain", kit::UserDefaults::stringFromDomain(d));
    // The frames panels leave behind, usable or not.
    kit::UserDefaults::Domain frames{
        {"Loc_PanelTabs", kit::stringFromRect(kit::makeRect(120, 140, 422, 112))},
        {"Loc_LinksPanel", kit::stringFromRect(kit::makeRect(-9000, -9000, 300, 232))},
        {"Loc_PanelStyleParagraph", kit::stringFromRect(kit::makeRect(10, 10, 0, 0))},
        {"Loc_PanelFind", "{{nan, 1}, {inf, -inf}}"},
        {"Loc_PanelPages", "{{1e39, 2}, {3"},
        {"Loc_PanelSpellCheck", "frame"},
    };
    write("defaults", "panel-frames", kit::UserDefaults::stringFromDomain(frames));
}

void swapViews()
{
    fuzz::writeSwapViewSeeds([](const std::string& name, const std::string& bytes) { write("swapview", name, bytes); });
}

// The preferences file as the program writes it: the factory values, and
// after a user changed some of them; each of its values is also a seed of
// the value readers. The paper type lives in the global domain.
void preferences()
{
    const std::string folder = (out / "preferences-home").string();
    std::filesystem::create_directories(folder);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    kit::UserDefaults::resetStandardUserDefaults();
    ScrivlyPreferences::resetClassSetUp();
    auto& defaults = kit::UserDefaults::standardUserDefaults();
    const auto factory = [&] {
        std::unique_ptr<ScrivlyPreferences> prefs = Preferences::create<ScrivlyPreferences>();
        return defaults.persistentDomainForName("Scrivly");
    }();
    write("preferences", "factory", kit::UserDefaults::stringFromDomain(factory));
    std::unique_ptr<ScrivlyPreferences> prefs = Preferences::create<ScrivlyPreferences>();
    prefs->setWindowFrame(kit::makeRect(10.5f, 20, 800, 600.25f));
    prefs->setZoom(1.5f);
    prefs->setLineWidth(0.25f);
    prefs->setDecimalTabChar(',');
    prefs->setLanguage(std::string("French1"));
    prefs->setDateFormat(std::string("%A, %D %B %Y"));
    prefs->setTimeFormat(std::string("%H:%M:%S"));
    prefs->setBodyFont(kit::Font::fontWithName("Times-Roman", 11));
    prefs->setHeadlineFont(kit::Font::fontWithName("Helvetica-Bold", 30));
    prefs->setIncrement(2.5f, IncrementIndents);
    prefs->setMultiplier(4, kit::AlternateKeyMask);
    prefs->storeGeneral();
    prefs->storeText();
    const auto changed = defaults.persistentDomainForName("Scrivly");
    write("preferences", "changed",
          kit::UserDefaults::stringFromDomain(changed) + "\n//GlobalDomain\n" +
              kit::UserDefaults::stringFromDomain({{"NSPaperType", "A4"}, {"NSFontSize", "10"}}));
    std::set<std::string> values;
    for (const auto* domain : {&factory, &changed})
        for (const auto& [key, value] : *domain)
            values.insert(value);
    for (const auto& [name, value] : std::map<std::string, std::string>{
             {"rect-platform", kit::stringFromRect(kit::makeRect(1.5f, -2, 640, 480.25f))},
             {"size-platform", kit::stringFromSize(kit::makeSize(612, 792))},
             {"paper-a4", "A4"}, {"paper-legal", "Legal"}, {"font-size", "11.5"}})
        write("defaultvalues", name, value);
    int n = 0;
    for (const std::string& value : values)
        write("defaultvalues", "value-" + std::to_string(n++), value);
    kit::UserDefaults::resetStandardUserDefaults();
    std::filesystem::remove_all(folder);
}

// Pasteboard data of each type a column may be offered, after the type
// byte and the byte that places the paste (see the target).
void pasteboard()
{
    auto seed = [](const std::string& name, int type, int how, const std::string& data) {
        write("pasteboard", name, std::string{char(type), char(how)} + data);
    };
    TextFlow flow;
    flow.firstParagraph()->addWord(std::make_unique<TextWord>("copied"));
    flow.firstParagraph()->addWord(std::make_unique<TextWordSpecial>(5));
    TextParagraph* second = flow.addParagraph(std::make_unique<TextParagraph>());
    second->addWord(std::make_unique<TextWord>("words"));
    second->addWord(std::make_unique<TextWordSpecial>(202));
    for (const auto& [name, type, a, b] : std::vector<std::tuple<std::string, int, textPoint, textPoint>>{
             {"selection-in-a-word", SelectionChar, {0, 0, 1}, {0, 0, 4}},
             {"selection-of-paragraphs", SelectionPara, {0, 0, 0}, {1, 1, 0}},
             {"selection-of-words", SelectionWord, {0, 0, 0}, {1, 0, 5}}}) {
        TextSelection selection;
        selection.selectBetween(&a, &b, &flow, type, false);
        seed(name, 0, 0, selection.archivedData());
        seed(name + "-over-a-selection", 0, 4, selection.archivedData());
    }
    seed("string-lines", 1, 1, "pasted line\nsecond line\r\nthird\tcolumn");
    seed("string-html", 1, 0, "<HTML><body>hi</body></HTML>");
    seed("string-not-utf8", 1, 3, std::string("\xff\xfe bad", 6));
    seed("string-link", 1, 0x40, "linked");
    StyleParagraph paragraph;
    paragraph.setAlignment(2);
    paragraph.setIndents(10, 20, -5);
    paragraph.setWidowControl(-2);
    paragraph.addTab({72, 3, '.'});
    // As the styles panel writes the paragraph stream.
    const std::string style = PageView::copyParagraphStyleToStream(&paragraph, 41, nullptr, 1, 0);
    const std::string ruler = PageView::copyParagraphStyleToStream(&paragraph, 48, nullptr, 1, 0);
    seed("paragraph-style", 2, 1, style);
    seed("paragraph-style-over-paragraphs", 2, 5, style);
    seed("ruler", 3, 4, ruler);
    seed("rtf", 4, 0, "{\\rtf1\\ansi hello}");
    seed("tiff", 8, 0, std::string("II*\0", 4));
}

// The page view's private formats, as its copy commands write them, after
// the type byte and the link byte (see the target).
void itemPaste()
{
    auto seed = [](const std::string& name, int type, int how, const std::string& data) {
        write("itempaste", name, std::string{char(type), char(how)} + data);
    };
    LayoutDocument document;
    document.setup();
    Page* page = document.pageAt(0);
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(100, 100, 50, 40), false);
    box->setHasFill(true);
    auto member = std::make_shared<ItemBox>();
    member->setFrame(kit::makeRect(10, 10, 20, 20), false);
    std::shared_ptr<ItemGroup> group = ItemGroup::initWithList({member});
    auto column = std::make_shared<TextItem>();
    column->setFrame(kit::makeRect(72, 300, 300, 200), false);
    column->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("copied"));
    page->addItems(box, false);
    page->addItems(group, false);
    page->addItems(column, false);
    PageView view(kit::makeRect(0, 0, 612, 792));
    view.setDocument(&document);
    document.setSelection({box.get(), group.get(), column.get()}, nullptr);
    std::string items;
    if (view.copySelectionToStream(items)) {
        seed("items", 0, 0, items);
        seed("items-link", 0, 1, items);
    }
    for (int code : {28, 33, 34, 35, 36}) {
        std::string stream;
        if (view.copyDimensionsToStream(stream, code))
            seed("dimensions-" + std::to_string(code), 1, 0, stream);
    }
    for (int code : {60, 61, 64, 71, 72}) {
        std::string stream;
        if (view.copyGraphicsToStream(stream, code))
            seed("graphics-" + std::to_string(code), 2, 0, stream);
    }
    StyleParagraph paragraph;
    paragraph.setIndents(10, 20, -5);
    seed("paragraph-style", 3, 0, PageView::copyParagraphStyleToStream(&paragraph, 41, &document, 1, 3));
    seed("ruler", 3, 0, PageView::copyParagraphStyleToStream(&paragraph, 48, &document, 1, 0));
    seed("colour", 4, 0, PageViewColorData(kit::Color::redColor()));
    seed("filenames", 5, 0, kit::filenamesPropertyList({"a.tiff", "b \"q\".ps"}));
    document.setSelection({}, nullptr);
}

// Operation sequences (the format is in Operations.h), each a short
// scenario of one area of the model, in both kinds of document.
class Operations {
public:
    explicit Operations(std::uint8_t header) { bytes_ += char(header); }
    Operations& op(fuzz::ops::Op op, std::initializer_list<int> args = {})
    {
        bytes_ += char(op);
        for (int a : args)
            bytes_ += char(a);
        return *this;
    }
    // Typed in bursts of at most 16 keys.
    Operations& type(const std::string& text)
    {
        for (std::size_t at = 0; at < text.size(); at += 16) {
            const std::string chunk = text.substr(at, 16);
            bytes_ += char(fuzz::ops::Type);
            bytes_ += char(chunk.size() - 1);
            for (char c : chunk)
                bytes_ += char(std::string_view(fuzz::ops::TypedKeys).find(c));
        }
        return *this;
    }
    Operations& key(int which, int modifiers = 0) { return op(fuzz::ops::Key, {which, modifiers}); }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

void operations()
{
    using namespace fuzz::ops;
    enum Keys { Return, Enter, Backspace, Delete, Tab, Up, Down, Left, Right, WordLeft, WordRight };
    enum Commands { Cut, Copy, Paste, DeleteSelection, Undelete, KillLine, KillParagraph, PageBreak, SelectAll };
    const std::string words = "one two three four five six seven eight nine ten eleven twelve ";
    for (std::uint8_t mode : {std::uint8_t(0), std::uint8_t(WordProcessor), std::uint8_t(WordProcessor | TallColumns),
                              std::uint8_t(TimesFont | TallColumns)}) {
        const std::string suffix = "-" + std::to_string(mode);
        auto seed = [&](const std::string& name, const Operations& ops) {
            write("operations", name + suffix, ops.bytes());
        };
        seed("typing", Operations(mode)
                           .type(words)
                           .key(Return)
                           .type("(quoted) 'words', \"and\" more-")
                           .key(Backspace)
                           .key(Left)
                           .key(Left)
                           .key(Delete)
                           .key(WordLeft, 1)
                           .type("x")
                           .key(Up)
                           .key(Tab)
                           .key(Enter)
                           .type("after the break"));
        seed("overflow-and-undo", Operations(mode)
                                      .type(words + words + words)
                                      .op(Command, {SelectAll})
                                      .key(Backspace)
                                      .op(fuzz::ops::Undo)
                                      .op(Redo)
                                      .op(fuzz::ops::Undo)
                                      .op(fuzz::ops::Undo));
        seed("cut-and-paste", Operations(mode)
                                  .type(words)
                                  .op(Select, {0, 0, 1, 0, 0, 3, 2, 0})
                                  .op(Command, {Cut})
                                  .op(Command, {Paste})
                                  .op(Select, {0, 0, 0, 1, 0, 2, 3, 1})
                                  .op(Command, {Copy})
                                  .key(Right)
                                  .op(Command, {Paste})
                                  .op(Command, {KillLine})
                                  .op(Command, {Undelete})
                                  .op(Command, {KillParagraph})
                                  .op(Command, {PageBreak}));
        // Indent steps in and out on a numbered selection, against stops
        // of the paragraph and the default ones.
        seed("indent-steps", Operations(mode)
                                 .type(words)
                                 .key(Return)
                                 .type(words)
                                 .op(Select, {0, 0, 1, 0, 0, 1, 2, 0})
                                 .op(IndentStep, {0, 0})
                                 .op(IndentStep, {0, 0})
                                 .op(IndentStep, {3, 0})
                                 .op(IndentStep, {4, 0})
                                 .op(IndentStep, {2, 0})
                                 .op(IndentStep, {5, 0})
                                 .op(IndentStep, {1, 0})
                                 .op(fuzz::ops::Undo)
                                 .op(IndentStep, {1, 0}));
        seed("styles", Operations(mode)
                           .type(words)
                           .op(Select, {0, 0, 2, 0, 0, 5, 1, 1})
                           .op(CharStyle, {0, 3})
                           .op(CharStyle, {1, 0})
                           .op(CharStyle, {3, 0})
                           .op(CharStyle, {6, 7})
                           .op(CharStyle, {7, 9})
                           .op(ParagraphStyle, {0, 3})
                           .op(ParagraphStyle, {1, 0})
                           .op(ParagraphStyle, {4, 20})
                           .op(Styles, {0, 0, 0, 0})
                           .op(Styles, {2, 0, 0, 0})
                           .op(Styles, {0, 1, 0, 0})
                           .op(AddItem, {0, 0, 100, 200, 40, 30})
                           .op(Styles, {2, 1, 1, 1})
                           .op(SaveAndRead)
                           .op(Styles, {1, 0, 0, 0})
                           .op(Styles, {1, 1, 1, 0})
                           .op(SaveAndRead));
        seed("pages", Operations(mode)
                          .type(words)
                          .op(AddPages, {2, 1})
                          .op(CollapsePages, {2, 1})
                          .op(CollapsePages, {3, 1})
                          .op(DeletePages, {0, 1})
                          .op(AddPages, {0, 0})
                          .op(HitTest, {0, 100, 60})
                          .op(fuzz::ops::Undo)
                          .op(SaveAndRead));
        seed("items", Operations(mode)
                          .op(AddItem, {0, 0, 40, 30, 50, 50})
                          .op(AddItem, {1, 0, 60, 60, 90, 80})
                          .op(AddItem, {2, 0, 40, 200, 120, 30})
                          .op(Editing, {3})
                          .type(words)
                          .op(fuzz::ops::Runaround, {0, 1, 6})
                          .op(MoveItem, {1, 130, 140, 0, 0})
                          .op(DeleteItem, {1})
                          .op(fuzz::ops::Undo)
                          .op(Redo)
                          .op(Editing, {0})
                          .op(SaveAndRead));
        seed("graphics-pane", Operations(mode)
                                  .op(AddItem, {0, 0, 40, 30, 50, 50})
                                  .op(AddItem, {0, 0, 120, 30, 60, 40})
                                  .op(GraphicsPane, {0, 1, 1, 80})
                                  .op(GraphicsPane, {0, 1, 4, 40})
                                  .op(GraphicsPane, {1, 0, 5, 130})
                                  .op(fuzz::ops::Undo)
                                  .op(Redo)
                                  .op(GraphicsPane, {0, 2, 6, 1})
                                  .op(GraphicsPane, {0, 0, 7, 3})
                                  .op(GraphicsPane, {1, 0, 0, 0})
                                  .op(GraphicsPane, {1, 0, 2, 0})
                                  .op(fuzz::ops::Undo)
                                  .op(fuzz::ops::Undo)
                                  .op(SaveAndRead));
        seed("masters", Operations(mode)
                            .op(MasterItem, {0, 0, 10, 10, 30, 20})
                            .op(MasterItem, {1, 0, 30, 120, 80, 60})
                            .op(MasterItem, {2 + 4, 0, 130, 120, 60, 60})
                            .type(words + words)
                            .op(HitTest, {0, 40, 20})
                            .op(SaveAndRead)
                            .op(MasterItem, {3, 0, 0, 0, 0, 0})
                            .op(AddPages, {0, 1}));
        seed("links", Operations(mode)
                          .op(AddItem, {1, 0, 20, 150, 60, 40})
                          .op(AddItem, {1, 1, 20, 150, 60, 40})
                          .op(Link, {1, 2})
                          .op(Link, {2, 0})
                          .op(Editing, {1})
                          .type(words + words)
                          .op(Unlink, {0})
                          .op(Unlink, {2})
                          .op(SaveAndRead));
        seed("variables", Operations(mode)
                              .type("page ")
                              .op(Variable, {0, 0})
                              .type(" of ")
                              .op(Variable, {1, 0})
                              .key(Return)
                              .op(Variable, {2, 2})
                              .op(Variable, {3, 0})
                              .op(Variable, {4, 0})
                              .op(Variable, {5, 1})
                              .op(AddPages, {1, 1})
                              .op(SaveAndRead));
        seed("clicks", Operations(mode)
                           .type(words + words)
                           .op(Click, {0, 30, 20, 0, 0})
                           .type("x")
                           .op(Click, {0, 100, 120, 1, 0})
                           .op(Click, {0, 200, 200, 0, 1})
                           .op(Command, {Cut})
                           .op(Click, {0, 10, 240, 2, 0})
                           .key(Down, 1)
                           .op(Command, {Paste}));
    }
}

} // namespace

// Requests and replies of named connections, as the program writes them
// (the target reads the bytes after a frame's length).
void portMessages()
{
    auto frame = [](const kit::PortMessage& m) {
        std::string bytes;
        m.encode(&bytes);
        return bytes.substr(4);
    };
    auto files = std::make_unique<kit::Array>();
    files->addOwnedObject(std::make_unique<kit::String>("/home/ann/letter.syb"));
    files->addOwnedObject(std::make_unique<kit::Number>(std::int64_t(3)));
    auto style = std::make_unique<kit::Dictionary>();
    style->setOwnedObject(std::make_unique<kit::Number>(12.5), std::make_unique<kit::String>("size"));
    files->addOwnedObject(std::move(style));
    write("portmessage", "request", frame(kit::PortMessage::request(7, "openFiles:", std::move(files))));
    write("portmessage", "reply", frame(kit::PortMessage::reply(7, std::make_unique<kit::Number>(true))));
    write("portmessage", "error", frame(kit::PortMessage::error(8, "no operation frob:")));
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    out = argv[1];
    fuzz::initializeModelClasses();
    values();
    styles();
    itemsAndWords();
    fileWrappers();
    defaults();
    swapViews();
    portMessages();
    preferences();
    pasteboard();
    itemPaste();
    operations();
    return 0;
}
