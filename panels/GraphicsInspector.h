#pragma once

// The Graphics pane of the inspector: fill and line with their colours and
// the line width, the graphic style, runaround with its standoff, the
// item's name, lock, rotation and scale, and the file a picture comes from,
// for the main document's selection (or the in-line graphics of the text
// being edited). Fill, line, colour and width changes apply at once with an
// undo record each; runaround, a typed width, rotation and scale wait for
// OK. The graphic styles panel also shows a style here.

#include "foundation/SelectionPanel.h"
#include "panels/DocumentInspector.h"
#include "view/PageView.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class Box;
class Button;
class Image;
class ColorWell;
class PopUpButton;
class TextField;
class View;
}
class StyleGraphic;
class StyleGraphicNamed;
class StyleInfo;
class TextWordSpecial;
class Undo;

class GraphicsInspector : public DocumentInspector, public SelectionPanel, public StyleSource {
public:
    // Bits of differences and permissions.
    static constexpr int FillColorDiffers = 0x02;
    static constexpr int LineColorDiffers = 0x10;
    static constexpr int LineWidthDiffers = 0x20;
    static constexpr int CanFill = 0x02;
    static constexpr int CanLine = 0x04;
    // Controls that follow the fill (line) switch, and those that follow
    // whether the items take a fill (line) at all.
    static constexpr int HasStateTag = 10;
    static constexpr int CanStateTag = 11;
    // The rotate button that turns the other way.
    static constexpr int RotateClockwiseTag = 22;
    static constexpr int RotateCounterTag = 15;
    // The preview's ground behind a white fill or line.
    static constexpr float WhiteGround = 0.8333f;

    // Registers the class by its name and the builder of its interface
    // file "GraphicsInspector".
    static void initialize();

    GraphicsInspector();
    ~GraphicsInspector() override;
    std::string className() const override { return "GraphicsInspector"; }

    ZynInspector* init(kit::Object* owner) override;
    void setPanelHost(PanelHost* host) override;

    // ---- Showing.
    // W empty: the fields empty; else the values the items share (mixed
    // ones empty or light grey). Self for a selection with elements.
    kit::Object* showSelection(const std::vector<Item*>* selection) override;
    void inspectStyle(const StyleGraphic* style) override;
    // The pictures of the in-line graphics of the text being edited when
    // the first object is a text frame whose text selection holds some;
    // else the selection itself.
    std::vector<Item*> workingSelection(const std::vector<Item*>& selection) const;
    void setFieldValues();
    void setHasFillState(bool flag);
    void setCanFillState(bool flag);
    void setHasLineState(bool flag);
    void setCanLineState(bool flag);
    void setStyleNameValue(const StyleGraphic* style);
    void _loadStyleInfo();
    void setIconForFilename(const std::optional<std::string>& path);
    void setRotate(float degrees);
    void setScale(float sx, float sy);
    // Draws the preview when it can be drawn.
    void drawMiniView();
    // The preview into the current context: the ground, the fill and a
    // stroke of the line.
    void drawPreview(const kit::Rect& bounds) const;
    void _setRunaroundEnabled(bool flag);
    void _setRotationEnabled(bool flag);

    // ---- Actions.
    void setStyle(kit::Object* sender);
    void changeFill(kit::Object* sender);
    void changeFillColor(kit::Object* sender);
    void changeFillPattern(kit::Object* sender);
    void changeLine(kit::Object* sender);
    void changeLineColor(kit::Object* sender);
    // A width that is no finite number from 0 to the page's larger side
    // beeps and changes nothing.
    void changeLineWidth(kit::Object* sender);
    void changeLineWidthFromPopup(kit::Object* sender);
    void nudgeLineWidth(kit::Object* sender);
    void applyLineWidth(kit::Object* sender);
    void changeName(kit::Object* sender);
    void lock(kit::Object* sender);
    void rotateItem(kit::Object* sender);
    void increaseStandoffLeft(kit::Object* sender);
    void decreaseStandoffLeft(kit::Object* sender);
    void runaroundToggle(kit::Object* sender);
    void setRunaround(bool flag, float left, float right, float top, float bottom, int flowSide);
    void setFlowSide(kit::Object* sender);
    void applyStyle(kit::Object* sender);
    void ok(kit::Object* sender) override;
    void swapOut(kit::Object* sender) override;

    // ---- SelectionPanel: the text engine's notices.
    bool selectionPanelIsVisible() const override { return isVisible(); }
    void inspectSelectedItems(const std::vector<Item*>* items) override;

