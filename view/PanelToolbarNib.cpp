// The tool palette's interface file: a column of picture cells, one a tool
// (tags from 1), each targeting its tool with "setActiveTool:", above a
// resize bar; a titled panel without a close button.

#include "view/PanelToolbar.h"

#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/NibLoader.h"
#include "foundation/ApplicationDelegate.h"
#include "graphics/Image.h"
#include "view/ENSMatrix.h"

#include <memory>

namespace {
constexpr float CellWidth = 40;
constexpr float CellHeight = 36;
constexpr float BarHeight = 10;
} // namespace

void RegisterPanelToolbarNib()
{
    kit::NibLoader::registerNib("PanelToolbar.nib", [](kit::NibLoad& load) {
        auto palette = std::make_unique<PanelToolbar>();
        palette->setTitle(Main ? Main->valueForStringKey("Tools") : std::string("Tools"));
        struct Tool {
            DocumentTool* tool;
            const char* image;
        };
        const Tool tools[] = {{palette->selectTool(), "ToolSelect"}, {palette->textTool(), "ToolText"}};
        const int count = static_cast<int>(std::size(tools));
        const float matrixHeight = CellHeight * static_cast<float>(count);
        palette->setContentSize({CellWidth, matrixHeight + BarHeight});

        auto matrix = std::make_unique<kit::CellMatrix>(kit::makeRect(0, BarHeight, CellWidth, matrixHeight),
                                                        kit::MatrixMode::Radio, nullptr, 0, 0);
        matrix->setDrawsButtonCells(true);
        matrix->setCellSize({CellWidth, CellHeight});
        matrix->setIntercellSpacing({0, 0});
        std::vector<std::unique_ptr<kit::Cell>> cells;
        for (int i = 0; i < count; ++i) {
            auto cell = std::make_unique<kit::ButtonCell>();
            cell->setButtonType(kit::ButtonType::PushOnPushOff);
            cell->setTag(i + 1);
            const std::unique_ptr<kit::Image> picture = kit::Image::imageNamed(tools[i].image);
            cell->setImage(picture.get());
            cell->setTarget(dynamic_cast<kit::Receiver*>(tools[i].tool));
            cell->setAction("setActiveTool:");
            cells.push_back(std::move(cell));
        }
        matrix->addColumnWithCells(std::move(cells));
        matrix->selectCellAtRow(0, 0);

        auto bar = std::make_unique<kit::Button>(kit::makeRect(0, 0, CellWidth, BarHeight));
        bar->setBordered(false);
        const std::unique_ptr<kit::Image> grip = kit::Image::imageNamed("ResizeBar");
        bar->setImage(grip.get());

        kit::View* content = palette->contentView();
        content->setAutoresizesSubviews(true);
        auto* placed = static_cast<kit::CellMatrix*>(content->addSubview(std::move(matrix)));
        auto* placedBar = static_cast<kit::Button*>(content->addSubview(std::move(bar)));
        palette->setToolMatrix(placed);
        palette->setToolResizeBar(placedBar);
        palette->awakeFromNib();
        PanelToolbar* made = load.addTopLevelObject(std::move(palette));
        return load.connectOutlet("toolbar", made);
    });
}
