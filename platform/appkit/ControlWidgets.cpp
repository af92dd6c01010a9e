#include "appkit/ControlWidgets.h"

#include "appkit/TextFieldCell.h"
#include "core/Formatter.h"
#include "graphics/Font.h"
#include "graphics/Image.h"

#include <QCheckBox>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include <algorithm>

namespace kit::detail {

namespace {

QString qtTitle(const std::string& title)
{
    // Qt takes "&" for a mnemonic mark.
    QString t = QString::fromStdString(title);
    t.replace("&", "&&");
    return t;
}

QColor qtColor(const ColorRef& color, QColor fallback)
{
    if (!color)
        return fallback;
    float r, g, b;
    color->getRed(r, g, b);
    return QColor::fromRgbF(r, g, b, color->alphaComponent());
}

Qt::Alignment qtAlignment(TextAlignment a)
{
    switch (a) {
    case TextAlignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// The formatter's partial check, as Qt's line editor asks it. The cell is
// asked each time, so a formatter set later counts too.
class FormatterValidator : public QValidator {
public:
    FormatterValidator(const Cell& cell, QObject* parent) : QValidator(parent), cell_(cell) {}

    State validate(QString& input, int&) const override
    {
        Formatter* f = cell_.formatter();
        if (!f)
            return Acceptable;
        return f->isPartialStringValid(input.toStdString(), nullptr) ? Intermediate : Invalid;
    }

private:
    const Cell& cell_;
};

bool isCheckBox(ButtonType t)
{
    return t == ButtonType::Switch;
}

bool isRadio(ButtonType t)
{
    return t == ButtonType::Radio;
}

// The picture as the button's icon, at its size (one pixel a point); none
// while it is still being rendered.
void showButtonImage(QAbstractButton* b, Image* picture)
{
    const ImagePixels* pixels = picture ? picture->cachedPixels() : nullptr;
    if (!pixels || pixels->model != ImagePixels::Model::ARGB32 || !pixels->isValid()) {
        b->setIcon(QIcon());
        return;
    }
    QImage image(pixels->data, pixels->width, pixels->height, static_cast<qsizetype>(pixels->bytesPerRow),
                 QImage::Format_ARGB32_Premultiplied);
    b->setIcon(QIcon(QPixmap::fromImage(image.copy())));
    b->setIconSize(QSize(pixels->width, pixels->height));
}

} // namespace

QAbstractButton* makeButtonWidget(ButtonType type)
{
    QAbstractButton* b;
    if (isCheckBox(type))
        b = new QCheckBox;
    else if (isRadio(type))
        b = new QRadioButton;
    else
        b = new QPushButton;
    // Radio buttons of one matrix exclude each other through the kit, not Qt.
    b->setAutoExclusive(false);
    return b;
}

bool sameButtonWidget(ButtonType a, ButtonType b)
{
    return isCheckBox(a) == isCheckBox(b) && isRadio(a) == isRadio(b);
}

void showButtonCell(QAbstractButton* b, const ButtonCell& c)
{
    b->setText(qtTitle(c.displayedTitle()));
    b->setEnabled(c.isEnabled());
    b->setDown(c.isHighlighted());
    if (auto* box = qobject_cast<QCheckBox*>(b)) {
        box->setTristate(c.allowsMixedState());
        box->setCheckState(c.state() == OnState      ? Qt::Checked
                           : c.state() == MixedState ? Qt::PartiallyChecked
                                                     : Qt::Unchecked);
    } else {
        b->setCheckable(c.togglesState());
        b->setChecked(c.state() != OffState);
    }
    showButtonImage(b, c.displayedImage());
    if (auto* push = qobject_cast<QPushButton*>(b)) {
        push->setFlat(!c.isBordered());
        // Return's button shows it is the default one.
        push->setDefault(c.keyEquivalent() == "\r");
    }
    applyFont(b, c.font());
}

QLineEdit* makeLineEdit(const Cell& cell)
{
    auto* edit = new QLineEdit;
    edit->setValidator(new FormatterValidator(cell, edit));
    return edit;
}

void showTextCell(QLineEdit* e, const Cell& c)
{
    QString text = QString::fromStdString(c.stringValue());
    if (e->text() != text)
        e->setText(text);
    e->setEnabled(c.isEnabled());
    e->setReadOnly(!c.isEditable());
    e->setFrame(c.isBezeled() || c.isBordered());
    e->setAlignment(qtAlignment(c.alignment()));
    QPalette p = e->palette();
    if (auto* t = dynamic_cast<const TextFieldCell*>(&c)) {
        e->setPlaceholderText(QString::fromStdString(t->placeholderString()));
        p.setColor(QPalette::Text, qtColor(t->textColor(), Qt::black));
        p.setColor(QPalette::Base,
                   t->drawsBackground() ? qtColor(t->backgroundColor(), Qt::white) : QColor(Qt::transparent));
    }
    e->setPalette(p);
    applyFont(e, c.font());
}

void applyFont(QWidget* widget, const Font* font)
{
    if (!font)
        return;
    QFont qf(QString::fromStdString(font->familyName()));
    qf.setPixelSize(std::max(1, static_cast<int>(font->pointSize() + 0.5f)));
    if (font->traits() & 0x2)
        qf.setBold(true);
    if (font->traits() & 0x1)
        qf.setItalic(true);
    widget->setFont(qf);
}

} // namespace kit::detail
