// Running a sequence and its invariants: the document's stored form and
// layout after Undo of everything, after Redo of everything, and after a
// save and an open; and shrinking a failing sequence.

#include "PageViewSequence.h"
#include "PageViewSession.h"

#include "fuzz/OperationsModel.h"
#include "text/tests/LayoutInvariant.h"

#include "app/Layvane.h"
#include "app/Scrivly.h"
#include "panels/ZynInspectorPanel.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Font.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "view/PageView.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <typeinfo>

namespace viewsequence {

std::string flowTextOf(const TextFlow& flow);
void runSteps(Session& session, const Sequence& sequence, std::vector<std::string>& trace,
              std::vector<TextEdit>& edits, const std::string& folder,
              const std::function<bool(std::size_t)>& afterStep);

namespace {

std::string num(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(value));
    return std::string(text) == "-0.00" ? "0.00" : text;
}

// The flows of the document in the order of their first column on the
// pages (a group's members too), then the master items'.
std::vector<TextFlow*> flowsInOrder(const LayoutDocument& document)
{
    std::vector<TextFlow*> flows;
    std::function<void(const Item*)> visit = [&](const Item* item) {
        if (const auto* column = dynamic_cast<const TextItem*>(item)) {
            if (TextFlow* flow = column->flow(); flow && std::find(flows.begin(), flows.end(), flow) == flows.end())
                flows.push_back(flow);
        } else if (const auto* group = dynamic_cast<const ItemGroup*>(item)) {
            for (const auto& member : group->items())
                visit(member.get());
        }
    };
    for (const auto& page : document.pages())
        for (const auto& item : page->pageItems())
            visit(item.get());
    for (const auto& item : document.masterItems())
        visit(item.get());
    return flows;
}

// Where the layout put every column's text and every word of every flow.
std::string layoutOf(const LayoutDocument& document)
{
    std::ostringstream out;
    out << "pages " << document.numPages() << "\n";
    int f = 0;
    for (TextFlow* flow : flowsInOrder(document)) {
        const layoutcheck::LayoutRecord record = layoutcheck::recordLayout(*flow);
        out << "flow " << f++ << ": " << record.columns.size() << " columns\n";
        for (const auto& column : record.columns)
            out << "  column " << layoutcheck::detail::point(column.start) << " to " << layoutcheck::detail::point(column.end)
                << "\n";
        // A paragraph of no letters lays out as no word or as one empty
        // word (reading gives every paragraph a word): one line or none,
        // where nothing shows either way.
        const bool blank = std::all_of(flow->paragraphList().begin(), flow->paragraphList().end(),
                                       [](const auto& paragraph) {
                                           return std::all_of(paragraph->wordList().begin(),
                                                              paragraph->wordList().end(), [](const auto& word) {
                                                                  return !word->isSpecial() && word->length() == 0;
                                                              });
                                       });
        if (blank) {
            out << "  no text\n";
            continue;
        }
        // Text past the end of the last column has no place: where the
        // layout left its words says nothing.
        const textPoint end = layoutcheck::detail::placedEnd(record);
        int p = 0;
        for (const auto& paragraph : record.paragraphs) {
            const int at = p++;
            if (at > end.paragraph || (at == end.paragraph && end.word < 0)) {
                out << "  paragraph " << at << " has no place\n";
                continue;
            }
            out << "  paragraph " << at << " columns " << paragraph.firstColumn << ".." << paragraph.lastColumn
                << " y " << num(paragraph.firstY) << ".." << num(paragraph.lastY) << ":";
            int w = 0;
            for (const auto& word : paragraph.words) {
                if (at == end.paragraph && w++ >= end.word)
                    break;
                for (const auto& piece : word.pieces)
                    out << " " << num(piece.x) << "," << num(piece.y);
            }
            out << "\n";
        }
    }
    return out.str();
}

std::string snapshot(const LayoutDocument& document)
{
    return fuzz::ops::describeDocument(document, true) + "layout\n" + layoutOf(document);
}

std::string differenceBetween(const std::string& expected, const std::string& found)
{
    return fuzz::ops::firstDifference(expected, found);
}

void writePictures(const std::string& folder)
{
    for (const auto& [name, w, h] : {std::tuple{"small.tiff", 40, 24}, std::tuple{"large.tiff", 300, 180}}) {
        const std::string path = folder + "/" + name;
        if (kit::FileManager::fileExistsAtPath(path))
            continue;
        kit::BitmapImageRep rep(w, h, kit::BitmapImageRep::ColorModel::RGB, false);
        for (int i = 0; i < w * h; ++i)
            rep.bitmapData()[std::size_t(i) * 3 + std::size_t(i % 3)] = 200;
        (void)kit::FileManager::writeFileAtomically(path, rep.TIFFRepresentation());
    }
}

// Undo (Redo) until the stack has nothing more, or `most` times; the view's
// own command, with text editing ended as Escape ends it.
int undoAll(Session& session, bool undo, int most = 10000)
{
    UndoInfo* stack = session.document().undoInfo();
    int done = 0;
    for (int guard = 0; stack && guard < most; ++guard) {
        if ((undo ? stack->undoCount() : stack->redoCount()) <= 0)
            break;
        session.endEditing();
        if (std::getenv("SCRIVLY_VIEW_SEQUENCE_TRACE"))
            if (Undo* record = undo ? stack->currentRecord() : nullptr)
                std::fprintf(stderr, "  undoing %s\n", typeid(*record).name());
        undo ? session.view().undo(nullptr) : session.view().redo(nullptr);
        ++done;
        if (std::getenv("SCRIVLY_VIEW_SEQUENCE_TRACE"))
            std::fprintf(stderr, "  after %s %d: %d pages\n%s\n", undo ? "undo" : "redo", done,
                         session.document().numPages(), snapshot(session.document()).c_str());
    }
    session.endEditing();
    session.completeLayout();
    return done;
}

} // namespace

