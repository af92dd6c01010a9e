#include "bundles/convala/markup/Convala.h"

#include "bundles/convala/icf/ScrivlyDocumentSaveMethods.h"
#include "bundles/convala/markup/ConvalaClasses.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/rtf/RTFExportMethods.h"
#include "bundles/convala/rtf/RTFImportMethods.h"
#include "bundles/convala/rtf/RTFPlainTextFilter.h"

#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "document/LayoutDocument.h"
#include "document/ZynDocumentContents.h"
#include "foundation/ZMemoryStream.h"
#include "text/TextSelection.h"

void Convala::installHooks()
{
    ConvalaClasses::initialize();
    RTFContext::initialize();
    RTFPlainTextFilter::registerService();
    RTFImportMethods::install();

    TextSelection::writeRTFHook() = [](TextSelection& selection, std::string& stream) {
        ZMemoryStream output;
        RTFExportRun run(output);
        RTFExportMethods::writeRTF(selection, run);
        stream += *output.data();
    };
    LayoutDocument::saveForeignFileHook() = [](LayoutDocument& document, const std::string& path, bool backup) {
        return ScrivlyDocumentSaveMethods::saveForeignFile(document, path, backup);
    };
    // A foreign file being opened: RTF, or an RTFD folder with its pictures;
    // the interchange format comes with its reader.
    LayoutDocument::dispatchContentsHook() = [](LayoutDocument& document, bool interchange, bool* lostData) {
        const ZynDocumentContents* contents = document.activeDocumentContents();
        if (!contents || interchange)
            return false;
        if (contents->isWrapper()) {
            const std::optional<std::string> data = contents->serializedRepresentation();
            if (!data)
                return false;
            return LayoutDocumentIOMethods::dispatchMarkup(document, kit::RTFDPboardType, *data, lostData, true);
        }
        // One copy of the file's bytes for the read, which owns it: the
        // contents may go with a document closed while it is read.
        const kit::FileWrapper* file = contents->fileWrapper();
        if (!file || !file->isRegularFile())
            return false;
        return LayoutDocumentIOMethods::dispatchRTFStream(
            document, std::make_shared<const std::string>(file->regularFileContents()), lostData,
            ZynImportOptions{true, nullptr});
    };
    if (LayoutDocumentIOMethods::rtfReader().registerWithMarkupDispatcher) {
        // What the document could not hold is told once the data is in.
        LayoutDocument::dispatchRTFStreamHook() = [](LayoutDocument& document, const std::string& data) {
            bool lost = false;
            const bool read = LayoutDocumentIOMethods::dispatchRTFStream(document, data, &lost);
            if (read && lost)
                RTFImportMethods::alertLostData();
            return read;
        };
        LayoutDocument::dispatchMarkupHook() = [](LayoutDocument& document, const std::string& type,
                                                  const std::string& data) {
            bool lost = false;
            const bool read = LayoutDocumentIOMethods::dispatchMarkup(document, type, data, &lost);
            if (read && lost)
                RTFImportMethods::alertLostData();
            return read;
        };
    }
}
