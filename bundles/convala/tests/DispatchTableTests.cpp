#include "MarkupTestSupport.h"

#include "bundles/convala/markup/ConvalaClasses.h"
#include "bundles/convala/markup/ZynActor.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynKeywordGroup.h"
#include "bundles/convala/markup/ZynListAdditions.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"

#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/WeakLink.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using convala_test::Recorder;

namespace {

ZynMarkupElement keyword(const char* k)
{
    ZynMarkupElement e;
    e.setText(k);
    return e;
}

// Who receives the keyword: the recorder's name, or "" for nobody.
std::string receiver(const ZynDispatchTable& table, const char* k)
{
    const ZynActor* actor = table.actorForKeyword(k);
    const auto* recorder = actor ? dynamic_cast<const Recorder*>(actor->object()) : nullptr;
    if (!recorder)
        return "";
    ZynMarkupElement e = keyword(k);
    actor->actWith(&e);
    return recorder->log.empty() ? "?" : recorder->log.back().substr(0, recorder->log.back().find(':'));
}

TEST(ZynDispatchTable, TheNewestRegistrationWinsAndUnregisteringUncoversTheOlder)
{
    ZynDispatchTable table;
    Recorder a("A"), b("B");
    const char* const keywordsA[] = {"par", "b", nullptr};
    const char* const keywordsB[] = {"par", "i", nullptr};
    const ZynKeywordGroup groupA{&a, Recorder::recordSelector(), keywordsA};
    const ZynKeywordGroup groupB{&b, Recorder::recordSelector(), keywordsB};
    table.registerGroup(&groupA);
    table.registerGroup(&groupB);
    EXPECT_EQ(receiver(table, "par"), "B");
    EXPECT_EQ(receiver(table, "b"), "A");
    EXPECT_EQ(receiver(table, "i"), "B");

    // Out of order: A is not on top of "par", so "par" keeps both.
    table.unregisterGroup(&groupA);
    EXPECT_EQ(receiver(table, "par"), "B");
    EXPECT_EQ(receiver(table, "b"), "");
    table.unregisterGroup(&groupB);
    EXPECT_EQ(receiver(table, "par"), "A");
    EXPECT_EQ(receiver(table, "i"), "");
    table.unregisterObject(&a, "par");
    EXPECT_EQ(receiver(table, "par"), "");
    EXPECT_EQ(table.actorForKeyword("par"), nullptr); // emptied, not gone
    ASSERT_NE(table.stackForKeyword("par"), nullptr);
}

TEST(ZynDispatchTable, LooksKeywordsUpExactly)
{
    ZynDispatchTable table;
    Recorder a("A");
    table.registerObject(&a, Recorder::recordSelector(), "par");
    table.registerObject(&a, Recorder::recordSelector(), "par");
    EXPECT_EQ(table.actorForKeyword("PAR"), nullptr);
    EXPECT_EQ(table.actorForKeyword("pa"), nullptr);
    EXPECT_EQ(table.actorForKeyword("never"), nullptr);
    EXPECT_EQ(table.objectForKeyword("par"), &a);
    EXPECT_EQ(table.selectorForKeyword("par"), Recorder::recordSelector());
    EXPECT_EQ(table.selectorForKeyword("never"), nullptr);
    // Registered twice by one object: one unregistration pops one.
    table.unregisterObject(&a, "par");
    EXPECT_EQ(table.objectForKeyword("par"), &a);
    table.unregisterObject(&a, "par");
    EXPECT_EQ(table.objectForKeyword("par"), nullptr);

    table.registerActor(nullptr, "par");
    table.registerGroup(nullptr);
    const char* const none[] = {nullptr};
    const ZynKeywordGroup empty{&a, Recorder::recordSelector(), none};
    table.registerGroup(&empty);
    EXPECT_EQ(table.depths().depthOf("par"), 0u);
}

// What handlers register during a read must not outlive it: a mark records
// every stack's depth and cuts each back, also when the way out is an
// exception.
TEST(ZynDispatchTable, AMarkCutsEveryStackBackToItsDepth)
{
    ZynDispatchTable table;
    Recorder base("base"), style("style");
    table.registerObject(&base, Recorder::recordSelector(), "f");
    table.registerObject(&base, Recorder::recordSelector(), "zyntext");
    try {
        ZynDispatchTable::Mark mark(table);
        EXPECT_EQ(mark.depths().depthOf("f"), 1u);
        table.registerObject(&style, Recorder::recordSelector(), "f");
        table.registerObject(&style, Recorder::recordSelector(), "f");
        table.registerObject(&style, Recorder::recordSelector(), "s");
        table.unregisterObject(&base, "zyntext"); // shallower stays shallower
        throw std::runtime_error("the read broke off");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(table.objectForKeyword("f"), &base);
    EXPECT_EQ(table.depths().depthOf("f"), 1u);
    EXPECT_EQ(table.actorForKeyword("s"), nullptr);
    EXPECT_EQ(table.actorForKeyword("zyntext"), nullptr);
}

// A target that can be watched reads nil once it is gone: its stale actor
// sends nothing.
TEST(ZynActor, SendsNothingToAGoneOrUnansweringTarget)
{
    struct Watched : Recorder, kit::WeakTarget {};
    int calls = 0;
    auto watched = std::make_unique<Watched>();
    watched->onElement = [&](ZynMarkupElement&) { ++calls; };
    ZynActor actor(watched.get(), Recorder::recordSelector());
    ZynMarkupElement e = keyword("par");
    EXPECT_EQ(actor.actWith(&e), watched.get());
    EXPECT_EQ(calls, 1);
    watched.reset();
    EXPECT_EQ(actor.object(), nullptr);
    EXPECT_EQ(actor.actWith(&e), nullptr);
    EXPECT_EQ(calls, 1);

    ZynMarkupDispatcher notARecorder;
    ZynActor wrongClass(&notARecorder, Recorder::recordSelector());
    EXPECT_EQ(wrongClass.actWith(&e), nullptr);
    ZynActor noSelector(&notARecorder, nullptr);
    EXPECT_EQ(noSelector.act(), nullptr);
    ZynActor empty;
    EXPECT_EQ(empty.actWith(&e, &e), nullptr);
}

// A class with a handler of each arity, for the list broadcasts.
class Counter : public kit::Object {
public:
    std::string className() const override { return "Counter"; }
    void bump() { log.push_back("bump"); }
    kit::Object* take(kit::Object* a) { return note("take", a, nullptr); }
    kit::Object* pair(kit::Object* a, kit::Object* b) { return note("pair", a, b); }
    kit::Object* note(const char* what, kit::Object* a, kit::Object* b)
    {
        auto name = [](kit::Object* o) {
            auto* c = dynamic_cast<Counter*>(o);
            return o == nullptr ? std::string("nil") : c ? c->name : std::string("?");
        };
        log.push_back(std::string(what) + "(" + name(a) + "," + name(b) + ")");
        return this;
    }
    std::string name;
    std::vector<std::string> log;
};

TEST(ZynListAdditions, StacksAndBroadcasts)
{
    const ZynSelector bump = ZynHandler::addMethod("bump", &Counter::bump);
    const ZynSelector take = ZynHandler::addMethod("take:", &Counter::take);
    const ZynSelector pair = ZynHandler::addMethod("pair:with:", &Counter::pair);
    Counter x, y, z, sender;
    x.name = "x";
    y.name = "y";
    z.name = "z";
    std::vector<Counter*> list;
    EXPECT_EQ(ZynListAdditions::top(list), nullptr);
    ZynListAdditions::pop(list); // nothing to pop
    ZynListAdditions::push(list, &x);
    ZynListAdditions::push(list, &y);
    ZynListAdditions::push(list, &z);
    EXPECT_EQ(ZynListAdditions::top(list), &z);
    ZynListAdditions::pop(list);
    EXPECT_EQ(ZynListAdditions::top(list), &y);
    ZynListAdditions::push(list, &z);

    EXPECT_EQ(ZynListAdditions::makeObject(list, &sender, take), &list);
    EXPECT_EQ(ZynListAdditions::makeObject(list, &sender, pair, &x), &list);
    EXPECT_EQ(sender.log, (std::vector<std::string>{"take(x,nil)", "take(y,nil)", "take(z,nil)", "pair(x,x)",
                                                    "pair(x,y)", "pair(x,z)"}));
    // An object that does not answer: nil, and nothing is sent.
    Recorder stranger;
    EXPECT_EQ(ZynListAdditions::makeObject(list, &stranger, take), nullptr);
    EXPECT_EQ(ZynListAdditions::makeObject(list, &sender, nullptr), nullptr);

    ZynListAdditions::makeObjectsPerform(list, pair, &x, &y); // last to first
    ZynListAdditions::makeObjectsPerformForward(list, bump);
    ZynListAdditions::makeObjectsPerformForward(list, take, &z);
    EXPECT_EQ(x.log, (std::vector<std::string>{"pair(x,y)", "bump", "take(z,nil)"}));
    EXPECT_EQ(z.log.front(), "pair(x,y)");
    EXPECT_EQ(y.log.size(), 3u);

    std::vector<std::shared_ptr<Counter>> owned{std::make_shared<Counter>()};
    EXPECT_EQ(ZynListAdditions::top(owned), owned.back().get());
}

// Archived tables, actors and dispatchers read back with their selectors
// found by name among the registered handlers.
class Holder : public kit::Object {
public:
    std::string className() const override { return "ConvalaTestHolder"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeObject(target.get());
        coder.encodeObject(table.get());
        coder.encodeObject(dispatcher.get());
    }
    kit::Object* initWithCoder(kit::Coder& coder) override
    {
        target = coder.decodeOwnedObject<Recorder>();
        table = coder.decodeOwnedObject<ZynDispatchTable>();
        dispatcher = coder.decodeOwnedObject<ZynMarkupDispatcher>();
        return this;
    }
    std::unique_ptr<Recorder> target;
    std::unique_ptr<ZynDispatchTable> table;
    std::unique_ptr<ZynMarkupDispatcher> dispatcher;
};

std::unique_ptr<Holder> roundTrip(const std::string& bytes)
{
    return kit::Unarchiver::unarchiveObjectWithData<Holder>(bytes);
}

TEST(ZynDispatchTable, ArchivesItsActorsWithTheirSelectorsByName)
{
    ConvalaClasses::initialize();
    kit::registerClass<Holder>("ConvalaTestHolder");
    kit::registerClass<Recorder>("Recorder");

    Holder holder;
    holder.target = std::make_unique<Recorder>("T");
    holder.table = std::make_unique<ZynDispatchTable>();
    holder.dispatcher = std::make_unique<ZynMarkupDispatcher>(holder.table.get());
    auto shared = std::make_shared<ZynActor>(holder.target.get(), Recorder::recordSelector());
    holder.table->registerActor(shared, "par");
    holder.table->registerActor(shared, "pard");
    holder.table->registerObject(nullptr, Recorder::recordSelector(), "par");
    holder.table->registerObject(holder.target.get(), nullptr, "b");
    holder.table->registerObject(holder.target.get(), Recorder::recordSelector(), "b");
    holder.table->unregisterObject(holder.target.get(), "b");
    holder.table->unregisterObject(nullptr, "par");

    const std::string bytes = kit::Archiver::archivedDataWithRootObject(&holder);
    std::unique_ptr<Holder> back = roundTrip(bytes);
    ASSERT_TRUE(back && back->table && back->target && back->dispatcher);
    EXPECT_EQ(back->dispatcher->dispatchTable(), back->table.get());
    const ZynDispatchTable& t = *back->table;
    EXPECT_EQ(t.depths().depthOf("par"), 1u);
    EXPECT_EQ(t.actorForKeyword("par"), t.actorForKeyword("pard")); // one actor, shared
    EXPECT_EQ(t.objectForKeyword("par"), back->target.get());
    EXPECT_EQ(t.selectorForKeyword("par"), Recorder::recordSelector());
    EXPECT_EQ(t.depths().depthOf("b"), 1u);
    EXPECT_EQ(t.selectorForKeyword("b"), nullptr);

    // The decoded actor sends to the decoded target.
    ZynMarkupElement e = keyword("par");
    t.actorForKeyword("par")->actWith(&e);
    EXPECT_EQ(back->target->log, std::vector<std::string>{"par"}); // names are not stored

    // Stored bytes naming an operation no class implements give an actor
    // without one, even when the name is known as a selector.
    ZynHandler::selector("system:");
    std::string forged = bytes;
    const std::size_t at = forged.find("record:");
    ASSERT_NE(at, std::string::npos);
    forged.replace(at, 7, "system:");
    std::unique_ptr<Holder> tampered = roundTrip(forged);
    ASSERT_TRUE(tampered && tampered->table);
    ASSERT_NE(tampered->table->actorForKeyword("par"), nullptr);
    EXPECT_EQ(tampered->table->selectorForKeyword("par"), nullptr);
    EXPECT_EQ(tampered->table->actorForKeyword("par")->actWith(&e), nullptr);

    // The table alone: its actors' targets are conditional and read nil.
    const std::string alone = kit::Archiver::archivedDataWithRootObject(holder.table.get());
    std::unique_ptr<ZynDispatchTable> lone = kit::Unarchiver::unarchiveObjectWithData<ZynDispatchTable>(alone);
    ASSERT_TRUE(lone);
    EXPECT_EQ(lone->objectForKeyword("par"), nullptr);
    EXPECT_EQ(lone->selectorForKeyword("pard"), Recorder::recordSelector());
}

} // namespace
