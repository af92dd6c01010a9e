#pragma once

// The word processor with the bundle's hooks in place for each test; the
// hooks from before are given back after it, so that tests of one process
// leave each other alone.

#include "app/tests/WordProcessorFixture.h"

#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

class ConvalaWordProcessorTest : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        contents_ = LayoutDocument::dispatchContentsHook();
        foreign_ = LayoutDocument::saveForeignFileHook();
        rtf_ = LayoutDocument::dispatchRTFStreamHook();
        markup_ = LayoutDocument::dispatchMarkupHook();
        selection_ = TextSelection::writeRTFHook();
        Convala::installHooks();
    }
    void TearDown() override
    {
        LayoutDocument::dispatchContentsHook() = contents_;
        LayoutDocument::saveForeignFileHook() = foreign_;
        LayoutDocument::dispatchRTFStreamHook() = rtf_;
        LayoutDocument::dispatchMarkupHook() = markup_;
        TextSelection::writeRTFHook() = selection_;
        LayoutDocumentIOMethods::rtfReader() = {};
        TextParagraph::prepareForAddByteHook() = {};
        WordProcessorTest::TearDown();
    }

private:
    LayoutDocument::DispatchContentsHook contents_;
    LayoutDocument::SaveForeignFileHook foreign_;
    LayoutDocument::DispatchStreamHook rtf_;
    LayoutDocument::DispatchMarkupHook markup_;
    TextSelection::WriteRTFHook selection_;
};
