#pragma once

#include "appkit/ButtonCell.h"

class QAbstractButton;
class QFont;
class QLineEdit;
class QWidget;

namespace kit {
class Font;
class TextFieldCell;
}

namespace kit::detail {

// The Qt widgets that show button and text cells, shared by the single-cell
// controls and the matrices: one way to make them, one way to show a cell.
QAbstractButton* makeButtonWidget(ButtonType type);
// Whether a button of the type needs another kind of widget than one of the other.
bool sameButtonWidget(ButtonType a, ButtonType b);
void showButtonCell(QAbstractButton* button, const ButtonCell& cell);
QLineEdit* makeLineEdit(const Cell& cell);
void showTextCell(QLineEdit* edit, const Cell& cell);
// A kit font as Qt's (points as pixels, as the window's image counts them).
void applyFont(QWidget* widget, const Font* font);

} // namespace kit::detail
