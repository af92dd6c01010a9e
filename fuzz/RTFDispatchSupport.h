#pragma once

// What the RTF dispatcher targets share: a handler that counts what it
// receives and, like the importers, registers another handler for the
// length of the groups that define tables, styles, headers and bullets.

#include "bundles/convala/markup/ZynDispatchRun.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynHandler.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"
#include "bundles/convala/tests/RTFVocabulary.h"

#include "core/Object.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace fuzz {

class CountingHandler : public kit::Object {
public:
    // With a table and a nested handler, groups register the nested one.
    CountingHandler(ZynDispatchTable* table = nullptr, CountingHandler* nested = nullptr)
        : table_(table), nested_(nested)
    {
    }
    std::string className() const override { return "FuzzCountingHandler"; }

    kit::Object* count(ZynMarkupElement* element)
    {
        if (!element)
            return this;
        ++elements;
        if (element->isTerminator())
            ++terminators;
        if (!table_ || !nested_)
            return this;
        static constexpr std::string_view scoped[] = {"fonttbl", "colortbl", "stylesheet", "s", "info", "header",
                                                      "footer", "zynbullet", "NeXTGraphic", "footnote"};
        for (std::string_view word : scoped) {
            if (element->text() != word)
                continue;
            if (element->isIntroducer()) {
                for (std::string_view w : convala_test::RTFVocabulary)
                    table_->registerObject(nested_, selector(), w);
            } else if (element->isTerminator()) {
                for (std::string_view w : convala_test::RTFVocabulary)
                    table_->unregisterObject(nested_, w);
            }
        }
        // A handler that gives up, as importers do on content they refuse.
        if (element->text() == "zynlig" && element->intValue() == 666)
            throw std::runtime_error("refused");
        return this;
    }

    static ZynSelector selector() { return ZynHandler::addMethod("count:", &CountingHandler::count); }

    long elements = 0;
    long terminators = 0;

private:
    ZynDispatchTable* table_;
    CountingHandler* nested_;
};

} // namespace fuzz
