#include "bundles/convala/markup/ZynMarkupDispatcher.h"

#include "bundles/convala/markup/ZynActor.h"
#include "bundles/convala/markup/ZynDestinations.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"

#include "core/Coder.h"
#include "core/Exception.h"

#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Whether a stretch of markup holds text of its own: letters outside control
// words, escaped characters and hex bytes; optional destinations inside
// ("{\\* ...}") and binary data are left out.
bool holdsText(std::string_view span, int marker)
{
    std::size_t at = 0;
    while (at < span.size()) {
        const char c = span[at];
        if (c == '\\') {
            if (at + 1 >= span.size())
                return false;
            if (const std::optional<std::size_t> end = ZynMarkupStream::endOfBinaryData(span, at)) {
                at = *end;
                continue;
            }
            const char next = span[at + 1];
            if (std::isalpha(static_cast<unsigned char>(next))) {
                at += 2;
                while (at < span.size() && std::isalpha(static_cast<unsigned char>(span[at])))
                    ++at;
                if (at < span.size() && span[at] == '-')
                    ++at;
                while (at < span.size() && std::isdigit(static_cast<unsigned char>(span[at])))
                    ++at;
                if (at < span.size() && span[at] == ' ')
                    ++at;
                continue;
            }
            if (static_cast<unsigned char>(next) == marker)
                return false;
            return true; // an escaped character, a symbol or a hex byte
        }
        if (c == '{' && at + 2 < span.size() && span[at + 1] == '\\' &&
            static_cast<unsigned char>(span[at + 2]) == marker) {
            // Skip the optional destination whole.
            int open = 0;
            for (; at < span.size(); ++at) {
                if (span[at] == '\\') {
                    if (const std::optional<std::size_t> end = ZynMarkupStream::endOfBinaryData(span, at))
                        at = *end - 1;
                    else
                        ++at;
                    continue;
                }
                if (span[at] == '{')
                    ++open;
                else if (span[at] == '}' && --open == 0)
                    break;
            }
            ++at;
            continue;
        }
        if (c != '{' && c != '}' && c != '\r' && c != '\n' && c != ';')
            return true;
        ++at;
    }
    return false;
}

// One open group: the handler of its first keyword (none until it is known,
// or when nothing handles it; for a group read on past a word nobody reads,
// the handler of ZynGroupKeyword), that keyword, whether its elements are
// delivered, and whether its first keyword is still to come. The group holds
// its handler: handlers inside the group may unregister it from the table
// before the group's terminator comes.
struct Group {
    std::shared_ptr<ZynActor> handler;
    std::string keyword;
    bool active = true;
    bool firstKeywordPending = true;
};

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// What follows a destination marker: the keyword after it, line ends
// between the two allowed. Answers false (the element then holds no
// keyword) when there is none.
bool readDestinationKeyword(ZynMarkupStream& stream, ZynMarkupElement& element)
{
    for (;;) {
        stream.getNextElement(&element);
        if (element.isEndOfStream())
            return false;
        const char c = element.text()[0];
        if (isLineEnd(c) && element.text().size() == 1)
            continue;
        if (c != '\\') {
            // Not a keyword: read it again as part of the group.
            stream.seek(-static_cast<long>(element.text().size()), 1);
            return false;
        }
        stream.getKeywordElement(&element);
        const std::string& k = element.text();
        return !k.empty() && ((k[0] >= 'a' && k[0] <= 'z') || (k[0] >= 'A' && k[0] <= 'Z'));
    }
}

} // namespace

ZynMarkupDispatcher::ZynMarkupDispatcher(ZynDispatchTable* table) : dispatchTable_(table) {}

void ZynMarkupDispatcher::initialize() { kit::registerClass<ZynMarkupDispatcher>("ZynMarkupDispatcher", 0); }

ZynMarkupDispatcher* ZynMarkupDispatcher::initDispatchTable(ZynDispatchTable* table)
{
    dispatchTable_ = table;
    return this;
}

bool ZynMarkupDispatcher::dispatch_(ZynMarkupElement& element) const
{
    const ZynDispatchTable* table = dispatchTable_.get();
    // Held for the call: a handler may unregister its own actor.
    const std::shared_ptr<ZynActor> actor = table ? table->sharedActorForKeyword(element.text()) : nullptr;
    if (!actor)
        return false;
    actor->actWith(&element);
    return true;
}

ZynMarkupDispatcher* ZynMarkupDispatcher::dispatch(ZynMarkupStream* stream)
{
    ZynDispatchRun run;
    return dispatch(stream, run);
}

