#pragma once

// The panels registry: one row a panel, which says all the program knows of
// it (its name, how it is built, its class, the command that runs it,
// whether it serves the program or one document at a time, and what it is
// told when the main document changes or closes). Each panel is made at most
// once, with the file's owner as its owner, and kept for the life of the
// registry. A new panel is its row plus its class.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class PanelHost;

namespace kit {
class Object;
class Receiver;
}

struct PanelRow {
    // How the row's command brings the panel forward. None: the command
    // runs only the row's own steps (a modal run), and without any it is
    // answered elsewhere (a document's or a page view's); the row then
    // only decides whether it can run.
    enum class Show { None, OrderFront, MakeKeyAndOrderFront };
    // What a visible panel is told when another document becomes the main
    // one: its selection through inspect or inspectSelection, some only
    // while no text is edited.
    enum class Follow { Nothing, InspectWhenNotEditing, InspectSelectionWhenNotEditing, InspectSelection, Inspect };
    // What the panel is told when a document closes: inspect no style, or
    // no selection.
    enum class Forget { Nothing, Style, Selection };

    // The outlet and getter name ("tabsPanel").
    std::string name{};
    // The builder: the interface file ("PanelTabs.nib"), else the class
    // made by its name through the class registry. A builder that is not
    // registered (yet) leaves the panel nil and its command disabled.
    std::string file{};
    std::string className{};
    // The menu command that runs it ("runTabs:"); empty: none.
    std::string action{};
    // One panel for the program, following the main document; false: it
    // is run for the main document, so its command needs one.
    bool shared = true;
    Show show = Show::None;
    // The command's own steps once the panel is there, before it shows.
    std::function<void(kit::Object* panel, kit::Object* sender)> prepare{};
    // The outlet its builder fills when not the row's name (both styles
    // panels' files fill "stylesPanel"; an inspector sets
    // "GraphicsInspector").
    std::string builderOutlet{};
    // A panel made before this one.
    std::string madeFirst{};
    // Made only with the other members of this group, by class name
    // ("Inspectors"); its getter never makes it.
    std::string group{};
    Follow follow = Follow::Nothing;
    Forget forget = Forget::Nothing;
    // Close All Panels leaves it open (the toolbar).
    bool keepOpen = false;
};

class PanelRegistry {
public:
    // owner: the owner of every interface file and the delegate of a panel
    // without one; host: what the panels are given. Both outlive the
    // registry.
    PanelRegistry(kit::Receiver& owner, PanelHost& host, std::vector<PanelRow> rows);
    ~PanelRegistry();
    PanelRegistry(const PanelRegistry&) = delete;
    PanelRegistry& operator=(const PanelRegistry&) = delete;

    const std::vector<PanelRow>& rows() const { return rows_; }
    const PanelRow* row(const std::string& name) const;
    const PanelRow* rowForAction(const std::string& action) const;
    // Adds the row, or replaces the row of that name (a panel it already
    // made stays).
    void addRow(PanelRow row);

    // The panel of the row; nil when it is not made and create is not set,
    // or its builder is not there.
    kit::Object* panel(const std::string& name, bool create);
    kit::Object* existing(const std::string& name) const;
    // The panel exists or its builder is there.
    bool canMake(const PanelRow& row) const;
    // A builder fills an outlet: the row of that name, or the row whose
    // builder fills it. False for a name no row has.
    bool setOutlet(const std::string& name, kit::Object* object);
    // Makes each member of the group whose class exists, in the rows'
    // order, and sets it up for the owner; classes not built are skipped.
    // Answers how many were made.
    int makeGroup(const std::string& group, kit::Object* owner);

private:
    PanelRow* find(const std::string& name);
    bool builderIsThere(const PanelRow& row) const;
    // The panel made by the builder takes its place: it gets the host and,
    // a window without a delegate, the owner as its delegate.
    void adopt(kit::Object* made);

    kit::Receiver& owner_;
    PanelHost& host_;
    std::vector<PanelRow> rows_;
    // By row name; absent: not made.
    std::map<std::string, kit::Object*> outlets_;
    std::vector<std::unique_ptr<kit::Object>> made_;
    // The row whose builder runs (for an outlet several rows' files share),
    // and the outlets it filled.
    std::string loading_;
    std::vector<std::string> filled_;
};
