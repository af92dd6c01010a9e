#pragma once

// Saving a document in a foreign format: the document rendered in memory
// as RTFD, RTF or plain text (through its RTF and the filter service that
// turns RTF into text), then written to the path whole, through a
// temporary file renamed into place, as native saves are. The other save
// types go through the interchange format, which comes with its writer.

#include <string>

class LayoutDocument;

struct ScrivlyDocumentSaveMethods {
    static constexpr const char* RTFDFormat = "Rich Text Format Directory (rtfd)";
    static constexpr const char* RTFFormat = "Rich Text Format (rtf)";
    static constexpr const char* ASCIIFormat = "ascii";

    // Statuses: written, the write failed, no filter offers the type, the
    // filter's answer could not be read.
    static constexpr int Written = 0;
    static constexpr int WriteFailed = 3;
    static constexpr int NoConverter = 5;
    static constexpr int BadConversion = 6;

    // The save type: the file format the document records.
    static std::string saveTypeOf(const LayoutDocument& document);
    // Writes the document to the path in its save type; shows nothing and
    // answers the status. withBackup is the write's "atomically" flag; the
    // write is atomic either way.
    static int saveForeignFile(LayoutDocument& document, const std::string& path, bool withBackup);
};