void initializeProcess()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    kit::Application::sharedApplication();
    kit::Clock::useVirtualClock(0.0);
    fuzz::ops::registerValueClasses();
    kit::Font::initialize();
    Scrivly::initialize();
    TextWord::initialize();
    ZynInspectorPanel::initialize();
}

Result run(const Sequence& sequence, const std::string& folder)
{
    initializeProcess();
    writePictures(folder);
    Result result;
    std::vector<TextEdit> edits;
    const auto fail = [&](const char* invariant, const std::string& what) {
        result.invariant = invariant;
        result.failure = what;
    };
    result.trace.push_back(sequence.wordProcessor ? "word-processor document" : "page-layout document");

    Session session(sequence.wordProcessor, folder);
    const std::string first = snapshot(session.document());
    runSteps(session, sequence, result.trace, edits, folder, [&](std::size_t) {
        if (const std::string problem = fuzz::ops::linkProblems(session.document()); !problem.empty()) {
            fail("step", problem);
            return false;
        }
        return true;
    });
    if (result.failed())
        return result;

    session.endEditing();
    session.completeLayout();
    const std::string last = snapshot(session.document());
    // Records undone by the sequence's own Undo stay undone in the last
    // document: Redo goes back as far as the sequence had gone.
    const int depth = session.document().undoInfo() ? session.document().undoInfo()->undoCount() : 0;

    const int undone = undoAll(session, true);
    result.trace.push_back("undo everything (" + std::to_string(undone) + ")");
    if (const std::string problem = fuzz::ops::linkProblems(session.document()); !problem.empty()) {
        fail("undo", problem);
        return result;
    }
    std::string expected = first;
    if (!edits.empty()) {
        // The text edits stay: the first document with them made again.
        Session again(sequence.wordProcessor, folder);
        for (const TextEdit& edit : edits) {
            (void)again.edit(edit);
            if (std::getenv("SCRIVLY_VIEW_SEQUENCE_TRACE") && again.mainFlow())
                std::fprintf(stderr, "  again: %s\n", flowTextOf(*again.mainFlow()).c_str());
        }
        again.endEditing();
        again.completeLayout();
        expected = snapshot(again.document());
        session.delegate().setMainPageView(&session.view());
    }
    const std::string undoneState = snapshot(session.document());
    if (undoneState != expected) {
        fail("undo", "undo of everything does not give back the first document (with the text edits) at " +
                         differenceBetween(expected, undoneState));
        return result;
    }

    const int redone = undoAll(session, false, depth);
    result.trace.push_back("redo everything (" + std::to_string(redone) + ")");
    if (const std::string problem = fuzz::ops::linkProblems(session.document()); !problem.empty()) {
        fail("redo", problem);
        return result;
    }
    const std::string redoneState = snapshot(session.document());
    if (redoneState != last) {
        fail("redo", "redo of everything does not give back the last document at " +
                         differenceBetween(last, redoneState));
        return result;
    }

    const std::string path = folder + (sequence.wordProcessor ? "/sequence.syb" : "/sequence.lvb");
    result.trace.push_back("save and open");
    kit::FileManager::removeFileAtPath(path);
    if (!session.document().saveFile(path, false)) {
        fail("reopen", "the document was not saved");
        return result;
    }
    std::unique_ptr<LayoutDocument> prototype = session.document().makeDocument();
    LayoutDocument* opened = prototype->initFromFile(path, true);
    if (!opened) {
        fail("reopen", "the saved document does not open");
        return result;
    }
    opened->setShowGuides(true);
    for (int round = 0; round < 8; ++round) {
        bool pending = false;
        for (TextFlow* flow : opened->flows())
            if (flow->hasPendingLayout()) {
                flow->completeLayout();
                pending = true;
            }
        if (!pending)
            break;
    }
    const std::string reopened = snapshot(*opened);
    (void)session.delegate().removeDocument(opened);
    session.delegate().setMainPageView(&session.view());
    if (reopened != redoneState)
        fail("reopen", "the document saved and opened again differs at " + differenceBetween(redoneState, reopened));
    return result;
}

