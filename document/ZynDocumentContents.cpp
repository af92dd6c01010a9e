#include "document/ZynDocumentContents.h"

#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "foundation/PlainTextRTF.h"

#include <algorithm>

namespace {

constexpr std::string_view ContentsPrefix = "ZYNDocumentContentsV3:";
constexpr std::string_view FilePrefix = "NSTypedFilenamesPboardType:";

// The file types among pasteboard types, as the platform names them.
std::vector<std::string> fileTypesOf(const std::vector<std::string>& types)
{
    std::vector<std::string> files;
    for (const std::string& type : types)
        if (type.compare(0, FilePrefix.size(), FilePrefix) == 0)
            files.push_back(type.substr(FilePrefix.size()));
    return files;
}

// Unique pasteboards made for one conversion go when it ends.
class Scratch {
public:
    explicit Scratch(kit::Pasteboard& pboard) : pboard_(&pboard) {}
    ~Scratch() { pboard_->releaseGlobally(); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    kit::Pasteboard& operator*() const { return *pboard_; }
    kit::Pasteboard* get() const { return pboard_; }

private:
    kit::Pasteboard* pboard_;
};

bool offers(kit::Pasteboard& pboard, const std::string& type)
{
    const auto& types = pboard.types();
    return std::find(types.begin(), types.end(), type) != types.end();
}

} // namespace

std::string ZYNCreateDocContentsPboardType(const std::string& type) { return std::string(ContentsPrefix) + type; }

std::optional<std::string> ZYNGetFileType(const std::string& pboardType)
{
    if (pboardType.compare(0, ContentsPrefix.size(), ContentsPrefix) != 0)
        return std::nullopt;
    return pboardType.substr(pboardType.find(':') + 1);
}

std::vector<std::string> ZYNGetFileTypes(const std::vector<std::string>& types)
{
    std::vector<std::string> files;
    for (const std::string& type : types)
        if (std::optional<std::string> file = ZYNGetFileType(type))
            files.push_back(*file);
    return files;
}

std::optional<std::string> ZYNMapAsciiFile(const std::string& path)
{
    return ZYNAsciiToRTFStream(kit::FileManager::regularFileContentsAtPath(path));
}

std::optional<std::string> ZYNAsciiToRTFStream(const std::optional<std::string>& data)
{
    if (!data)
        return std::nullopt;
    return PlainTextRTF::wrap("{\\rtf0\\ansi \\deftab720\\pard ", *data);
}

ZynDocumentContents::ZynDocumentContents()
    : fileWrapper_(kit::FileWrapper::initDirectoryWithFileWrappers({})), currentType_(kit::RTFDPboardType)
{
}

ZynDocumentContents::~ZynDocumentContents() = default;

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::initType(const std::string& type)
{
    auto contents = std::make_unique<ZynDocumentContents>();
    contents->currentType_ = type;
    return contents;
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::initRTF(const std::string& rtf)
{
    auto contents = std::make_unique<ZynDocumentContents>();
    contents->fileWrapper_ = kit::FileWrapper::initRegularFileWithContents(rtf);
    contents->fileWrapper_->setPreferredFilename("TXT.rtf");
    contents->extension_ = "rtf";
    contents->currentType_ = kit::RTFPboardType;
    contents->fileFormat_ = "Rich Text Format (rtf)";
    return contents;
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::initRTFDFile(const std::string& path)
{
    auto contents = std::make_unique<ZynDocumentContents>();
    contents->fileWrapper_ = kit::FileWrapper::initWithPath(path);
    contents->extension_ = "rtfd";
    contents->currentType_ = kit::RTFDPboardType;
    contents->fileFormat_ = "Rich Text Format Directory (rtfd)";
    return contents;
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::initASCII(const std::string& text)
{
    auto contents = std::make_unique<ZynDocumentContents>();
    contents->fileWrapper_ = kit::FileWrapper::initRegularFileWithContents(text);
    contents->fileWrapper_->setPreferredFilename("ascii");
    contents->currentType_ = kit::RTFDPboardType;
    contents->fileFormat_ = "ascii";
    return contents;
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::initICF(const std::string& name)
{
    auto contents = std::make_unique<ZynDocumentContents>();
    // The interchange file is elsewhere: the wrapper only carries its name.
    contents->fileWrapper_ = kit::FileWrapper::initRegularFileWithContents(std::string());
    contents->fileWrapper_->setPreferredFilename(name);
    contents->fileWrapper_->setFilename(name);
    contents->documentFilename_ = name;
    contents->extension_ = "icf";
    contents->currentType_ = ZynICFPboardType;
    contents->fileFormat_ = "Quorlen Interchange Format (icf)";
    return contents;
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::initType(const std::string& type,
                                                                   const std::string& serializedRepresentation)
{
    auto contents = std::make_unique<ZynDocumentContents>();
    contents->currentType_ = type;
    try {
        contents->fileWrapper_ = kit::FileWrapper::initWithSerializedRepresentation(serializedRepresentation);
    } catch (const kit::Exception&) {
        contents->fileWrapper_.reset();
    }
    return contents;
}

std::vector<std::string> ZynDocumentContents::openFileTypesForType(const std::string& type)
{
    return fileTypesOf(kit::Pasteboard::typesFilterableFrom(type));
}

std::vector<std::string> ZynDocumentContents::openFileTypes() { return openFileTypesForType(ZynICFPboardType); }

std::vector<std::string> ZynDocumentContents::saveFileTypesForType(const std::string& type)
{
    return ZYNGetFileTypes(kit::Pasteboard::typesFilterableTo(type));
}

std::vector<std::string> ZynDocumentContents::saveFileTypes() { return saveFileTypesForType(ZynICFPboardType); }

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::readDocumentFromServicePasteboard(kit::Pasteboard* pboard,
                                                                                          const std::string& type)
{
    if (!pboard || !offers(*pboard, type))
        return nullptr;
    std::optional<std::string> value =
        type == ZynICFPboardType ? pboard->stringForType(type) : pboard->dataForType(type);
    if (!value)
        return nullptr;
    std::unique_ptr<ZynDocumentContents> contents;
    if (type == kit::RTFDPboardType)
        contents = initType(type, *value);
    else if (type == kit::RTFPboardType)
        contents = initRTF(*value);
    else if (type == ZynICFPboardType)
        contents = initICF(*value);
    else
        contents = initASCII(*value);
    if (!contents->fileWrapper_ || contents->fileCount() == 0)
        return nullptr;
    return contents;
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::readDocumentFrom(const std::string& path,
                                                                         const std::string& type)
{
    Scratch filtered(kit::Pasteboard::pasteboardByFilteringFile(path));
    return readDocumentFromServicePasteboard(filtered.get(), type);
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::readDocumentFrom(const std::string& path)
{
    if (path.empty())
        return nullptr;
    return readDocumentFrom(path, ZynICFPboardType);
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::readDocumentFromPasteboard(kit::Pasteboard& pboard,
                                                                                   const std::string& type)
{
    Scratch filtered(kit::Pasteboard::pasteboardByFilteringTypesInPasteboard(pboard));
    return readDocumentFromServicePasteboard(filtered.get(), type);
}

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::readDocumentFromPasteboard(kit::Pasteboard& pboard)
{
    return readDocumentFromPasteboard(pboard, ZynICFPboardType);
}

namespace {

// The file's data as a file of unknown type, for the converters that look
// at the data itself.
std::optional<std::string> unknownFileData(const std::string& path)
{
    return kit::FileManager::regularFileContentsAtPath(path);
}

} // namespace

std::unique_ptr<ZynDocumentContents> ZynDocumentContents::forceReadDocumentFrom(const std::string& path)
{
    if (path.empty())
        return nullptr;
    std::optional<std::string> data = unknownFileData(path);
    if (!data)
        return nullptr;
    Scratch filtered(kit::Pasteboard::pasteboardByFilteringData(*data, kit::typeForFileExtension("unk")));
    return readDocumentFromServicePasteboard(filtered.get(), ZynICFPboardType);
}

kit::Pasteboard* ZynDocumentContents::pasteboardFromDocument(const std::string& path)
{
    if (path.empty())
        return nullptr;
    std::optional<std::string> data = unknownFileData(path);
    if (!data)
        return nullptr;
    Scratch filtered(kit::Pasteboard::pasteboardByFilteringData(*data, kit::typeForFileExtension("unk")));
    if (!offers(*filtered, ZynICFPboardType))
        return nullptr;
    std::optional<std::string> icf = (*filtered).dataForType(ZynICFPboardType);
    if (!icf)
        return nullptr;
    kit::Pasteboard& made = kit::Pasteboard::pasteboardWithUniqueName();
    made.declareTypes({ZynICFPboardType}, nullptr);
    made.setData(*icf, ZynICFPboardType);
    return &made;
}

void ZynDocumentContents::addFile(const std::string& name, const std::string& data)
{
    if (fileWrapper_ && fileWrapper_->isDirectory())
        fileWrapper_->addRegularFileWithContents(data, name);
}

std::optional<std::string> ZynDocumentContents::dataForFilename(const std::string& name) const
{
    if (!fileWrapper_)
        return std::nullopt;
    if (fileWrapper_->isDirectory()) {
        const auto& members = fileWrapper_->fileWrappers();
        const auto at = members.find(name);
        if (at == members.end() || !at->second->isRegularFile())
            return std::nullopt;
        return at->second->regularFileContents();
    }
    if (fileWrapper_->isRegularFile())
        return fileWrapper_->regularFileContents();
    return std::nullopt;
}

int ZynDocumentContents::fileCount() const
{
    if (fileWrapper_ && fileWrapper_->isDirectory())
        return static_cast<int>(fileWrapper_->fileWrappers().size());
    return 1;
}

bool ZynDocumentContents::isWrapper() const { return fileWrapper_ && fileWrapper_->isDirectory(); }

std::optional<std::string> ZynDocumentContents::serializedRepresentation() const
{
    if (!fileWrapper_)
        return std::nullopt;
    if (fileWrapper_->isDirectory())
        return fileWrapper_->serializedRepresentation();
    if (fileWrapper_->isRegularFile())
        return fileWrapper_->regularFileContents();
    return std::nullopt;
}

std::optional<std::string> ZynDocumentContents::documentFilename() const
{
    if (documentFilename_)
        return documentFilename_;
    if (fileWrapper_ && !fileWrapper_->filename().empty())
        return fileWrapper_->filename();
    return std::nullopt;
}

int ZynDocumentContents::writeDocumentTo(const std::string& path, bool withBackup)
{
    (void)withBackup;
    if (!fileWrapper_ || !fileWrapper_->writeToFile(path, true, false))
        return WriteFailed;
    return WriteOK;
}

std::optional<std::string> ZynDocumentContents::writeDocumentStreamForType(const std::string& fileType) const
{
    std::optional<std::string> representation = serializedRepresentation();
    if (!representation)
        return std::nullopt;
    Scratch source(kit::Pasteboard::pasteboardWithUniqueName());
    (*source).declareTypes({currentType_}, nullptr);
    (*source).setData(*representation, currentType_);
    Scratch filtered(kit::Pasteboard::pasteboardByFilteringTypesInPasteboard(*source));
    const std::string target = ZYNCreateDocContentsPboardType(fileType);
    if (!offers(*filtered, target))
        return std::nullopt;
    return (*filtered).dataForType(target);
}

int ZynDocumentContents::writeDocumentType(const std::string& fileType, const std::string& path, bool withBackup)
{
    std::optional<std::string> representation = serializedRepresentation();
    if (!representation)
        return NoConverter;
    Scratch source(kit::Pasteboard::pasteboardWithUniqueName());
    (*source).declareTypes({currentType_}, nullptr);
    (*source).setData(*representation, currentType_);
    Scratch filtered(kit::Pasteboard::pasteboardByFilteringTypesInPasteboard(*source));
    const std::string target = ZYNCreateDocContentsPboardType(fileType);
    if (!offers(*filtered, target))
        return NoConverter;
    std::unique_ptr<ZynDocumentContents> converted = readDocumentFromServicePasteboard(filtered.get(), target);
    if (!converted)
        return BadConversion;
    const int result = converted->writeDocumentTo(path, withBackup);
    if (result == WriteOK)
        documentFilename_ = converted->documentFilename();
    return result;
}
