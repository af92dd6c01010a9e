#include "bundles/convala/markup/Convala.h"

#include "bundles/convala/icf/ScrivlyDocumentSaveMethods.h"
#include "bundles/convala/markup/ConvalaClasses.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/rtf/RTFExportMethods.h"
#include "bundles/convala/rtf/RTFImportMethods.h"
#include "bundles/convala/rtf/RTFPlainTextFilter.h"

#include "document/LayoutDocument.h"
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
