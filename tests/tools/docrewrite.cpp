// Reads a document file (or an old package folder) and writes it again:
//
//   docrewrite <document> <written>
//
// Exit status 0 when it was read and written, 1 when not (the reason on
// standard error), 2 for wrong arguments.

#include "app/ScrivlyDocument.h"
#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: docrewrite <document> <written>\n");
        return 2;
    }
    LayoutDocument::initialize();
    ScrivlyDocument::initialize();
    const std::string problem = rewriteDocumentFile(argv[1], argv[2]);
    if (!problem.empty()) {
        std::fprintf(stderr, "docrewrite: %s\n", problem.c_str());
        return 1;
    }
    return 0;
}
