#pragma once

// The panels and inspectors that follow the main document, as the document
// reaches them: through the application's panel registry, whose getters
// answer nil for a panel that does not exist (or is not made on request).
// Until the application installs its registry every getter answers nil, and
// a notice to a nil panel does nothing.

#include "core/Geometry.h"

#include <string>
#include <vector>

class Item;
class LayoutDocument;
class Page;
class StyleGraphic;
class StyleParagraph;
class ToolPalette;

namespace kit {
class Object;
class OpenPanel;
class View;
}

// What the document tells an inspector or panel. Each notice has a default
// that ignores it: a panel answers those it cares about.
class DocumentPanel {
public:
    virtual ~DocumentPanel() = default;
    // On screen.
    virtual bool isVisible() const = 0;
    // Show the selection.
    virtual void inspect(const std::vector<Item*>& selection) { (void)selection; }
    // Show the selection; nil: show nothing in particular (reload).
    virtual void inspectSelection(const std::vector<Item*>* selection) { (void)selection; }
    virtual void inspectStyle(const StyleGraphic* style) { (void)style; }
    // Measurements are shown anew (the document's units changed).
    virtual void updatePanel(LayoutDocument* document) { (void)document; }
    // The style's entry is drawn again.
    virtual void notifyUpdateForStyle(const StyleGraphic* style) { (void)style; }
    virtual void notifyUpdateForStyle(const StyleParagraph* style) { (void)style; }
};

// An object whose document notices go to a part of it: an inspector whose
// own inspectSelection answers the inspector window.
class DocumentPanelOwner {
public:
    virtual ~DocumentPanelOwner() = default;
    virtual DocumentPanel* documentPanel() = 0;
};

// The object's document panel: itself, or the part it hands them to.
DocumentPanel* documentPanelOf(kit::Object* object);

// The pages panel: the page list of the main document.
class PagesPanel : public DocumentPanel {
public:
    virtual void setActivePage(Page* page) = 0;
    // The page list is read again.
    virtual void notifyDocumentDidChangeSize() = 0;
    // The page numbers shown are drawn again.
    virtual void redisplayContent() = 0;
};

// The page-layout accessory: the document's own settings shown below the
// paper settings of the page layout panel. Tile modes 3 and 4 stand for 0
// and 2 with facing pages.
class PageLayoutAccessory {
public:
    virtual ~PageLayoutAccessory() = default;
    // The view the panel shows (nil: none).
    virtual kit::View* view() = 0;
    virtual void setUnitName(const std::string& name) = 0;
    virtual void setSidedMode(int mode) = 0;
    virtual int sidedMode() const = 0;
    virtual void setTileMode(int mode) = 0;
    virtual int tileMode() const = 0;
    virtual void setPageNumber(int number) = 0;
    virtual int pageNumber() const = 0;
    virtual void setPageNumberFormat(short format) = 0;
    virtual short pageNumberFormat() const = 0;
    // Shows the document's default tab spacing in its units.
    virtual void setDefaultTabInfo(const LayoutDocument* document) = 0;
    // The typed tab spacing, from the document's units to points.
    virtual float defaultTabFromDocument(const LayoutDocument* document) const = 0;
};

// The move-by panel.
class MoveByPanel {
public:
    static constexpr int OK = 1;
    static constexpr int Clone = -1;

    virtual ~MoveByPanel() = default;
    // OK, Clone, or anything else for a cancel.
    virtual int runModal() = 0;
    // The offset typed, in the document's units.
    virtual void getX(float* x, float* y) const = 0;
};

// The modal dialog that asks for one page number.
class GotoPagesPanel {
public:
    // The code of a run ended by OK.
    static constexpr int Stop = -1000;

    virtual ~GotoPagesPanel() = default;
    // 1: go to a page; 2: view a page.
    virtual void setViewType(int type) = 0;
    virtual void setPageNumberFirst(int first, int last) = 0;
    virtual void setActivePageNumber(int number) = 0;
    virtual int runModal() = 0;
    // The page number chosen.
    virtual int toPage() const = 0;
};

// The find and replace panel, as the canvas's find commands reach it.
class FindPanel {
public:
    virtual ~FindPanel() = default;
    virtual void findNext(kit::Object* sender) = 0;
    virtual void findPrevious(kit::Object* sender) = 0;
};

// The options of importing a PostScript file of several pages.
class ImportPanel {
public:
    virtual ~ImportPanel() = default;
    virtual bool importLock() const = 0;
    virtual bool importAbove() const = 0;
    virtual bool importCenter() const = 0;
    // Per cent.
    virtual int importScale() const = 0;
    // 1 for OK.
    virtual int runModal() = 0;
};

// The application's panel registry. Every getter of this base answers nil.
class DocumentPanels {
public:
    virtual ~DocumentPanels() = default;

    virtual DocumentPanel* inspectorPanel() { return nullptr; }
    virtual DocumentPanel* lineEditorPanel() { return nullptr; }
    virtual DocumentPanel* paragraphStylesPanel() { return nullptr; }
    virtual DocumentPanel* graphicStylesPanel() { return nullptr; }
    virtual DocumentPanel* graphicsInspector() { return nullptr; }
    virtual DocumentPanel* paragraphInspector() { return nullptr; }
    virtual DocumentPanel* placementInspector() { return nullptr; }
    // create: made when it does not exist yet.
    virtual DocumentPanel* linksPanel(bool create) { (void)create; return nullptr; }
    virtual DocumentPanel* tabsPanel(bool create) { (void)create; return nullptr; }
    virtual PagesPanel* pagesPanel(bool create) { (void)create; return nullptr; }
    virtual PageLayoutAccessory* pageLayoutAccessory(bool create) { (void)create; return nullptr; }
    virtual MoveByPanel* moveByPanel(bool create) { (void)create; return nullptr; }
    virtual GotoPagesPanel* gotoPagesPanel(bool create) { (void)create; return nullptr; }
    virtual FindPanel* findPanel(bool create) { (void)create; return nullptr; }
    // The open panel of the Place command.
    virtual kit::OpenPanel* placePanel(bool create) { (void)create; return nullptr; }
    virtual ImportPanel* importPanel(bool create) { (void)create; return nullptr; }
    // The links panel shows the main document's graphic links again.
    virtual void updateLinksPanel() {}
    // The toolbar's tools (nil: none; the selection tool then acts).
    virtual ToolPalette* toolbar() { return nullptr; }

    // The registry in use: the application's, or one that answers nil.
    static DocumentPanels& shared();
    // Installs a registry (not owned; nil: none again).
    static void setShared(DocumentPanels* panels);
};
