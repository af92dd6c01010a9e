#include "PageViewSequence.h"
#include "PageViewSession.h"
#include "fuzz/OperationsModel.h"
#include "text/tests/LayoutInvariant.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "document/UndoInfo.h"
#include "view/PageView.h"
#include <gtest/gtest.h>
#include <cstdio>

TEST(Scratch, Seed31)
{
    viewsequence::initializeProcess();
    std::string folder = kit::FileManager::uniqueTemporaryPath("scratch");
    kit::FileManager::createDirectoryAtPath(folder);
    viewsequence::Session s(true, folder);
    viewsequence::TextEdit e;
    e.kind = viewsequence::TextEdit::PageBreak;
    e.from = e.to = textPoint{2, 0, 4};
    ASSERT_TRUE(s.edit(e));
    viewsequence::TextEdit r;
    r.kind = viewsequence::TextEdit::Keys;
    r.keys = u"\r\r\r\r\r\r\r";
    r.from = textPoint{1, 7, 0};
    r.to = textPoint{3, 0, 0};
    ASSERT_TRUE(s.edit(r));
    s.endEditing();
    s.completeLayout();
    std::fprintf(stderr, "B: pages %d\n%s\n", s.document().numPages(), fuzz::ops::describeDocument(s.document()).c_str());
    for (TextFlow* f : s.document().flows())
        std::fprintf(stderr, "B full diff: %s\n", layoutcheck::differenceFromFullLayout(*f).c_str());
    std::fprintf(stderr, "B after full: pages %d\n%s\n", s.document().numPages(), fuzz::ops::describeDocument(s.document()).c_str());
}