    // ---- What the pane holds.
    kit::Object* currentStyle() const override;
    StyleGraphicNamed* currentGraphicStyle() const { return currentStyle_.get(); }
    StyleInfo* styleInfo() const;
    std::vector<StyleGraphic*> styles() const;
    int differences() const { return differences_; }
    int permissions() const { return permissions_; }
    const StyleGraphic* oldStyle() const { return oldStyle_; }
    float selectedAngle() const { return selectedAngle_; }
    float selectedScaleX() const { return selectedScaleX_; }
    float selectedScaleY() const { return selectedScaleY_; }
    bool hasFieldAngle() const { return hasFieldAngle_; }
    bool hasFieldScale() const { return hasFieldScale_; }
    // How a width is written: "%f" without its trailing zeros, one digit
    // kept after the point.
    static std::string formatWidth(float width);
    // The ground of the preview for the style: white, or light grey when
    // the fill or line is (nearly) white.
    static float miniViewGround(const StyleGraphic& style);

    // ---- Outlets of the interface file.
    bool setOutlet(const std::string& name, kit::Object* object) override;
    kit::PopUpButton* stylePopupButton() const;
    kit::View* drawView() const;
    kit::Button* fillButton() const;
    kit::ColorWell* fillColor() const;
    kit::Button* lineButton() const;
    kit::ColorWell* lineColor() const;
    kit::TextField* widthField() const;
    kit::PopUpButton* widthPullDown() const;
    kit::Button* runaround() const;
    kit::TextField* standoffLeft() const;
    kit::Button* iconButton() const;
    kit::TextField* fileTitle() const;
    kit::TextField* pathField() const;
    kit::Button* lockButton() const;
    kit::TextField* nameField() const;
    kit::TextField* rotationField() const;
    kit::Button* rotateCounterButton() const;
    kit::Button* rotateClockwiseButton() const;
    kit::TextField* scaleField() const;

private:
    static void registerInterfaceFile();
    struct Working;
    Working working(const std::vector<Item*>& selection) const;
    // Runs an immediate change on a copy of the working selection and
    // pushes its record; nothing without a selection.
    void changeImmediately(const std::function<std::unique_ptr<Undo>(const std::vector<Item*>&)>& change,
                           bool invalidateFirst = false);
    void showFile(const std::vector<Item*>& working, const std::vector<TextWordSpecial*>& words);
    // The largest width or standoff the main document's pages take.
    float largestMeasure() const;
    // The field's text as a finite number, nothing otherwise.
    static std::optional<float> fieldNumber(const kit::TextField* field);
    void writeWidth(float width);

    kit::WeakRef<kit::PopUpButton> stylePopupButton_;
    kit::WeakRef<kit::View> drawView_;
    kit::WeakRef<kit::Button> fillButton_;
    kit::WeakRef<kit::ColorWell> fillColor_;
    kit::WeakRef<kit::Button> lineButton_;
    kit::WeakRef<kit::ColorWell> lineColor_;
    kit::WeakRef<kit::TextField> widthField_;
    kit::WeakRef<kit::PopUpButton> widthPullDown_;
    int differences_ = 0;
    int permissions_ = 0xF;
    // Kept for the life of the inspector, whatever document closes.
    std::unique_ptr<StyleGraphicNamed> currentStyle_;
    const StyleGraphic* oldStyle_ = nullptr;
    kit::WeakRef<kit::Button> runaround_;
    kit::WeakRef<kit::TextField> standoffLeft_;
    kit::WeakRef<kit::Button> iconButton_;
    kit::WeakRef<kit::TextField> fileTitle_;
    kit::WeakRef<kit::TextField> pathField_;
    kit::WeakRef<kit::Button> lockButton_;
    kit::WeakRef<kit::TextField> nameField_;
    kit::WeakRef<kit::TextField> rotationField_;
    kit::WeakRef<kit::Button> rotateCounterButton_;
    kit::WeakRef<kit::Button> rotateClockwiseButton_;
    kit::WeakRef<kit::TextField> scaleField_;
    float fieldAngle_ = 0;
    float fieldScaleX_ = 100, fieldScaleY_ = 100;
    float selectedAngle_ = 0;
    float selectedScaleX_ = 100, selectedScaleY_ = 100;
    bool immediate_ = false;
    bool disableInspect_ = false;
    bool disableFillButton_ = false;
    bool disableLineButton_ = false;
    bool hasFieldAngle_ = false;
    bool hasFieldScale_ = false;
    // Blank cells for the fields the file left unset.
    std::vector<std::unique_ptr<kit::TextField>> ownFields_;
    std::unique_ptr<kit::Image> icon_;
    PanelHost* host_ = nullptr;
};
