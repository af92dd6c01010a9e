#pragma once

// The list of the main document's graphic links (placed pictures and
// in-line graphic words), one row each: status, name, page, date and size.
// Below it the chosen row's file, folder and icon, and the commands that
// open, replace or break the link, or show the linked picture in the
// document. It lives in the links panel, not in the inspector window.

#include "core/WeakLink.h"
#include "panels/ZynInspector.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kit {
class Box;
class Button;
class Cell;
class CellMatrix;
class Image;
class PopUpButton;
class ScrollView;
class TextField;
class View;
class Window;
}
class GraphicLink;
class LinkCell;
class LinksInfo;
class TextWord;

class LinksInspector : public ZynInspector {
public:
    // Sort orders, as the pop-up's item indexes and tags.
    static constexpr int SortByName = 0;
    static constexpr int SortByPage = 1;
    static constexpr int SortByStatus = 2;
    static constexpr int SortByType = 3;

    LinksInspector();
    ~LinksInspector() override;
    std::string className() const override { return "LinksInspector"; }

    // Its views come with the links panel's file: takes the column places
    // from the sample row, removes it and makes the list.
    LinksInspector* init(kit::Object* sender) override;
    void createScrollingMatrix();
    // The main document's list; nil without one.
    LinksInfo* linksInfo() const;

    // Sorts and lists the main document's links again, then shows its
    // selection; nil while a click in the list changes that selection.
    kit::Object* inspectSelection(const std::vector<Item*>* selection) override;
    kit::Object* inspect(kit::Object* sender);
    // The rows of the in-line graphics of the edited text.
    void inspectWords(const std::vector<TextWord*>* words);
    void fillMatrix();
    void loadCellAt(int index);

    void sortByType(int type);
    void sort(kit::Object* sender);
    void singleAction(kit::Object* sender);
    void doubleAction(kit::Object* sender);
    void nextItem(kit::Object* sender);
    void previousItem(kit::Object* sender);
    bool multipleCellsSelected();
    bool isLinked();
    bool isObjectLinked();
    void setIconForFilename(const std::optional<std::string>& path);
    void setMultipleIcon();
    bool showSelection(kit::Object* sender);

    void openFile(kit::Object* sender);
    void replaceFile(kit::Object* sender);
    void break_(kit::Object* sender);
    void ok(kit::Object* sender) override;

    // ---- The visits of the selected rows (each cell a row).
    void incrementCount(kit::Cell* cell);
    void checkLink(kit::Cell* cell);
    void checkObjectLink(kit::Cell* cell);
    void checkPathname(kit::Cell* cell);
    void findCommonPathname();
    void openFileForCell(kit::Cell* cell);
    bool replaceFileForCell(kit::Cell* cell);
    bool breakForCell(kit::Cell* cell);
    void updateForCell(kit::Cell* cell);

    // ---- What is shown.
    kit::CellMatrix* matrix() const { return matrix_; }
    LinkCell* cellAt(int row) const;
    // The link of a row; nil outside the list or once the link is gone.
    GraphicLink* linkAtRow(int row) const;
    // The row of a link; -1 when it is not listed.
    int rowOfLink(const GraphicLink* link) const;
    std::vector<int> selectedRows() const;
    bool blockLoad() const { return blockLoad_; }
    const std::vector<kit::Object*>& updateList() const { return updateList_; }
    const std::optional<std::string>& path() const { return path_; }
    kit::TextField* fileTitle() const { return fileTitle_; }
    kit::TextField* pathField() const { return pathField_; }
    kit::TextField* pathTitle() const { return pathTitle_; }
    kit::Button* iconButton() const { return iconButton_; }
    kit::Image* iconImage() const { return iconImage_; }
    kit::Button* breakButton() const { return breakButton_; }
    kit::Button* openButton() const { return openButton_; }
    kit::Button* replaceButton() const { return replaceButton_; }
    kit::PopUpButton* sortPopup() const { return sortPopup_; }

    // A picture of the resources by name, read once.
    std::shared_ptr<kit::Image> statusImage(const std::string& name);

    // The outlets of the links panel's file.
    bool setOutlet(const std::string& name, kit::Object* object) override;

private:
    LinksInfo* listed() const;
    void loadCell(int index, bool draw);
    // The text of a string key (the key itself without an application).
    static std::string text(const char* key);
    void visitSelected(const char* selector);
    void noteUpdated(kit::Object* object);
    // Selects the rows of these links (the first as the selected cell).
    void selectLinks(const std::vector<const GraphicLink*>& links);

    kit::Window* window_ = nullptr;
    kit::View* view_ = nullptr;
    kit::Box* entryBox_ = nullptr;
    kit::View* entryButton_ = nullptr;
    kit::View* entryName_ = nullptr;
    kit::View* entryPage_ = nullptr;
    kit::View* entryChange_ = nullptr;
    kit::View* entrySize_ = nullptr;
    kit::PopUpButton* sortPopup_ = nullptr;
    kit::Button* breakButton_ = nullptr;
    kit::Button* openButton_ = nullptr;
    kit::Button* replaceButton_ = nullptr;
    kit::Image* iconImage_ = nullptr;
    kit::Button* iconButton_ = nullptr;
    kit::TextField* fileTitle_ = nullptr;
    kit::TextField* pathField_ = nullptr;
    kit::TextField* pathTitle_ = nullptr;
    kit::ScrollView* scrollView_ = nullptr;
    kit::CellMatrix* matrix_ = nullptr; // the scroll view's document view
    std::vector<kit::Object*> updateList_;
    int selectedCount_ = 0;
    std::optional<std::string> path_;
    bool pathDiffers_ = false;
    bool isLinked_ = false;
    bool isObjectLinked_ = false;
    bool blockLoad_ = false;
    // The sample row, once taken out of the panel.
    std::unique_ptr<kit::View> removedEntry_;
    // The links as listed, by row; a link that goes reads nil.
    std::vector<kit::WeakLink<GraphicLink>> rows_;
    std::unordered_map<const GraphicLink*, int> rowOf_;
    // The list's document when it was listed, to tell a stale list.
    const LinksInfo* listedInfo_ = nullptr;
    std::unordered_map<std::string, std::shared_ptr<kit::Image>> images_;
    std::shared_ptr<kit::Image> multipleImage_;
    // Files that could not be read by the last Break.
    std::vector<std::string> unbroken_;
};
