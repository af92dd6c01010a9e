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
    const auto attributes = kit::FileManager::fileAttributesAtPath(from, true);
    if (!attributes)
        return "cannot find " + from;
    const bool package = attributes->type == kit::FileType::Directory;
    LayoutDocument prototype;
    const std::string archive =
        package ? kit::FileManager::stringByAppendingPathComponent(from, prototype.docEmbeddedFilename()) : from;
    std::optional<std::string> bytes = kit::FileManager::regularFileContentsAtPath(archive);
    if (!bytes)
        return "cannot read " + archive;
    std::unique_ptr<LayoutDocument> document = readDocumentData(*bytes, package);
    if (!document)
        return from + " is not a document that can be read";
    std::optional<std::string> written = writeDocumentData(*document);
    if (!written)
        return "cannot write the document read from " + from;
    if (!kit::FileManager::writeFileAtomically(to, *written))
        return "cannot write " + to;
    return {};
}
