#pragma once

// A document in a foreign format, held as a file wrapper with the
// pasteboard type that describes it, and its way through the converter
// registry that stands for the platform's filter services: foreign files
// and pasteboards read into contents, contents converted to another file
// type and written.

#include "core/Object.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class FileWrapper;
class Pasteboard;
}

// The interchange format, the type foreign files are read into; its value
// on a pasteboard is the name of the interchange file.
inline constexpr const char* ZynICFPboardType = "ZYN ICF pasteboard type";

// "ZYNDocumentContentsV3:" and the file type: the type under which contents
// of that file type travel.
std::string ZYNCreateDocContentsPboardType(const std::string& type);
// The file type of such a pasteboard type; none for any other type.
std::optional<std::string> ZYNGetFileType(const std::string& pboardType);
// The file types of the types that have one, in order.
std::vector<std::string> ZYNGetFileTypes(const std::vector<std::string>& types);
// The text file read whole and wrapped as RTF; none when it cannot be read.
std::optional<std::string> ZYNMapAsciiFile(const std::string& path);
// Text as RTF: a header, the text with "{", "}", "\" and newline escaped by
// a backslash (a newline thereby ends a paragraph), and "}". Well-formed
// UTF-8 is read as UTF-8 (its characters as "\uN"), anything else as
// Windows-1252 (PlainTextRTF).
std::optional<std::string> ZYNAsciiToRTFStream(const std::optional<std::string>& data);

class ZynDocumentContents : public kit::Object {
public:
    // An empty folder wrapper of RTFD.
    ZynDocumentContents();
    ~ZynDocumentContents() override;

    std::string className() const override { return "ZynDocumentContents"; }

    // ---- Making contents.
    static std::unique_ptr<ZynDocumentContents> initType(const std::string& type);
    static std::unique_ptr<ZynDocumentContents> initRTF(const std::string& rtf);
    static std::unique_ptr<ZynDocumentContents> initRTFDFile(const std::string& path);
    static std::unique_ptr<ZynDocumentContents> initASCII(const std::string& text);
    static std::unique_ptr<ZynDocumentContents> initICF(const std::string& name);
    // From the pasteboard form of a wrapper (nothing when it is damaged).
    static std::unique_ptr<ZynDocumentContents> initType(const std::string& type,
                                                         const std::string& serializedRepresentation);

    // ---- The converters.
    // The file types that convert to the type (to the interchange format).
    static std::vector<std::string> openFileTypesForType(const std::string& type);
    static std::vector<std::string> openFileTypes();
    // The file types contents of the type convert to.
    static std::vector<std::string> saveFileTypesForType(const std::string& type);
    static std::vector<std::string> saveFileTypes();
    // Contents of the type on a (converted) pasteboard; nil when it offers
    // no such value. The caller owns the answer.
    static std::unique_ptr<ZynDocumentContents> readDocumentFromServicePasteboard(kit::Pasteboard* pboard,
                                                                                  const std::string& type);
    static std::unique_ptr<ZynDocumentContents> readDocumentFrom(const std::string& path, const std::string& type);
    static std::unique_ptr<ZynDocumentContents> readDocumentFrom(const std::string& path);
    static std::unique_ptr<ZynDocumentContents> readDocumentFromPasteboard(kit::Pasteboard& pboard,
                                                                           const std::string& type);
    static std::unique_ptr<ZynDocumentContents> readDocumentFromPasteboard(kit::Pasteboard& pboard);
    // The file taken as of unknown type ("unk"), whatever its extension.
    static std::unique_ptr<ZynDocumentContents> forceReadDocumentFrom(const std::string& path);
    // A new pasteboard holding the file converted to the interchange
    // format, or nil.
    static kit::Pasteboard* pasteboardFromDocument(const std::string& path);

    // ---- The contents.
    void addFile(const std::string& name, const std::string& data);
    std::optional<std::string> dataForFilename(const std::string& name) const;
    int fileCount() const;
    bool isWrapper() const;
    std::optional<std::string> serializedRepresentation() const;
    const kit::FileWrapper* fileWrapper() const { return fileWrapper_.get(); }

    std::optional<std::string> documentFilename() const;
    void setDocumentFilename(const std::optional<std::string>& name) { documentFilename_ = name; }
    const std::optional<std::string>& extension() const { return extension_; }
    void setExtension(const std::optional<std::string>& extension) { extension_ = extension; }
    const std::optional<std::string>& fileFormat() const { return fileFormat_; }
    void setFileFormat(const std::optional<std::string>& format) { fileFormat_ = format; }
    const std::string& currentType() const { return currentType_; }
    void setCurrentType(const std::string& type) { currentType_ = type; }

    // ---- Writing. Results: 0 written, 3 the write failed, 5 no converter
    // to the file type, 6 the converted data cannot be read.
    static constexpr int WriteOK = 0;
    static constexpr int WriteFailed = 3;
    static constexpr int NoConverter = 5;
    static constexpr int BadConversion = 6;
    // Always through a temporary file renamed into place, whatever backup
    // says: the old file stays whole until the new one is.
    int writeDocumentTo(const std::string& path, bool withBackup);
    std::optional<std::string> writeDocumentStreamForType(const std::string& fileType) const;
    int writeDocumentType(const std::string& fileType, const std::string& path, bool withBackup);

private:
    std::unique_ptr<kit::FileWrapper> fileWrapper_;
    std::optional<std::string> documentFilename_;
    std::optional<std::string> extension_;
    std::optional<std::string> fileFormat_;
    std::string currentType_;
};
