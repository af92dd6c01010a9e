#pragma once

// The document the operations fuzzer drives, in a window, and the checks run
// after every operation. Each input gets a model of its own.

#include "core/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class ScriptedAlertHandler;
class Window;
}
class Item;
class LayoutDocument;
class Layvane;
class PanelTabs;
class ParagraphInspector;
class Page;
class PageView;
class TextItem;

namespace fuzz::ops {

// The operations so far, one line each: printed when a check fails, when a
// sanitizer stops the process, and as they run when SCRIVLY_FUZZ_TRACE is
// set ("only": print the trace and run no checks).
class Trace {
public:
    static void reset();
    static void add(std::string line);
    static void print();
    static bool printing();
    static bool checking();
};

// A broken invariant: prints the trace and the finding, then aborts.
[[noreturn]] void failed(const std::string& what);

// Which checks run: SCRIVLY_FUZZ_CHECKS lists them ("audit,layout,redraw,
// save"; all by default), so that a campaign can look past a fault that is
// known and being mended.
struct Checks {
    bool audit = true, layout = true, redraw = true, save = true;
    static const Checks& enabled();
};

class Model {
public:
    // Process-wide set-up, once: application, fonts, stored classes.
    static void initializeProcess();

    Model(std::uint8_t header);
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    LayoutDocument& document() const { return *document_; }
    PageView* view() const { return view_; }
    kit::Window& window() const { return *window_; }
    bool wordProcessor() const { return wordProcessor_; }
    kit::ScriptedAlertHandler& alerts() const { return *alerts_; }

    // The text columns on the pages, in page and stacking order.
    std::vector<TextItem*> columns() const;
    // The items of the pages, in page and stacking order.
    std::vector<Item*> items() const;
    // Where an item lies: "page 2 item 1" (or "master item 0").
    std::string where(const Item* item) const;
    // The column being edited, opening the chosen one when none is.
    TextItem* editedColumn(std::uint8_t choice);
    // The paragraph inspector over the document, made on first use.
    ParagraphInspector& inspector();
    // The tabs panel that carries out the indent steps, made on first use.
    PanelTabs& tabs();
    std::shared_ptr<TextItem> newColumn(const kit::Rect& frame) const;

    // Every enabled check, after an operation.
    void check();
    // Saving and reading back, as an operation (when the check is enabled).
    void saveAndRead() const { checkSaveAndRead(); }

private:
    void checkLinks() const;
    void checkAudit() const;
    void checkRepaint();
    void checkLayout();
    void checkSaveAndRead() const;

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::unique_ptr<Layvane> delegate_;
    std::unique_ptr<ParagraphInspector> inspector_;
    std::unique_ptr<PanelTabs> tabs_;
    std::unique_ptr<LayoutDocument> document_;
    std::unique_ptr<kit::Window> window_;
    PageView* view_ = nullptr;
    bool wordProcessor_ = false;
    bool times_ = false;
};

// The invariants, each answering what is wrong (empty when nothing is), for
// any document: every back reference names something alive; the document's
// audit shows no stale object link.
std::string linkProblems(const LayoutDocument& document);
std::string auditProblems(const LayoutDocument& document);

// What the stored form keeps of a document, one fact per line; with
// detail, each item's transform and graphic attributes, a group's members
// and the pages' guides as well.
std::string describeDocument(const LayoutDocument& document, bool detail = false);

// Where an item lies in the document: "page 2 item 1", "master item 0".
std::string whereIn(const LayoutDocument& document, const Item* item);

// The first line at which two listings differ, both shown.
std::string firstDifference(const std::string& was, const std::string& fresh);

// The platform's value classes (kept out of files that include the
// application kit: both have a Date).
void registerValueClasses();

} // namespace fuzz::ops
