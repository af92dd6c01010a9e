#pragma once

// The keyword table the dispatchers share: per keyword a stack of actors,
// the newest registration on top. Handlers register groups of keywords for
// the length of an import or of one group of the input, and unregister them
// in the reverse order.
//
// A read that stops early (truncated input, an exception) never reaches the
// terminators that would unregister what its handlers registered. A Mark
// records the depth of every stack; cutBackTo (or the Mark going out of
// scope) pops whatever was pushed since, so that nothing registered during a
// read outlives it.

#include "bundles/convala/markup/ZynActor.h"
#include "bundles/convala/markup/ZynHandler.h"

#include "core/Object.h"
#include "core/WeakLink.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct ZynKeywordGroup;

class ZynDispatchTable : public kit::Object, public kit::WeakTarget {
public:
    using Stack = std::vector<std::shared_ptr<ZynActor>>;

    ZynDispatchTable() = default;

    // Registers the class with the archiver's registry (version 0).
    static void initialize();

    // One new actor for the group's object and selector per keyword, in
    // list order. Nothing for no group or an empty list.
    void registerGroup(const ZynKeywordGroup* group);
    // unregisterObject for each keyword with the group's object.
    void unregisterGroup(const ZynKeywordGroup* group);
    void registerObject(kit::Object* object, ZynSelector andSelector, std::string_view forKeyword);
    // Pushes the actor on the keyword's stack (nil is ignored).
    void registerActor(std::shared_ptr<ZynActor> actor, std::string_view forKeyword);
    // Pops the keyword's top actor when its target is that object; else
    // nothing changes. An emptied stack answers no actor.
    void unregisterObject(const kit::Object* object, std::string_view forKeyword);

    // The top actor (exact, case-sensitive lookup); nil when none.
    ZynActor* actorForKeyword(std::string_view keyword) const
    {
        const auto it = dictionary_.find(keyword);
        return it == dictionary_.end() || it->second.empty() ? nullptr : it->second.back().get();
    }
    // The same, shared: the actor stays valid even when it is unregistered
    // while the caller still holds it (as the dispatcher does for a group).
    std::shared_ptr<ZynActor> sharedActorForKeyword(std::string_view keyword) const
    {
        const auto it = dictionary_.find(keyword);
        return it == dictionary_.end() || it->second.empty() ? nullptr : it->second.back();
    }
    kit::Object* objectForKeyword(std::string_view keyword) const;
    ZynSelector selectorForKeyword(std::string_view keyword) const;

    // The depth of every keyword's stack.
    class Depths {
    public:
        std::size_t depthOf(std::string_view keyword) const;

    private:
        friend class ZynDispatchTable;
        std::unordered_map<std::string, std::size_t> depths_;
    };
    Depths depths() const;
    // Pops every stack down to its recorded depth (a keyword not recorded
    // down to empty). Stacks already shallower stay as they are.
    void cutBackTo(const Depths& depths);

    // Records the depths when made and cuts back to them when it goes, on
    // every way out of a scope.
    class Mark {
    public:
        explicit Mark(ZynDispatchTable& table) : table_(table), depths_(table.depths()) {}
        ~Mark() { table_.cutBackTo(depths_); }
        Mark(const Mark&) = delete;
        Mark& operator=(const Mark&) = delete;

        const Depths& depths() const { return depths_; }

    private:
        ZynDispatchTable& table_;
        Depths depths_;
    };

    // Keywords with a stack (possibly emptied), in no particular order.
    std::vector<std::string> keywords() const;
    const Stack* stackForKeyword(std::string_view keyword) const;

    std::string className() const override { return "ZynDispatchTable"; }
    // The keywords in byte order, each with its stack of actors (bottom
    // first), then the free list (always empty).
    void encodeWithCoder(kit::Coder& coder) const override;
    // Version 0 only; another version reads as nil.
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, Stack, Hash, std::equal_to<>> dictionary_;
};
