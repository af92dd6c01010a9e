#pragma once

// Edits of a whole selection of items. Each walks the items from the last to
// the first, changes every item that takes the change, and, when asked for
// undo and the selection is not empty, answers the undo record that reverses
// it (UndoTrans for geometry, UndoStyleGraphic for graphic attributes); the
// caller pushes it on the document's undo stack. Without undo, or when no
// item took a colour or flag change, the answer is nil.

#include "core/Color.h"
#include "core/Geometry.h"

#include <memory>
#include <vector>

namespace kit {
class Font;
class Object;
}
class Item;
class DocumentView;
class StyleGraphic;
class StyleParagraph;
class TextItem;
class Undo;
struct GxArrow;
struct GxDash;
struct GxFill;
struct GxLine;

// ---- Queries over a selection: the common value, or "mixed".
// The union of the frames (empty for none).
kit::Rect frame(const std::vector<Item*>& items);
// The union of the items' transformed frames.
void getFrameBounds(const std::vector<Item*>& items, kit::Rect* rect);
// The union of what the items draw, in the view's coordinates (through the
// last item's page), grown for knobs when the last item is selected.
void getUpdateBounds(const std::vector<Item*>& items, kit::Rect* rect, const DocumentView* view);
void getUpdateBounds(const std::vector<Item*>& items, kit::Rect* rect, const DocumentView* view, bool knobs);
// NO (mixed) when an item has no single angle or differs from the last
// item's; YES with the last item's angle (0 for none) otherwise.
bool getRotation(const std::vector<Item*>& items, float* degrees);
// The same for both scales (1, 1 for none).
bool getScale(const std::vector<Item*>& items, float* sx, float* sy);
// Every item locked (YES for none).
bool isLocked(const std::vector<Item*>& items);
// NO when a text column does not conform to its master.
bool conformsToMaster(const std::vector<Item*>& items);
// The OR of the items' master codes, and of their graphic permissions.
int masterFlags(const std::vector<Item*>& items);
int checkGraphicPermissions(const std::vector<Item*>& items, int* permissions);
// The graphic style the items share: the first item's, nil when a local
// style meets a named one; named styles of one root answer the root's
// derived style.
StyleGraphic* graphicStyle(const std::vector<Item*>& items);
// The style takes the first item's values; differences gets the mask of the
// attributes where another item's style differs (0x1f7f: all). Answers the
// shared style as graphicStyle does.
StyleGraphic* checkGraphicStyleValues(const std::vector<Item*>& items, StyleGraphic* style, int* differences);
// The font of the last text column's flow; mixed becomes 1 when another
// column's flow has another font. Nil without a column.
kit::Font* getFont(const std::vector<Item*>& items, int* mixed);
// The paragraph style of the text columns, nil when a local style meets
// one based on a named style.
StyleParagraph* paragraphStyle(const std::vector<Item*>& items);

// ---- New lists built from a selection.
// The items with every group followed by its members (and theirs).
std::vector<Item*> expandItemGroups(const std::vector<Item*>& items);
// The locked items into the first list, the others into the second.
const std::vector<Item*>& splitIntoLocked(const std::vector<Item*>& items, std::vector<Item*>* locked,
                                          std::vector<Item*>* unlocked);
// The items whose lock state is the flag; empty (nil) for none.
std::vector<Item*> subsetCopyForLockState(const std::vector<Item*>& items, bool flag);
// The text columns; empty (nil) for none.
std::vector<Item*> subsetCopyForTextItems(const std::vector<Item*>& items);
// The text columns, those inside groups (at any depth) too, in order: what
// leaves its flows when the items leave their page.
std::vector<TextItem*> textColumnsWithin(const std::vector<Item*>& items);

// ---- Geometry (UndoTrans).
std::unique_ptr<Undo> moveBy(const std::vector<Item*>& items, float dx, float dy, bool undo);
// About the centre of the items' drawn bounds.
std::unique_ptr<Undo> rotateBy(const std::vector<Item*>& items, float degrees, bool undo);
std::unique_ptr<Undo> sizeBy(const std::vector<Item*>& items, float dw, float dh, bool undo);
// About the centre of the items' drawn bounds; a factor of 0 changes nothing.
std::unique_ptr<Undo> scaleBy(const std::vector<Item*>& items, float sx, float sy, bool undo);
// The fields the type names (28 x, 29 y, 30 width, 31 height, 32 origin,
// 33 size, 34 all) taken from the rectangle; other types change nothing.
std::unique_ptr<Undo> setFrame(const std::vector<Item*>& items, const kit::Rect& rect, int type, bool undo);
// Each item to the absolute angle, about its own visual centre.
std::unique_ptr<Undo> rotateTo(const std::vector<Item*>& items, float degrees, bool undo);
// Each item to the absolute scale, about its own visual centre.
std::unique_ptr<Undo> scaleTo(const std::vector<Item*>& items, float sx, float sy, bool undo);

// ---- Graphic attributes (UndoStyleGraphic).
// With remove, the items' named styles become local ones instead.
std::unique_ptr<Undo> modifyStyle(const std::vector<Item*>& items, StyleGraphic* style, bool undo, bool remove);
// nil: no fill (no line).
std::unique_ptr<Undo> modifyFill(const std::vector<Item*>& items, const GxFill* fill, bool undo);
std::unique_ptr<Undo> modifyLine(const std::vector<Item*>& items, const GxLine* line, bool undo);
// Type 61 fill colour, 64 line colour, 40 text colour of text columns.
std::unique_ptr<Undo> modifyColor(const std::vector<Item*>& items, const kit::ColorRef& color, int type, bool undo);
std::unique_ptr<Undo> modifyPattern(const std::vector<Item*>& items, std::shared_ptr<const kit::Object> pattern,
                                    bool undo);
// -1 thinner and -2 thicker by the preferences' line-width step; any other
// value is the width itself (a negative one is 0).
std::unique_ptr<Undo> modifyLineWidth(const std::vector<Item*>& items, float width, bool undo);
// Every item's width changed by the step (never below 0).
std::unique_ptr<Undo> changeLineWidthBy(const std::vector<Item*>& items, float step, bool undo);
// Type 63 fill overprint, 66 line overprint, 70 crop, 73 has fill, 74 has line.
std::unique_ptr<Undo> modifyFlag(const std::vector<Item*>& items, bool flag, int type, bool undo);
// nil: the solid line.
std::unique_ptr<Undo> modifyDash(const std::vector<Item*>& items, const GxDash* dash, bool undo);
// Type 68 the start (left) arrow, any other the end (right) arrow; nil: none.
std::unique_ptr<Undo> modifyArrow(const std::vector<Item*>& items, const GxArrow* arrow, int type, bool undo);

// ---- Paragraph settings of text columns (no undo record: always nil).
std::unique_ptr<Undo> modifyRuler(const std::vector<Item*>& items, const StyleParagraph* ruler, bool undo);
std::unique_ptr<Undo> modifyTextStyle(const std::vector<Item*>& items, const StyleParagraph* style, bool undo,
                                      bool remove);
