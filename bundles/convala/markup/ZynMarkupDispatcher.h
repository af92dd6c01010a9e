#pragma once

// Reads an RTF markup stream from start to end and hands every element to
// the handler registered for its keyword in the shared keyword table.
//
// Groups: the handler of a group's first keyword receives that keyword as
// an introducer and, at the closing brace, a terminator whose text is the
// keyword; every other element goes to the handler of its own keyword. A
// group whose first keyword has no handler is read on, as RTF's rule has a
// reader do with a word it does not know (the handler of "zyngroup" hears
// where it begins and ends), unless it is an optional destination
// ({\* ...}) or one of RTF's destinations that hold no text
// (ZynDestinations): those are skipped whole. Text arrives as "zyntext"
// runs; escaped and hexadecimal characters are text too and do not count as
// a group's first keyword. The end of the data ends every open group,
// without terminators; the run hears every brace of a group that is read.
//
// Bounds: groups nest at most MaxGroupDepth deep (deeper ones are skipped
// and the run notes lost data), and the reader keeps its own stack of open
// groups, so no input can exhaust the call stack. Whatever handlers register
// during a read is cut back when the read ends, however it ends.

#include "bundles/convala/markup/ZynDispatchRun.h"

#include "core/Object.h"
#include "core/WeakLink.h"

#include <cstddef>
#include <string>

class ZynDispatchTable;
class ZynMarkupElement;
class ZynMarkupStream;

class ZynMarkupDispatcher : public kit::Object {
public:
    static constexpr std::size_t MaxGroupDepth = 1000;

    // Without a table.
    ZynMarkupDispatcher() = default;
    explicit ZynMarkupDispatcher(ZynDispatchTable* table);

    // Registers the class with the archiver's registry (version 0).
    static void initialize();

    ZynMarkupDispatcher* initDispatchTable(ZynDispatchTable* table);
    // nil once the table is gone.
    ZynDispatchTable* dispatchTable() const { return dispatchTable_.get(); }

    // Reads the whole stream as the top level: the receiver, or nil when
    // there is no table or no stream (nothing is read then). Exceptions that
    // handlers raise go on to the caller.
    ZynMarkupDispatcher* dispatch(ZynMarkupStream* stream);
    // The same with the caller's run, which handlers then find in every
    // element.
    ZynMarkupDispatcher* dispatch(ZynMarkupStream* stream, ZynDispatchRun& run);

    std::string className() const override { return "ZynMarkupDispatcher"; }
    // The table as a conditional object.
    void encodeWithCoder(kit::Coder& coder) const override;
    // Version 0 only; another version reads as nil.
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    // Delivers an element by its own keyword; false when nothing handles it.
    bool dispatch_(ZynMarkupElement& element) const;

    kit::WeakLink<ZynDispatchTable> dispatchTable_; // shared, not owned
};
