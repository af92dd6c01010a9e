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
// The archive of a document file: the file itself when it is a regular
// file, the file of that name inside it when it is a folder (the older
// package form; isPackage is set). Nothing for anything else (devices,
// pipes, a folder without the archive). Files are read whole, never mapped:
// one cut short by another program while it is read cannot bring this one
// down.
std::optional<std::string> readStoredForm(const std::string& path, const std::string& embedded, bool* isPackage);
// The document in a file or package folder, read and completed; nil when
// it cannot be read.
std::unique_ptr<LayoutDocument> readDocumentFile(const std::string& path);
// The document as the bytes of its file; none when it cannot be written.
std::optional<std::string> writeDocumentData(const LayoutDocument& document);
// Reads the document file (or package folder) at the first path and writes
// it to the second, atomically. Empty on success, else what went wrong.
std::string rewriteDocumentFile(const std::string& from, const std::string& to);
