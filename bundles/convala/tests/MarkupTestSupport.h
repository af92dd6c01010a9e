#pragma once

// A handler target for the dispatcher's tests: it writes down every element
// it receives in a compact form:
//   +rtf1   introducer "rtf" with number 1
//   -rtf    terminator of the group "rtf"
//   par     a keyword; b0 with its number
//   "text"  a text run (zyntext)
//   +zyngroup(loch)  a group read on past the word loch, which nobody reads

#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynHandler.h"
#include "bundles/convala/markup/ZynKeywordGroup.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"

#include "core/Object.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace convala_test {

inline std::string describe(const ZynMarkupElement& e)
{
    if (e.isTextRun())
        return "\"" + e.textValue() + "\"";
    std::string s = e.isIntroducer() ? "+" : e.isTerminator() ? "-" : "";
    s += e.text();
    if (e.text() == ZynGroupKeyword)
        return e.hasTextValue() ? s + "(" + e.textValue() + ")" : s;
    if (e.hasValue())
        s += std::to_string(e.intValue());
    return s;
}

class Recorder : public kit::Object {
public:
    explicit Recorder(std::string name = "") : name_(std::move(name)) {}
    std::string className() const override { return "Recorder"; }

    kit::Object* record(ZynMarkupElement* element)
    {
        if (element) {
            log.push_back((name_.empty() ? "" : name_ + ":") + describe(*element));
            if (onElement)
                onElement(*element);
        }
        return this;
    }

    static ZynSelector recordSelector() { return ZynHandler::addMethod("record:", &Recorder::record); }

    std::vector<std::string> log;
    std::function<void(ZynMarkupElement&)> onElement;

private:
    std::string name_;
};

// Registers the recorder for each keyword.
inline void registerKeywords(ZynDispatchTable& table, Recorder& recorder, const std::vector<std::string>& keywords)
{
    for (const std::string& k : keywords)
        table.registerObject(&recorder, Recorder::recordSelector(), k);
}

// A markup stream over the bytes as they are (not wrapped as RTF).
inline void setRawData(ZynMarkupStream& stream, const std::string& bytes)
{
    stream.setData(std::make_shared<const std::string>(bytes));
}

// What the recorder receives from reading the input as it is.
inline std::vector<std::string> dispatchAndRecord(const std::string& input, const std::vector<std::string>& keywords)
{
    ZynDispatchTable table;
    Recorder recorder;
    registerKeywords(table, recorder, keywords);
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream;
    setRawData(stream, input);
    dispatcher.dispatch(&stream);
    return recorder.log;
}

} // namespace convala_test
