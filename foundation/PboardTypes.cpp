#include "foundation/PboardTypes.h"

#include "core/ImageFileTypes.h"
#include "core/Pasteboard.h"

#include <algorithm>
#include <optional>

const char* const LayvanePboardType = "Layvane Item Pasteboard Type";
const char* const LayvanePboardTypeTEXT = "Layvane Text Pasteboard Type";
const char* const GxDimensionsPboardType = "Dimensions Pasteboard Type";
const char* const GxGraphicsPboardType = "Graphics Pasteboard Type";
const char* const GxParagraphPboardType = "Paragraph Pasteboard Type";
const char* const GxAdobePboardType = "Adobe Illustrator Pasteboard Type";
const char* const ZynICFPboardType = "ZYN ICF pasteboard type";
const char* const ZynHTMLPboardType = "ZYN HTML pasteboard type";

namespace {
OpenFileTypesForType& openFileTypesProvider()
{
    static OpenFileTypesForType provider;
    return provider;
}

std::optional<std::vector<std::string>>& textImportTypes()
{
    static std::optional<std::vector<std::string>> types;
    return types;
}

bool contains(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}
} // namespace

bool matchImportType(const std::string& extension)
{
    return contains(kit::ImageFileTypes::imageFileTypes(), extension);
}

void setOpenFileTypesForType(OpenFileTypesForType provider)
{
    openFileTypesProvider() = std::move(provider);
    textImportTypes().reset();
}

const std::vector<std::string>& getTextImportTypes()
{
    auto& cached = textImportTypes();
    if (!cached) {
        std::vector<std::string> types{"rtf", "rtfd"};
        if (auto& provider = openFileTypesProvider()) {
            for (const char* pboardType : {ZynICFPboardType, kit::RTFDPboardType})
                for (auto& extension : provider(pboardType))
                    types.push_back(extension);
        }
        cached = std::move(types);
    }
    return *cached;
}

bool matchTextImportType(const std::string& extension) { return contains(getTextImportTypes(), extension); }

const std::vector<std::string>& getPastePboardTypes()
{
    static const std::vector<std::string> types{
        LayvanePboardType,        LayvanePboardTypeTEXT,      GxDimensionsPboardType,
        GxGraphicsPboardType,     GxParagraphPboardType,      kit::RTFDPboardType,
        kit::RTFPboardType,       kit::PostScriptPboardType,  kit::TIFFPboardType,
        kit::StringPboardType,    kit::TabularTextPboardType, kit::FontPboardType,
        kit::FilenamesPboardType, kit::RulerPboardType,       kit::ColorPboardType,
        GxAdobePboardType,
    };
    return types;
}

const std::vector<std::string>& getServiceSendPboardTypes()
{
    static const std::vector<std::string> types{
        kit::RTFDPboardType,       kit::RTFPboardType,  kit::StringPboardType,
        kit::PostScriptPboardType, kit::TIFFPboardType, kit::FilenamesPboardType,
    };
    return types;
}

const std::vector<std::string>& getServiceSendPboardTypesNoText()
{
    static const std::vector<std::string> types{
        kit::PostScriptPboardType,
        kit::TIFFPboardType,
        kit::FilenamesPboardType,
    };
    return types;
}

bool includesType(const std::vector<std::string>& types, const std::string& type) { return contains(types, type); }

std::string getPasteType(const std::vector<std::string>& offered)
{
    for (const auto& type : getPastePboardTypes())
        if (contains(offered, type))
            return type;
    return {};
}

bool isKnownEPSFileExtension(const std::string& extension)
{
    return extension == "ai" || extension == "eqn" || extension == "rib" || extension == "ps";
}

const std::vector<std::string>& imageUnfilteredFileTypes()
{
    static const std::vector<std::string> types{"eps", "eqn", "ai"};
    return types;
}
