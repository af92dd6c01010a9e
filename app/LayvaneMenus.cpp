// The program's menus: the menu bar over the kit's menus. Items send their
// actions along the responder chain (the key window's page view, then the
// delegate); an item whose action no one answers is disabled by the kit.
// Key equivalents use Command (the Super key), so the text's Control keys
// keep working.

#include "app/Layvane.h"

#include "appkit/Application.h"
#include "appkit/Menu.h"
#include "appkit/MenuItem.h"

namespace {

struct Entry {
    const char* title;   // empty: a separator
    const char* action;  // empty with a submenu
    const char* key = "";
    int tag = 0;
};

kit::Menu* addSubmenu(kit::Menu& parent, const std::string& title)
{
    kit::MenuItem* item = parent.addItemWithTitle(title, "");
    auto submenu = std::make_unique<kit::Menu>(title);
    kit::Menu* raw = submenu.get();
    parent.setSubmenu(std::move(submenu), item);
    return raw;
}

void fill(kit::Menu& menu, std::initializer_list<Entry> entries)
{
    for (const Entry& entry : entries) {
        if (!*entry.title) {
            menu.addItem(kit::MenuItem::separatorItem());
            continue;
        }
        kit::MenuItem* item = menu.addItemWithTitle(entry.title, entry.action, entry.key);
        item->setTag(entry.tag);
    }
}

} // namespace

