#pragma once

// The one entry point for the stored form of a document as bytes, shared by
// the program's open and save roads, the tests, the benchmarks and the fuzz
// targets, and the rewriting of a document file that tools build on.

#include <memory>
#include <optional>
#include <string>

class LayoutDocument;

// The document stored in the bytes (the archive of a plain file; package:
// the archive inside an old package folder), read and completed (after
// reading and set-up); nil when the bytes are not a document that can be
// read. No view is made and no delegate is told.
std::unique_ptr<LayoutDocument> readDocumentData(const std::string& bytes, bool package = false);
// The document as the bytes of its file; none when it cannot be written.
std::optional<std::string> writeDocumentData(const LayoutDocument& document);
// Reads the document file (or package folder) at the first path and writes
// it to the second, atomically. Empty on success, else what went wrong.
std::string rewriteDocumentFile(const std::string& from, const std::string& to);
