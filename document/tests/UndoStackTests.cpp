// The undo stack: what it keeps, drops and frees, the order it undoes and
// redoes in, the limit, the pages panel's notices, and the edited mark.

#include "UndoTestSupport.h"

#include "foundation/Defaults.h"
#include "foundation/Preferences.h"

#include <string>

namespace {

// A record that writes what happens to it into a log.
class LoggedRecord : public Undo {
public:
    LoggedRecord(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
    ~LoggedRecord() override { log_->push_back("free " + name_); }
    void undoInDocument(LayoutDocument*) override { log_->push_back("undo " + name_); }
    void redoInDocument(LayoutDocument*) override { log_->push_back("redo " + name_); }
    const std::string& name() const { return name_; }
    std::vector<std::string>* log() const { return log_; }

private:
    std::string name_;
    std::vector<std::string>* log_;
};

class UndoStackTest : public UndoTest {
protected:
    void push(const std::string& name) { undo_->push(std::make_unique<LoggedRecord>(name, &log_)); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> list;
        for (const auto& record : undo_->list())
            list.push_back(static_cast<const LoggedRecord&>(*record).name());
        return list;
    }
    std::vector<std::string> takeLog() { return std::exchange(log_, {}); }

    std::vector<std::string> log_;
};

using Log = std::vector<std::string>;

TEST_F(UndoStackTest, APushDropsTheRedoTailAndFreesIt)
{
    push("A");
    push("B");
    push("C");
    ASSERT_TRUE(undo_->undo());
    ASSERT_TRUE(undo_->undo());
    takeLog();
    push("D");
    EXPECT_EQ(takeLog(), (Log{"free C", "free B"}));
    EXPECT_EQ(names(), (Log{"A", "D"}));
    EXPECT_EQ(undo_->undoCount(), 2);
    EXPECT_EQ(undo_->redoCount(), 0);
}

TEST_F(UndoStackTest, UndoRunsNewestFirstAndRedoOldestFirst)
{
    EXPECT_FALSE(undo_->undo());
    EXPECT_FALSE(undo_->redo());
    push("A");
    push("B");
    push("C");
    EXPECT_FALSE(undo_->redo());
    while (undo_->undo()) {
    }
    EXPECT_EQ(undo_->undoCount(), 0);
    // Everything undone: everything can be redone.
    EXPECT_EQ(undo_->redoCount(), 3);
    while (undo_->redo()) {
    }
    EXPECT_EQ(takeLog(), (Log{"undo C", "undo B", "undo A", "redo A", "redo B", "redo C"}));
}

// A record whose undo and redo make a record of their own, as the layout
// adds a page while text comes back.
class SpawningRecord : public LoggedRecord {
public:
    SpawningRecord(std::string name, std::vector<std::string>* log, UndoInfo* stack)
        : LoggedRecord(std::move(name), log), stack_(stack)
    {
    }
    void undoInDocument(LayoutDocument* document) override
    {
        LoggedRecord::undoInDocument(document);
        stack_->push(std::make_unique<LoggedRecord>("made by undo of " + name(), log()));
    }
    void redoInDocument(LayoutDocument* document) override
    {
        LoggedRecord::redoInDocument(document);
        stack_->push(std::make_unique<LoggedRecord>("made by redo of " + name(), log()));
    }

private:
    UndoInfo* stack_;
};

TEST_F(UndoStackTest, RecordsMadeWhileAnUndoOrRedoRunsAreNotPushed)
{
    push("A");
    undo_->push(std::make_unique<SpawningRecord>("B", &log_, undo_));
    push("C");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(undo_->undo());
    // The redo tail is whole and the index went down one record at a time.
    EXPECT_EQ(names(), (Log{"A", "B", "C"}));
    EXPECT_EQ(undo_->undoCount(), 0);
    EXPECT_EQ(undo_->redoCount(), 3);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(undo_->redo());
    EXPECT_EQ(names(), (Log{"A", "B", "C"}));
    EXPECT_EQ(undo_->undoCount(), 3);
    // What the undo of B made is held by B until B is done again.
    EXPECT_EQ(takeLog(), (Log{"undo C", "undo B", "undo A", "redo A", "redo B", "free made by redo of B",
                              "free made by undo of B", "redo C"}));
    // Pushing is as before once the undo is over.
    push("D");
    EXPECT_EQ(names(), (Log{"A", "B", "C", "D"}));
}

// B undone made a record (the layout added a page); a new edit drops B: what
// its undo made stays in the document, so it goes on the stack before the
// edit, and Undo of everything takes it back.
TEST_F(UndoStackTest, ARecordMadeWhileAnUndoRunsIsPushedWhenTheRedoTailIsDropped)
{
    push("A");
    undo_->push(std::make_unique<SpawningRecord>("B", &log_, undo_));
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(names(), (Log{"A", "B"}));
    push("D");
    EXPECT_EQ(names(), (Log{"A", "made by undo of B", "D"}));
    EXPECT_EQ(undo_->undoCount(), 3);
    EXPECT_EQ(undo_->redoCount(), 0);
    takeLog();
    while (undo_->undo()) {
    }
    EXPECT_EQ(takeLog(), (Log{"undo D", "undo made by undo of B", "undo A"}));
}

TEST_F(UndoStackTest, TheLimitDropsAndFreesTheOldest)
{
    struct Case {
        int capacity;
        Log kept;
        Log freed;
        bool limitReached;
    };
    const Case cases[] = {
        {2, {"B", "C"}, {"free A"}, true},
        {100, {"A", "B", "C"}, {}, false},
        {-1, {"A", "B", "C"}, {}, false},
        // Nothing is kept: every record goes as it comes.
        {0, {}, {"free A", "free B", "free C"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        undo_->empty();
        takeLog();
        UndoInfo::setCapacity(c.capacity);
        push("A");
        push("B");
        push("C");
        EXPECT_EQ(names(), c.kept);
        EXPECT_EQ(takeLog(), c.freed);
        EXPECT_EQ(undo_->limitReached(), c.limitReached);
        EXPECT_EQ(undo_->undoCount(), static_cast<int>(c.kept.size()));
    }
}

TEST_F(UndoStackTest, TheCapacityComesFromTheUndoLimitPreference)
{
    // The factory value, once the preferences are set up, then the user's.
    UndoInfo::setCapacity(-1);
    Preferences::resetClassSetUp();
    Preferences::initialize();
    UndoInfo::initialize();
    EXPECT_EQ(UndoInfo::capacity(), 100);
    ASSERT_TRUE(SetDefaultIntValue("UndoLimit", 7));
    UndoInfo::initialize();
    EXPECT_EQ(UndoInfo::capacity(), 7);
}

// The edited mark follows the document's distance from its file: it is
// unedited exactly where it was opened or last saved, and never again once
// the document changed in a way the stack holds no record of (Edit: typing,
// a text delete, a paragraph change), until the next save.
TEST_F(UndoStackTest, TheDocumentIsUneditedExactlyAtItsSavedPoint)
{
    enum Step { Push, Undo_, Redo, Pop, Save, Edit };
    struct Action {
        Step step;
        bool edited;
    };
    struct Case {
        const char* name;
        int capacity;
        std::vector<Action> actions;
    };
    const Case cases[] = {
        {"undo past a save, redo back to it", 100,
         {{Push, true}, {Push, true}, {Save, false}, {Push, true}, {Undo_, false}, {Undo_, true}, {Undo_, true},
          {Redo, true}, {Redo, false}, {Redo, true}}},
        {"undo to the opened state", 100, {{Push, true}, {Undo_, false}, {Redo, true}}},
        {"no limit", -1, {{Push, true}, {Push, true}, {Undo_, true}, {Undo_, false}}},
        // The saved state moves down with the records; the opened state
        // falls off the bottom and is never reached again.
        {"limit 2, saved after the first", 2,
         {{Push, true}, {Save, false}, {Push, true}, {Push, true}, {Undo_, true}, {Undo_, false}}},
        {"limit 2, saved at open", 2, {{Push, true}, {Push, true}, {Push, true}, {Undo_, true}, {Undo_, true}}},
        // A saved state in a redo tail that a push dropped is gone.
        {"saved state dropped with the redo tail", 100,
         {{Push, true}, {Push, true}, {Save, false}, {Undo_, true}, {Push, true}, {Undo_, true}, {Undo_, true},
          {Redo, true}, {Redo, true}}},
        {"an edit given up", 100, {{Push, true}, {Pop, false}}},
        {"an edit given up after a save", 100, {{Push, true}, {Save, false}, {Push, true}, {Pop, false}}},
        {"typed after a save, the saved edit undone and redone", 100,
         {{Push, true}, {Save, false}, {Edit, true}, {Undo_, true}, {Redo, true}, {Undo_, true}}},
        {"typed after an undoable edit", 100, {{Push, true}, {Edit, true}, {Undo_, true}, {Redo, true}}},
        {"typed while edited already, then undone", 100,
         {{Push, true}, {Edit, true}, {Push, true}, {Undo_, true}, {Undo_, true}}},
        {"typed, then an edit given up", 100, {{Edit, true}, {Push, true}, {Pop, true}}},
        {"typed, saved, then undone back to the save", 100, {{Edit, true}, {Save, false}, {Push, true}, {Undo_, false}}},
        {"typed with no limit", -1, {{Push, true}, {Save, false}, {Edit, true}, {Undo_, true}, {Redo, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        undo_->empty();
        UndoInfo::setCapacity(c.capacity);
        document_->setEdited(false);
        undo_->documentDidOpen();
        int made = 0;
        for (std::size_t i = 0; i < c.actions.size(); ++i) {
            SCOPED_TRACE(i);
            switch (c.actions[i].step) {
            case Push: push(std::to_string(made++)); break;
            case Undo_: ASSERT_TRUE(undo_->undo()); break;
            case Redo: ASSERT_TRUE(undo_->redo()); break;
            case Pop: undo_->pop(); break;
            case Save:
                document_->setEdited(false);
                undo_->documentDidSave();
                break;
            case Edit: document_->setEdited(true); break;
            }
            EXPECT_EQ(document_->isEdited(), c.actions[i].edited);
        }
    }
}

TEST_F(UndoStackTest, PopGivesUpTheCurrentRecordWithoutUndoingIt)
{
    push("A");
    push("B");
    takeLog();
    undo_->pop();
    EXPECT_EQ(takeLog(), (Log{"free B"}));
    EXPECT_EQ(names(), (Log{"A"}));
    EXPECT_EQ(undo_->undoCount(), 1);
    undo_->pop();
    undo_->pop();
    EXPECT_EQ(undo_->count(), 0);
    EXPECT_EQ(undo_->undoCount(), 0);
}

TEST_F(UndoStackTest, ThePagesPanelHearsOfPushesUndosAndRedosWhileItListens)
{
    Log heard;
    UndoInfo::notifyUndoItemAddedHook() = [&](Undo& record) {
        heard.push_back(static_cast<LoggedRecord&>(record).name());
    };
    push("A");
    push("B");
    ASSERT_TRUE(undo_->undo());
    ASSERT_TRUE(undo_->redo());
    undo_->pop();
    undo_->setNotifyPagePanel(false);
    push("C");
    ASSERT_TRUE(undo_->undo());
    UndoInfo::notifyUndoItemAddedHook() = nullptr;
    EXPECT_EQ(heard, (Log{"A", "B", "B", "B"}));
    EXPECT_TRUE(undo_->doesNotifyPagePanel() == false);
}

TEST_F(UndoStackTest, EmptyFreesEveryRecord)
{
    UndoInfo::setCapacity(2);
    push("A");
    push("B");
    push("C");
    ASSERT_TRUE(undo_->limitReached());
    takeLog();
    undo_->empty();
    EXPECT_EQ(takeLog(), (Log{"free B", "free C"}));
    EXPECT_EQ(undo_->count(), 0);
    EXPECT_FALSE(undo_->limitReached());
    EXPECT_FALSE(undo_->undo());
}

} // namespace
