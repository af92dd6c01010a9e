#include "bundles/convala/icf/ScrivlyDocumentSaveMethods.h"

#include "bundles/convala/rtf/RTFExportMethods.h"

#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "document/LayoutDocument.h"
#include "foundation/ZMemoryStream.h"

#include <memory>

namespace {

constexpr const char* RTFDMainFile = "TXT.rtf";

std::string documentRTF(const LayoutDocument& document, kit::FileWrapper* contents)
{
    ZMemoryStream stream;
    RTFExportRun run(stream, contents);
    RTFExportMethods::writeRTF(document, run);
    return std::move(*stream.data());
}

int write(kit::FileWrapper& contents, const std::string& path)
{
    return contents.writeToFile(path, true) ? ScrivlyDocumentSaveMethods::Written
                                            : ScrivlyDocumentSaveMethods::WriteFailed;
}

// A pasteboard made for one request, released globally when done.
class ScratchPasteboard {
public:
    explicit ScratchPasteboard(kit::Pasteboard& pboard) : pboard_(pboard) {}
    ~ScratchPasteboard() { pboard_.releaseGlobally(); }
    ScratchPasteboard(const ScratchPasteboard&) = delete;
    ScratchPasteboard& operator=(const ScratchPasteboard&) = delete;
    kit::Pasteboard& operator*() const { return pboard_; }

private:
    kit::Pasteboard& pboard_;
};

} // namespace

std::string ScrivlyDocumentSaveMethods::saveTypeOf(const LayoutDocument& document) { return document.fileFormat(); }

int ScrivlyDocumentSaveMethods::saveForeignFile(LayoutDocument& document, const std::string& path, bool withBackup)
{
    (void)withBackup;
    const std::string type = saveTypeOf(document);
    if (type == RTFDFormat) {
        // The folder is there before the text is written: the pictures of
        // in-line graphics go into it as the text meets them. Its main file
        // keeps its name whatever the pictures are called.
        std::unique_ptr<kit::FileWrapper> folder = kit::FileWrapper::initDirectoryWithFileWrappers({});
        folder->addRegularFileWithContents(std::string(), RTFDMainFile);
        std::string rtf = documentRTF(document, folder.get());
        folder->removeFileWrapper(RTFDMainFile);
        folder->addRegularFileWithContents(std::move(rtf), RTFDMainFile);
        return write(*folder, path);
    }
    if (type == RTFFormat) {
        std::unique_ptr<kit::FileWrapper> file =
            kit::FileWrapper::initRegularFileWithContents(documentRTF(document, nullptr));
        file->setPreferredFilename(RTFDMainFile);
        return write(*file, path);
    }
    if (type == ASCIIFormat) {
        ScratchPasteboard source(kit::Pasteboard::pasteboardWithUniqueName());
        (*source).declareTypes({kit::RTFPboardType}, nullptr);
        (*source).setData(documentRTF(document, nullptr), kit::RTFPboardType);
        ScratchPasteboard filtered(kit::Pasteboard::pasteboardByFilteringTypesInPasteboard(*source));
        if ((*filtered).availableTypeFromArray({kit::StringPboardType}).empty())
            return NoConverter;
        std::optional<std::string> text = (*filtered).stringForType(kit::StringPboardType);
        if (!text)
            return BadConversion;
        std::unique_ptr<kit::FileWrapper> file = kit::FileWrapper::initRegularFileWithContents(std::move(*text));
        return write(*file, path);
    }
    // Every other type is converted from the interchange format, whose
    // writer is not here yet: no filter can offer it.
    return NoConverter;
}
