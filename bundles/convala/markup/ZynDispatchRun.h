#pragma once

// The state of one read through a dispatcher: the stream being read, the
// groups open, and what the read could not take in. Handlers reach it from
// every element they receive (ZynMarkupElement::dispatchRun), so what they
// keep for the length of a read (flags, stacks, progress) can live here (a
// driver derives its own run class) and never in the process.

#include <cstddef>

class ZynMarkupDispatcher;
class ZynMarkupStream;

class ZynDispatchRun {
public:
    ZynDispatchRun() = default;
    virtual ~ZynDispatchRun();
    ZynDispatchRun(const ZynDispatchRun&) = delete;
    ZynDispatchRun& operator=(const ZynDispatchRun&) = delete;

    // While the read goes on.
    ZynMarkupStream* stream() const { return stream_; }
    ZynMarkupDispatcher* dispatcher() const { return dispatcher_; }
    // Groups open around the element being delivered (0 at the top level).
    std::size_t groupDepth() const { return groupDepth_; }

    // Groups nested deeper than the dispatcher reads were skipped, or
    // handlers reported content they could not take.
    bool lostData() const { return lostData_; }
    void setLostData(bool flag) { lostData_ = flag; }
    // Groups still open when the data ended (their terminators never came).
    std::size_t unclosedGroups() const { return unclosedGroups_; }

    // The dispatcher calls these at every brace of a group it reads (not of
    // one it skips), after the group's terminator is delivered: for what a
    // read keeps per group beyond the handlers of the group's first word.
    virtual void groupOpened() {}
    virtual void groupClosed() {}

private:
    friend class ZynMarkupDispatcher;

    ZynMarkupStream* stream_ = nullptr;
    ZynMarkupDispatcher* dispatcher_ = nullptr;
    std::size_t groupDepth_ = 0;
    std::size_t unclosedGroups_ = 0;
    bool lostData_ = false;
};
