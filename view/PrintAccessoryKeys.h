#pragma once

// The print accessory's fields, kept in a document's print settings under
// keys of their own: the accessory panel shows and sets them, printing
// reads them. Switches are ints (0 off), the halftone values doubles.

#include "graphics/PrintInfo.h"

inline constexpr const char* PrintCropMarksKey = "ScrivlyPrintCropMarks";
inline constexpr const char* PrintBleedKey = "ScrivlyPrintBleed";
inline constexpr const char* PrintNegativeKey = "ScrivlyPrintNegative";
inline constexpr const char* PrintEmulsionDownKey = "ScrivlyPrintEmulsionDown";
inline constexpr const char* PrintColorPreviewKey = "ScrivlyPrintColorPreview";
inline constexpr const char* PrintHalftoneFrequencyKey = "ScrivlyPrintHalftoneFrequency";
inline constexpr const char* PrintHalftoneAngleKey = "ScrivlyPrintHalftoneAngle";
inline constexpr const char* PrintPlateKey = "ScrivlyPrintPlate"; // the plate matrix's tag

// A switch of the accessory: 0 when absent or not a number.
inline int printAccessorySwitch(const kit::PrintInfo& info, const char* key)
{
    if (auto v = info.intForKey(key))
        return *v;
    if (auto b = info.boolForKey(key))
        return *b ? 1 : 0;
    return 0;
}
