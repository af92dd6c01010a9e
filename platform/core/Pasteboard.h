#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

class Pasteboard;

// Names of the shared pasteboards.
inline constexpr const char* GeneralPboard = "NSGeneralPboard";
inline constexpr const char* FontPboard = "NSFontPboard";
inline constexpr const char* RulerPboard = "NSRulerPboard";
inline constexpr const char* FindPboard = "NSFindPboard";
inline constexpr const char* DragPboard = "NSDragPboard";

// The platform's data types.
inline constexpr const char* StringPboardType = "NSStringPboardType";
inline constexpr const char* RTFPboardType = "NSRTFPboardType";
inline constexpr const char* RTFDPboardType = "NSRTFDPboardType";
inline constexpr const char* PostScriptPboardType = "NSPostScriptPboardType";
inline constexpr const char* TIFFPboardType = "NSTIFFPboardType";
inline constexpr const char* TabularTextPboardType = "NSTabularTextPboardType";
inline constexpr const char* FontPboardType = "NSFontPboardType";
inline constexpr const char* RulerPboardType = "NSRulerPboardType";
inline constexpr const char* ColorPboardType = "NSColorPboardType";
inline constexpr const char* FilenamesPboardType = "NSFilenamesPboardType";
inline constexpr const char* FileContentsPboardType = "NSFileContentsPboardType";

// The type under which a file of the given extension travels, as the
// converter registry names file types ("NSTypedFilenamesPboardType:rtf").
std::string typeForFileExtension(const std::string& extension);

// Whoever declares types may promise their data and supply it only when asked.
class PasteboardOwner {
public:
    virtual ~PasteboardOwner();
    // Asked for promised data: answer by setData/setString on the pasteboard.
    virtual void pasteboardProvideDataForType(Pasteboard& pboard, const std::string& type);
    // Another declaration took the pasteboard over.
    virtual void pasteboardChangedOwner(Pasteboard& pboard);
};

// The system clipboard behind the general pasteboard; the application kit
// installs one. Neither call is made again while one is in progress.
class SystemClipboardBridge {
public:
    virtual ~SystemClipboardBridge() = default;
    // This program declared new contents: offer them to other programs.
    virtual void generalPasteboardDidDeclare(Pasteboard& pboard) = 0;
    // The general pasteboard is about to be read: take in what another
    // program has put on the clipboard since.
    virtual void generalPasteboardWillRead(Pasteboard& pboard) = 0;
};

// Named in-process pasteboards. The general pasteboard and drags are bridged
// to the system clipboard by the application kit; everything else stays here.
class Pasteboard {
public:
    static Pasteboard& generalPasteboard();
    // The pasteboard of that name, made on first use.
    static Pasteboard& pasteboardWithName(const std::string& name);
    static Pasteboard& pasteboardWithUniqueName();
    // A pasteboard by name only if it exists.
    static Pasteboard* existingPasteboardWithName(const std::string& name);

    const std::string& name() const { return name_; }

    // Replaces the types and owner; answers the new change count.
    int declareTypes(const std::vector<std::string>& types, PasteboardOwner* owner);
    // Adds types to the current declaration; answers the change count.
    int addTypes(const std::vector<std::string>& types, PasteboardOwner* owner);

    bool setData(const std::string& data, const std::string& type);
    bool setString(const std::string& string, const std::string& type);
    // The data of a declared type, asking its owner for promised data first;
    // nothing for an undeclared type or a promise left unkept.
    std::optional<std::string> dataForType(const std::string& type);
    std::optional<std::string> stringForType(const std::string& type);

    const std::vector<std::string>& types() const;
    // The first of the given types that the pasteboard holds, or empty.
    std::string availableTypeFromArray(const std::vector<std::string>& types) const;
    int changeCount() const;

    // Installs the bridge (nullptr: none); the caller keeps it alive.
    static void setSystemClipboardBridge(SystemClipboardBridge* bridge);

    // Drops the pasteboard's contents and, for non-shared names, the
    // pasteboard itself; references to it are then invalid.
    void releaseGlobally();

    // Called when an owner goes away so no pasteboard asks it for data later.
    static void ownerWillDisappear(PasteboardOwner* owner);

    // Converting data between types, standing in for the filter services.
    using Converter = std::function<std::optional<std::string>(const std::string& data)>;
    static void registerConverter(const std::string& fromType, const std::string& toType, Converter fn);
    static void removeAllConverters();
    // The types the given type converts to, itself excluded.
    static std::vector<std::string> typesFilterableTo(const std::string& type);
    // The types that convert to the given type, itself excluded.
    static std::vector<std::string> typesFilterableFrom(const std::string& type);
    // A new unique pasteboard holding the data in its type and promising
    // every type the converters reach from it.
    static Pasteboard& pasteboardByFilteringData(const std::string& data, const std::string& type);
    // Same, from a file by its extension; the file is read when data is asked.
    static Pasteboard& pasteboardByFilteringFile(const std::string& path);
    // Same, from every type of another pasteboard.
    static Pasteboard& pasteboardByFilteringTypesInPasteboard(Pasteboard& pboard);

    explicit Pasteboard(std::string name);
    ~Pasteboard();
    Pasteboard(const Pasteboard&) = delete;
    Pasteboard& operator=(const Pasteboard&) = delete;

private:
    bool hasType(const std::string& type) const;
    void bridgeDidDeclare();
    void bridgeWillRead() const;
    std::optional<std::string> filteredData(const std::string& type);
    static Pasteboard& makeFiltered(const std::string& sourceType);

    std::string name_;
    std::vector<std::string> types_;
    std::map<std::string, std::string> data_;
    PasteboardOwner* owner_ = nullptr;
    int changeCount_ = 0;
    // Types made on demand by the converters from the one source type.
    std::vector<std::string> filteredTypes_;
    std::string filterSourceType_;
    // A filtered file is read only when its data is first asked for.
    std::string filterSourcePath_;
};

} // namespace kit