Sequence shrink(const Sequence& failing, const std::string& folder, Result* result)
{
    Sequence best = failing;
    Result bestResult = run(best, folder);
    if (!bestResult.failed()) {
        if (result)
            *result = bestResult;
        return best;
    }
    const std::string invariant = bestResult.invariant;
    // Chunks of halving size are left out while the same invariant breaks.
    for (std::size_t chunk = std::max<std::size_t>(1, best.steps.size() / 2); chunk >= 1; chunk /= 2) {
        bool progress = true;
        while (progress) {
            progress = false;
            for (std::size_t at = 0; at < best.steps.size();) {
                Sequence shorter = best;
                const std::size_t end = std::min(best.steps.size(), at + chunk);
                shorter.steps.erase(shorter.steps.begin() + std::ptrdiff_t(at), shorter.steps.begin() + std::ptrdiff_t(end));
                Result tried = run(shorter, folder);
                if (tried.failed() && tried.invariant == invariant) {
                    best = std::move(shorter);
                    bestResult = std::move(tried);
                    progress = true;
                } else {
                    at += chunk;
                }
            }
        }
        if (chunk == 1)
            break;
    }
    if (result)
        *result = bestResult;
    return best;
}

std::string report(const Sequence& sequence, const Result& result)
{
    std::ostringstream out;
    out << (result.failed() ? "invariant \"" + result.invariant + "\" broke: " + result.failure : "passed") << "\n";
    out << "steps (" << sequence.steps.size() << "):\n";
    for (const std::string& line : result.trace)
        out << "  " << line << "\n";
    out << "as code:";
    for (const Step& step : sequence.steps) {
        out << " {" << int(step.op);
        for (std::uint8_t b : step.arg)
            out << "," << int(b);
        out << "}";
    }
    out << "\n";
    return out.str();
}

} // namespace viewsequence
