#pragma once

// A seeded random sequence of what a user does in a document window, done
// through the page view's own commands and mouse loops: drawing, placing,
// selecting, nudging, dragging (across pages too), knob drags, rotating,
// flipping, grouping, locking, the stacking order, colours, deleting,
// cutting, copying, pasting, cloning, guides, going to pages and typing
// (which adds and removes pages). After the sequence come Undo of
// everything, Redo of everything, and a save and an open, each with its
// invariant:
//
// - undo of everything gives back the first document (with the text typed
//   since, which the undo stack does not hold): its stored form and its
//   layout equal those of a fresh document given the same text edits;
// - redo of everything gives back the last document;
// - saving and opening gives the same document and layout.
//
// After every step the document's back references must name living
// objects. A failing sequence shrinks to the shortest one that still
// breaks the same invariant.

#include <cstdint>
#include <string>
#include <vector>

namespace viewsequence {

struct Step {
    std::uint8_t op = 0;
    std::uint8_t arg[8] = {};
};

struct Sequence {
    bool wordProcessor = true;
    std::vector<Step> steps;
};

// The sequence a seed makes: the kind of document and `length` steps.
Sequence sequenceForSeed(std::uint64_t seed, int length);
// The same over items alone, with the inspector's Graphics pane changing
// the selection among the steps.
Sequence graphicsPaneSequenceForSeed(std::uint64_t seed, int length);

struct Result {
    // Which invariant broke ("step", "undo", "redo", "reopen"; empty when
    // none did) and how.
    std::string invariant;
    std::string failure;
    // What each step did, one line each.
    std::vector<std::string> trace;
    bool failed() const { return !invariant.empty(); }
};

// Runs the sequence in a fresh document window of a fresh application
// delegate; files go to the folder.
Result run(const Sequence& sequence, const std::string& folder);

// The shortest sequence found that still breaks the same invariant, and
// its result.
Sequence shrink(const Sequence& failing, const std::string& folder, Result* result);

// The trace and the failure, for a report.
std::string report(const Sequence& sequence, const Result& result);

// The process-wide set-up, once: fonts, classes, the offscreen platform.
void initializeProcess();

} // namespace viewsequence