ZynMarkupDispatcher* ZynMarkupDispatcher::dispatch(ZynMarkupStream* stream, ZynDispatchRun& run)
{
    ZynDispatchTable* table = dispatchTable_.get();
    if (!table || !stream)
        return nullptr;
    // Registrations made during the read go with it, however it ends.
    ZynDispatchTable::Mark mark(*table);

    struct RunScope {
        ZynDispatchRun& run;
        ~RunScope()
        {
            run.stream_ = nullptr;
            run.dispatcher_ = nullptr;
        }
    } scope{run};
    run.stream_ = stream;
    run.dispatcher_ = this;
    run.groupDepth_ = 0;
    run.unclosedGroups_ = 0;

    ZynMarkupElement element;
    element.setDispatchRun(&run);
    std::vector<Group> groups;
    groups.push_back(Group{nullptr, std::string(), true, false}); // the top level

    stream->getNextElement(&element);
    while (!element.isEndOfStream()) {
        Group& group = groups.back();
        run.groupDepth_ = groups.size() - 1;
        switch (element.text()[0]) {
        case '\\': {
            stream->getKeywordElement(&element);
            if (element.isEndOfStream())
                break;
            const char first = element.text()[0];
            const bool escaped = first == '\\' || first == '{' || first == '}';
            const bool hex = first == '\'';
            if (group.firstKeywordPending && !escaped && !hex) {
                bool found = true;
                bool ignorable = false;
                if (element.text().size() == 1 && static_cast<unsigned char>(first) == stream->destinationMarker()) {
                    found = readDestinationKeyword(*stream, element);
                    element.setIsIgnorableDestination(true);
                    ignorable = true;
                }
                group.firstKeywordPending = false;
                group.handler = found ? table->sharedActorForKeyword(element.text()) : nullptr;
                if (!group.handler && found && !ignorable && !ZynDestinations::isNonText(element.text())) {
                    // A word nobody reads is ignored and the group read on, its
                    // text and its words delivered as though the word were not
                    // there; the handler of ZynGroupKeyword, when there is one,
                    // hears where the group begins and ends (to give back the
                    // format the group changes).
                    group.handler = table->sharedActorForKeyword(ZynGroupKeyword);
                    group.keyword = ZynGroupKeyword;
                    if (group.handler) {
                        element.reset();
                        element.setTextValue(element.text());
                        element.setText(ZynGroupKeyword);
                        element.setIsIntroducer(true);
                        group.handler->actWith(&element);
                    }
                    break;
                }
                group.active = group.handler != nullptr;
                if (!group.active) {
                    const std::size_t from = stream->offset();
                    stream->skipGroup();
                    // A group nobody reads is dropped; when it held what the
                    // document would show, the reader must say so.
                    if (!ignorable && found && ZynDestinations::holdsContent(element.text()) &&
                        holdsText(stream->data().substr(from, stream->offset() - from), stream->destinationMarker()))
                        run.lostData_ = true;
                    break;
                }
                group.keyword = element.text();
                element.setIsIntroducer(true);
            }
            if (escaped) {
                element.setTextValue(element.text());
                element.setText(ZynTextKeyword);
            } else if (hex) {
                stream->getHexElement(&element);
                if (!element.hasTextValue())
                    break;
            }
            if (group.active)
                dispatch_(element);
            break;
        }
        case '\n':
        case '\r':
            break;
        case ';':
            if (group.active)
                dispatch_(element);
            break;
        case '{':
            if (groups.size() > MaxGroupDepth) {
                // Too deep to follow: skipped whole, braces and all.
                stream->skipGroup();
                stream->getc();
                run.lostData_ = true;
                break;
            }
            groups.push_back(Group());
            run.groupOpened();
            break;
        case '}': {
            element.reset();
            element.setIsTerminator(true);
            if (group.active && group.handler) {
                element.setText(group.keyword);
                group.handler->actWith(&element);
            }
            const bool nested = groups.size() > 1;
            groups.pop_back();
            if (nested)
                run.groupClosed();
            if (groups.empty()) {
                // The top level's closing brace ends the read.
                run.groupDepth_ = 0;
                return this;
            }
            break;
        }
        default:
            stream->getTextElement(&element);
            if (group.active && element.hasTextValue())
                dispatch_(element);
            break;
        }
        stream->getNextElement(&element);
    }
    run.unclosedGroups_ = groups.size() - 1;
    run.groupDepth_ = 0;
    return this;
}

void ZynMarkupDispatcher::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeConditionalObject(dispatchTable_.get());
}

kit::Object* ZynMarkupDispatcher::initWithCoder(kit::Coder& coder)
{
    if (coder.versionForClassName(className()).value_or(0) != 0)
        return nullptr;
    kit::Object* table = coder.decodeObject();
    auto* typed = dynamic_cast<ZynDispatchTable*>(table);
    if (table && !typed)
        kit::Exception::raise(kit::ArchiverArchiveInconsistencyException,
                              "markup dispatcher: its table is a " + table->className());
    dispatchTable_ = typed;
    return this;
}