std::unique_ptr<kit::Menu> Layvane::makeMainMenu()
{
    auto main = std::make_unique<kit::Menu>("Scrivly");

    fill(*addSubmenu(*main, "Info"), {
                                         {"About Scrivly...", "runInfo:"},
                                         {"Preferences...", "runPreferences:", ","},
                                         {"Help", "showHelp:", "?"},
                                     });

    fill(*addSubmenu(*main, "Document"), {
                                             {"New", "new:", "n"},
                                             {"New from Template...", "newFromTemplate:"},
                                             {"Open...", "open:", "o"},
                                             {"Open Template...", "openTemplate:"},
                                             {"", ""},
                                             {"Save", "save:", "s"},
                                             {"Save As...", "saveAs:", "S"},
                                             {"Save As Template...", "saveAsTemplate:"},
                                             {"Save To...", "saveTo:"},
                                             {"Save All", "saveAll:"},
                                             {"Revert to Saved", "revert:", "u"},
                                             {"Close", "close:", "w"},
                                             {"", ""},
                                             {"Page Layout...", "runPageLayout:", "P"},
                                             {"Paper...", "runPaper:"},
                                             {"Print...", "printDocument:", "p"},
                                         });

    fill(*addSubmenu(*main, "Edit"), {
                                         {"Undo", "undo:", "z", 0},
                                         {"Redo", "redo:", "Z", 1},
                                         {"", ""},
                                         {"Cut", "cut:", "x"},
                                         {"Copy", "copy:", "c"},
                                         {"Paste", "paste:", "v"},
                                         {"Paste and Link", "pasteAndLink:"},
                                         {"Delete", "delete:"},
                                         {"Select All", "selectAll:", "a"},
                                         {"", ""},
                                         {"Copy Font", "copyFont:", "3"},
                                         {"Paste Font", "pasteFont:", "4"},
                                         {"Copy Ruler", "copyRuler:", "1"},
                                         {"Paste Ruler", "pasteRuler:", "2"},
                                         {"Copy Paragraph Style", "copyParagraphStyle:"},
                                         {"Paste Paragraph Style", "pasteParagraphStyle:"},
                                         {"Copy Dimensions", "copyDimensions:"},
                                         {"Copy Graphics", "copyGraphics:"},
                                         {"", ""},
                                         {"Find...", "runFind:", "f"},
                                         {"Find Next", "findNext:", "g"},
                                         {"Find Previous", "findPrevious:", "d"},
                                         {"Enter Selection", "findEnterSelection:", "e"},
                                         {"Jump to Selection", "jumpToSelection:", "j"},
                                         {"Spelling...", "runSpellCheck:", ":"},
                                         {"Suggestions...", "runSuggest:"},
                                     });

    kit::Menu* format = addSubmenu(*main, "Format");
    kit::Menu* font = addSubmenu(*format, "Font");
    fill(*font, {
                    {"Font Panel...", "runFontPanel:", "t"},
                    {"Bold", "addFontTrait:", "b", 2},
                    {"Italic", "addFontTrait:", "i", 1},
                    {"Bigger", "increasePointSize:", "+"},
                    {"Smaller", "decreasePointSize:", "-"},
                    {"", ""},
                    {"Underline", "changeFontAttribute:", "", 0x10},
                    {"Double Underline", "changeFontAttribute:", "", 0x20},
                    {"Word Underline", "changeFontAttribute:", "", 0x800},
                    {"Strikeout", "changeFontAttribute:", "", 0x100},
                    {"Redline", "changeFontAttribute:", "", 0x80},
                    {"", ""},
                    {"Superscript", "superscript:"},
                    {"Subscript", "subscript:"},
                    {"Baseline", "unscript:"},
                    {"Tighter", "changeKerning:", "", -1},
                    {"Looser", "changeKerning:", "", 1},
                    {"Use Font Metrics", "toggleFontMetrics:"},
                });
    kit::Menu* text = addSubmenu(*format, "Text");
    fill(*text, {
                    {"Align Left", "alignLeft:", "{"},
                    {"Center", "alignCenter:", "|"},
                    {"Align Right", "alignRight:", "}"},
                    {"Justify", "alignSelJustify:"},
                });
    // Tags 71 to 75 step or set automatic leading; the others are a fixed
    // leading of their title.
    fill(*addSubmenu(*text, "Leading"), {
                                            {"Looser", "setMenuLeading:", "", 71},
                                            {"Tighter", "setMenuLeading:", "", 72},
                                            {"Auto -2", "setMenuLeading:", "", 73},
                                            {"Auto", "setMenuLeading:", "", 74},
                                            {"Auto +2", "setMenuLeading:", "", 75},
                                            {"", ""},
                                            {"10", "setMenuLeading:"},
                                            {"12", "setMenuLeading:"},
                                            {"14", "setMenuLeading:"},
                                            {"18", "setMenuLeading:"},
                                            {"24", "setMenuLeading:"},
                                        });
    fill(*text, {
                    {"", ""},
                    {"Uppercase", "convertSelUpperCase:"},
                    {"Lowercase", "convertSelLowerCase:"},
                    {"Capitalize", "convertSelMixedCase:"},
                    {"", ""},
                    {"Indent Left In", "indentLeftIn:"},
                    {"Indent Left Out", "indentLeftOut:"},
                    {"Indent Right In", "indentRightIn:"},
                    {"Indent Right Out", "indentRightOut:"},
                    {"Hanging Indent In", "hangingIndentExpand:"},
                    {"Hanging Indent Out", "hangingIndentReduce:"},
                    {"", ""},
                    {"Paragraph Styles...", "runParaStyles:", "y"},
                    {"Tabs...", "runTabs:"},
                    {"Autonumbering...", "runParaNumbering:"},
                    {"Character Set...", "showCharacterSetPanel:"},
                });
    fill(*addSubmenu(*format, "Insert"), {
                                             {"Date", "insertDate:"},
                                             {"Time", "insertTime:"},
                                             {"Page Number", "insertPageNumber:"},
                                             {"Last Page Number", "insertLastPageNumber:"},
                                             {"Page Break", "insertPageBreak:"},
                                             {"Header", "insertHeader:"},
                                             {"Footer", "insertFooter:"},
                                             {"Merge Token", "insertMergeToken:"},
                                         });
    fill(*addSubmenu(*format, "Line"), {
                                           {"Hairline", "changeLineWidth:", "", -3},
                                           {"Thin", "changeLineWidth:", "", -2},
                                           {"Thick", "changeLineWidth:", "", -1},
                                           {"Other...", "changeLineWidth:", "", 0},
                                       });
    fill(*addSubmenu(*format, "Color"), {
                                            {"Black", "changeColor:", "", 1},
                                            {"Dark Gray", "changeColor:", "", 2},
                                            {"Light Gray", "changeColor:", "", 3},
                                            {"White", "changeColor:", "", 4},
                                            {"Reverse", "changeColor:", "", 5},
                                            {"None", "changeColor:", "", 6},
                                        });

    fill(*addSubmenu(*main, "Arrange"), {
                                            {"Bring to Front", "bringToFront:", "F"},
                                            {"Send to Back", "sendToBack:", "B"},
                                            {"Bring Forward", "popForward:"},
                                            {"Send Backward", "pushBackward:"},
                                            {"", ""},
                                            {"Group", "group:", "G"},
                                            {"Ungroup", "ungroup:"},
                                            {"Lock", "lock:", "L"},
                                            {"Unlock", "unlock:"},
                                            {"Natural Size", "makeNatural:"},
                                            {"", ""},
                                            {"Place...", "place:"},
                                            {"Move By...", "runMoveBy:"},
                                            {"Columns...", "runColumnsInspector:"},
                                            {"Links...", "runLinksPanel:"},
                                        });

    fill(*addSubmenu(*main, "View"), {
                                         {"Zoom In", "zoom:", "=", 1},
                                         {"Zoom Out", "zoom:", "_", -1},
                                         {"Fit Selection", "fitSelection:"},
                                         {"Shrink Wrap", "shrinkWrap:"},
                                         {"", ""},
                                         {"Rulers", "toggleRulers:", "r"},
                                         {"Info Bar", "toggleInfoBar:"},
                                         {"Guides", "showGuides:"},
                                         {"Snap to Guides", "snapToGuides:"},
                                         {"Snap to Rulers", "snapToRulers:"},
                                         {"Text Frames", "showTextRects:"},
                                         {"Graphics", "showGraphics:"},
                                         {"Object Links", "showObjectLinks:"},
                                         {"Text Markers", "toggleTextMarkers:"},
                                         {"", ""},
                                         {"Pages...", "runPages:"},
                                         {"Go to Page...", "runGotoPage:"},
                                         {"Next Page", "gotoNextPage:"},
                                     });

    kit::Menu* windows = addSubmenu(*main, "Windows");
    fill(*windows, {
                       {"Inspector...", "inspect:", "I"},
                       {"Close All Panels", "closeAllPanels:"},
                   });
    // Below its own items, the open document windows.
    kit::Application::sharedApplication().setWindowsMenu(windows);

    main->addItemWithTitle("Quit", "terminate:", "q");
    return main;
}
