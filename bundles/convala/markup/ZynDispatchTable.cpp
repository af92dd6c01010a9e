#include "bundles/convala/markup/ZynDispatchTable.h"

#include "bundles/convala/markup/ZynKeywordGroup.h"

#include "core/Coder.h"
#include "core/Exception.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

void ZynDispatchTable::initialize() { kit::registerClass<ZynDispatchTable>("ZynDispatchTable", 0); }

void ZynDispatchTable::registerGroup(const ZynKeywordGroup* group)
{
    if (!group || !group->keywords)
        return;
    for (const char* const* k = group->keywords; *k; ++k)
        registerObject(group->object, group->selector, *k);
}

void ZynDispatchTable::unregisterGroup(const ZynKeywordGroup* group)
{
    if (!group || !group->keywords)
        return;
    for (const char* const* k = group->keywords; *k; ++k)
        unregisterObject(group->object, *k);
}

void ZynDispatchTable::registerObject(kit::Object* object, ZynSelector andSelector, std::string_view forKeyword)
{
    registerActor(std::make_shared<ZynActor>(object, andSelector), forKeyword);
}

void ZynDispatchTable::registerActor(std::shared_ptr<ZynActor> actor, std::string_view forKeyword)
{
    if (!actor)
        return;
    auto it = dictionary_.find(forKeyword);
    if (it == dictionary_.end())
        it = dictionary_.emplace(std::string(forKeyword), Stack()).first;
    it->second.push_back(std::move(actor));
}

void ZynDispatchTable::unregisterObject(const kit::Object* object, std::string_view forKeyword)
{
    const auto it = dictionary_.find(forKeyword);
    if (it == dictionary_.end() || it->second.empty())
        return;
    // The target as registered, even when it is already gone.
    const ZynActor& top = *it->second.back();
    if (top.registeredObject() == object)
        it->second.pop_back();
}

kit::Object* ZynDispatchTable::objectForKeyword(std::string_view keyword) const
{
    const ZynActor* actor = actorForKeyword(keyword);
    return actor ? actor->object() : nullptr;
}

ZynSelector ZynDispatchTable::selectorForKeyword(std::string_view keyword) const
{
    const ZynActor* actor = actorForKeyword(keyword);
    return actor ? actor->selector() : nullptr;
}

std::size_t ZynDispatchTable::Depths::depthOf(std::string_view keyword) const
{
    const auto it = depths_.find(std::string(keyword));
    return it == depths_.end() ? 0 : it->second;
}

ZynDispatchTable::Depths ZynDispatchTable::depths() const
{
    Depths d;
    d.depths_.reserve(dictionary_.size());
    for (const auto& [keyword, stack] : dictionary_)
        if (!stack.empty())
            d.depths_.emplace(keyword, stack.size());
    return d;
}

void ZynDispatchTable::cutBackTo(const Depths& depths)
{
    for (auto& [keyword, stack] : dictionary_) {
        if (stack.empty())
            continue;
        const auto it = depths.depths_.find(keyword);
        const std::size_t keep = it == depths.depths_.end() ? 0 : it->second;
        if (stack.size() > keep)
            stack.resize(keep);
    }
}

std::vector<std::string> ZynDispatchTable::keywords() const
{
    std::vector<std::string> out;
    out.reserve(dictionary_.size());
    for (const auto& entry : dictionary_)
        out.push_back(entry.first);
    return out;
}

const ZynDispatchTable::Stack* ZynDispatchTable::stackForKeyword(std::string_view keyword) const
{
    const auto it = dictionary_.find(keyword);
    return it == dictionary_.end() ? nullptr : &it->second;
}

void ZynDispatchTable::encodeWithCoder(kit::Coder& coder) const
{
    std::vector<std::string> sorted = keywords();
    std::sort(sorted.begin(), sorted.end());
    coder.encodeValuesOfObjCTypes("i", static_cast<std::int32_t>(sorted.size()));
    for (const std::string& keyword : sorted) {
        const Stack& stack = dictionary_.find(keyword)->second;
        coder.encodeValuesOfObjCTypes("*i", keyword, static_cast<std::int32_t>(stack.size()));
        for (const auto& actor : stack)
            coder.encodeObject(actor.get());
    }
    // The free list: nothing ever joins it.
    coder.encodeValuesOfObjCTypes("i", std::int32_t(0));
}

kit::Object* ZynDispatchTable::initWithCoder(kit::Coder& coder)
{
    if (coder.versionForClassName(className()).value_or(0) != 0)
        return nullptr;
    auto damaged = [](const std::string& why) {
        kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "keyword table: " + why);
    };
    std::int32_t count = 0;
    coder.decodeValuesOfObjCTypes("i", &count);
    if (count < 0)
        damaged("a negative number of keywords");
    coder.checkUnitCount("*i", static_cast<std::size_t>(count));
    decltype(dictionary_) dictionary;
    // An actor registered under several keywords is one object.
    std::unordered_map<const kit::Object*, std::shared_ptr<ZynActor>> actors;
    for (std::int32_t i = 0; i < count; ++i) {
        std::string keyword;
        std::int32_t depth = 0;
        coder.decodeValuesOfObjCTypes("*i", &keyword, &depth);
        if (depth < 0)
            damaged("a negative stack depth");
        coder.checkUnitCount("@", static_cast<std::size_t>(depth));
        Stack stack;
        stack.reserve(static_cast<std::size_t>(depth));
        for (std::int32_t j = 0; j < depth; ++j) {
            kit::Object* object = coder.decodeObject();
            if (!object)
                continue;
            auto known = actors.find(object);
            if (known == actors.end()) {
                std::shared_ptr<ZynActor> actor(coder.claim<ZynActor>(object, *this));
                known = actors.emplace(object, std::move(actor)).first;
            }
            stack.push_back(known->second);
        }
        dictionary[std::move(keyword)] = std::move(stack);
    }
    std::int32_t freeCount = 0;
    coder.decodeValuesOfObjCTypes("i", &freeCount);
    if (freeCount != 0)
        damaged("a free list that is not empty");
    dictionary_ = std::move(dictionary);
    return this;
}
