// Reading RTF: tokenizing alone, and tokenizing and dispatching with a
// handler registered for every word of the import vocabulary.

#include "RTFBenchDocument.h"

#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynHandler.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"
#include "bundles/convala/tests/RTFVocabulary.h"

#include "core/Object.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

class Counter : public kit::Object {
public:
    std::string className() const override { return "BenchCounter"; }
    kit::Object* count(ZynMarkupElement* element)
    {
        ++elements;
        bytes += element->textValue().size();
        return this;
    }
    long elements = 0;
    long bytes = 0;
};

const std::shared_ptr<const std::string>& document()
{
    static const auto doc = std::make_shared<const std::string>(rtf_bench::makeDocument(8 << 20));
    return doc;
}

void BM_TokenizeRTF(benchmark::State& state)
{
    const auto& data = document();
    long elements = 0;
    for (auto _ : state) {
        ZynMarkupStream stream(data);
        ZynMarkupElement element;
        for (stream.getNextElement(&element); !element.isEndOfStream(); stream.getNextElement(&element)) {
            const char c = element.text()[0];
            if (c == '\\') {
                stream.getKeywordElement(&element);
                if (!element.text().empty() && element.text()[0] == '\'')
                    stream.getHexElement(&element);
            } else if (c != '{' && c != '}' && c != ';' && c != '\n' && c != '\r') {
                stream.getTextElement(&element);
            }
            ++elements;
        }
    }
    benchmark::DoNotOptimize(elements);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data->size()));
    state.counters["elements"] = static_cast<double>(elements) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TokenizeRTF)->Unit(benchmark::kMillisecond);

void BM_DispatchRTFEveryWordHandled(benchmark::State& state)
{
    const auto& data = document();
    ZynDispatchTable table;
    Counter counter;
    const ZynSelector count = ZynHandler::addMethod("count:", &Counter::count);
    for (std::string_view word : convala_test::RTFVocabulary)
        table.registerObject(&counter, count, word);
    ZynMarkupDispatcher dispatcher(&table);
    for (auto _ : state) {
        ZynMarkupStream stream(data);
        dispatcher.dispatch(&stream);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data->size()));
    state.counters["delivered"] = static_cast<double>(counter.elements) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DispatchRTFEveryWordHandled)->Unit(benchmark::kMillisecond);

} // namespace
