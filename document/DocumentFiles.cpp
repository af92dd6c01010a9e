#include "document/DocumentFiles.h"

#include "core/Archiver.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"

#include <cstdio>
#include <exception>

std::unique_ptr<LayoutDocument> readDocumentData(const std::string& bytes, bool package)
{
    LayoutDocument prototype;
    std::unique_ptr<LayoutDocument> document = prototype.initFromStream(bytes, package);
    if (document)
        document->setup();
    return document;
}

std::optional<std::string> readStoredForm(const std::string& path, const std::string& embedded, bool* isPackage)
{
    *isPackage = false;
    const auto attributes = kit::FileManager::fileAttributesAtPath(path, true);
    if (!attributes)
        return std::nullopt;
    if (attributes->type == kit::FileType::Directory) {
        *isPackage = true;
        return kit::FileManager::regularFileContentsAtPath(kit::FileManager::stringByAppendingPathComponent(path, embedded));
    }
    if (attributes->type != kit::FileType::Regular)
        return std::nullopt;
    return kit::FileManager::regularFileContentsAtPath(path);
}

std::unique_ptr<LayoutDocument> readDocumentFile(const std::string& path)
{
    LayoutDocument prototype;
    bool package = false;
    std::optional<std::string> bytes = readStoredForm(path, prototype.docEmbeddedFilename(), &package);
    return bytes ? readDocumentData(*bytes, package) : nullptr;
}

std::optional<std::string> writeDocumentData(const LayoutDocument& document)
{
    try {
        return kit::Archiver::archivedDataWithRootObject(&document);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Writing a document failed: %s\n", e.what());
        return std::nullopt;
    }
}

std::string rewriteDocumentFile(const std::string& from, const std::string& to)
{
    if (!kit::FileManager::fileAttributesAtPath(from, true))
        return "cannot find " + from;
    std::unique_ptr<LayoutDocument> document = readDocumentFile(from);
    if (!document)
        return from + " is not a document that can be read";
    std::optional<std::string> written = writeDocumentData(*document);
    if (!written)
        return "cannot write the document read from " + from;
    if (!kit::FileManager::writeFileAtomically(to, *written))
        return "cannot write " + to;
    return {};
}
