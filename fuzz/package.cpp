// Documents of the older package form: a folder holding the archive. The
// input is a folder in the file wrapper's serialised form, written out and
// opened as a document, whatever it holds in place of the archive (a
// folder, a link, nothing).

#include "FuzzInput.h"

#include "core/Alert.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"
#include "text/TextWord.h"

#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    LayoutDocument::initialize();
    TextWord::initialize();
    kit::setAlertHandler(std::make_shared<kit::ScriptedAlertHandler>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<kit::FileWrapper> wrapper;
    try {
        wrapper = kit::FileWrapper::initWithSerializedRepresentation(
            std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const kit::Exception&) {
        return 0;
    }
    if (!wrapper || !wrapper->isDirectory())
        return 0;
    const std::string folder = fuzz::scratchFolder() + "/Document.lvb";
    kit::FileManager::removeFileAtPath(folder);
    if (!wrapper->writeToFile(folder, false))
        return 0;
    std::unique_ptr<LayoutDocument> document = readDocumentFile(folder);
    if (document && !readDocumentData(writeDocumentData(*document).value_or("")))
        fuzz::fail("a package that was read does not read back from what it wrote");
    kit::FileManager::removeFileAtPath(folder);
    return 0;
}
