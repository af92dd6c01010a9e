#pragma once

// The program's private pasteboard types and the type and file-extension
// lists that pasting, services and importing use.

#include <functional>
#include <string>
#include <vector>

extern const char* const LayvanePboardType;
extern const char* const LayvanePboardTypeTEXT;
extern const char* const GxDimensionsPboardType;
extern const char* const GxGraphicsPboardType;
extern const char* const GxParagraphPboardType;
extern const char* const GxAdobePboardType;
extern const char* const ZynICFPboardType;
extern const char* const ZynHTMLPboardType;

// True for an extension the platform's image classes read.
bool matchImportType(const std::string& extension);

// "rtf", "rtfd", then what the filter services convert into the interchange
// format and into RTFD. Cached.
const std::vector<std::string>& getTextImportTypes();
bool matchTextImportType(const std::string& extension);
// Who answers the file extensions that convert into a pasteboard type: the
// document layer's contents wrapper installs itself here.
using OpenFileTypesForType = std::function<std::vector<std::string>(const std::string& pboardType)>;
void setOpenFileTypesForType(OpenFileTypesForType provider);

const std::vector<std::string>& getPastePboardTypes();
const std::vector<std::string>& getServiceSendPboardTypes();
const std::vector<std::string>& getServiceSendPboardTypesNoText();

bool includesType(const std::vector<std::string>& types, const std::string& type);
// The first paste type, in the paste list's order, that is offered; empty
// when none is.
std::string getPasteType(const std::vector<std::string>& offered);

// "ai", "eqn", "rib", "ps".
bool isKnownEPSFileExtension(const std::string& extension);
// The extensions opened as EPS images: "eps", "eqn", "ai".
const std::vector<std::string>& imageUnfilteredFileTypes();
