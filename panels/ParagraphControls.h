#pragma once

// The controls that show a paragraph's format, as the paragraph inspector
// and the style editor both hold them, and the names their interface files
// give them.

#include <string>

namespace kit {
class CellMatrix;
class ColorWell;
class Control;
class Object;
class TextField;
}

struct ParagraphControls {
    // Takes the control a name of the shared set names; false for others.
    bool setParagraphControl(const std::string& name, kit::Object* object);
    // The control of that name (nil: none, or not one of the set).
    kit::Control* paragraphControl(const std::string& name) const;

    kit::CellMatrix* alignment_ = nullptr;
    kit::Control* ligatures_ = nullptr;
    kit::Control* hungPunctuation_ = nullptr;
    kit::Control* autoKern_ = nullptr;
    kit::Control* hyphenate_ = nullptr;
    kit::CellMatrix* widowControl_ = nullptr;
    kit::Control* wordSpace_ = nullptr;
    kit::TextField* fontField_ = nullptr;
    kit::Control* tracking_ = nullptr;
    kit::Control* leading_ = nullptr;
    kit::Control* autoLeading_ = nullptr;
    kit::Control* lineSpacing_ = nullptr;
    kit::Control* indentLeft_ = nullptr;
    kit::Control* indentRight_ = nullptr;
    kit::Control* indentDeltaFirst_ = nullptr;
    kit::Control* spaceBefore_ = nullptr;
    kit::Control* spaceAfter_ = nullptr;
    kit::Control* spaceBetween_ = nullptr;
    kit::Control* startColumnTop_ = nullptr;
    kit::Control* autonumberLevel_ = nullptr;
    kit::ColorWell* textColor_ = nullptr;
    kit::TextField* bulletText_ = nullptr;
};
