// The paragraph styles list's window: the list in a scroll view and the
// command buttons, with the style editor it opens.

#include "panels/PanelStyles.h"

#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/NibLoader.h"
#include "appkit/ScrollView.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/StyleInfo.h"
#include "panels/PanelStylesEditor.h"

namespace {

constexpr auto& text = applicationString;

constexpr float PanelWidth = 220;
constexpr float PanelHeight = 300;
constexpr float ButtonHeight = 24;

} // namespace

void PanelStyles::initialize()
{
    kit::NibLoader::registerNib("PanelStyles.nib", [](kit::NibLoad& load) {
        auto panel = std::make_unique<PanelStyles>();
        PanelStyles* owner = panel.get();
        owner->setTitle(text("Paragraph Styles", "Paragraph Styles"));
        owner->setStyleType(StyleInfo::ParagraphStyleType);
        kit::View* content = owner->contentView();

        // Two rows of buttons under the list.
        const float listBottom = 10 + 2 * (ButtonHeight + 6);
        auto scroll = std::make_unique<kit::ScrollView>(
            kit::makeRect(10, listBottom, PanelWidth - 20, PanelHeight - listBottom - 10));
        scroll->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        auto matrix = std::make_unique<kit::CellMatrix>(kit::makeRect(0, 0, PanelWidth - 40, 18));
        matrix->setCellSize({PanelWidth - 40, 18});
        owner->setOutlet("styleMatrix", matrix.get());
        scroll->setDocumentView(std::move(matrix));
        owner->setOutlet("scrollView", content->addSubview(std::move(scroll)));

        struct Command {
            const char* key;
            const char* action;
            int row; // 1 upper, 0 lower
            int column;
        };
        const Command commands[] = {{"New", "new:", 1, 0},
                                    {"Duplicate", "duplicate:", 1, 1},
                                    {"Delete", "delete:", 0, 0},
                                    {"Edit", "edit:", 0, 1},
                                    {"Apply", "apply:", 0, 2}};
        for (const Command& command : commands) {
            const float across = command.row == 1 ? 2.0f : 3.0f;
            const float width = (PanelWidth - 20 - 6 * (across - 1)) / across;
            const float x = 10 + float(command.column) * (width + 6);
            const float y = 10 + float(command.row) * (ButtonHeight + 6);
            auto button = std::make_unique<kit::Button>(kit::makeRect(x, y, width, ButtonHeight),
                                                        text(command.key, command.key));
            button->setTarget(owner);
            button->setAction(command.action);
            kit::View* made = content->addSubview(std::move(button));
            if (std::string(command.action) == "apply:")
                owner->setOutlet("applyButton", made);
        }
        // The kit tells no window delegate of key changes: Return stays the
        // Apply button's key, which only a key panel sees.
        owner->windowDidBecomeKey(owner);

        auto* host = load.ownerAs<PanelHost>();
        std::unique_ptr<PanelStylesEditor> editor = makePanelStylesEditor(host);
        if (editor) {
            owner->setEditPanel(editor.get());
            owner->keepEditPanel(std::move(editor));
        }
        if (host)
            owner->setPanelHost(host);

        PanelStyles* made = load.addTopLevelObject(std::move(panel));
        made->setFloatingPanel(true);
        made->init(load.owner());
        return load.connectOutlet("stylesPanel", made);
    });
}
