// The import/export module that the program loads from the resources folder
// ("Convala.bundle/Convala.so").
//
// Seam: the bundle's principal class comes with the program's bundle loader.
// Its entry point runs ConvalaClasses::initialize() and then sets the
// program's hooks: writeRTF: of the text selection, dispatchMarkup:lostData:,
// dispatchRTFStream:, saveForeignFile:withBackup: and the paragraph step
// before a character is added. Until then the module carries the markup
// framework and sets nothing, and the program works without it.

#include "bundles/convala/markup/ConvalaClasses.h"
