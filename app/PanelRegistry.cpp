#include "app/PanelRegistry.h"

#include "app/PanelHost.h"
#include "appkit/NibLoader.h"
#include "appkit/Receiver.h"
#include "appkit/Window.h"
#include "core/Object.h"

#include <algorithm>

PanelRegistry::PanelRegistry(kit::Receiver& owner, PanelHost& host, std::vector<PanelRow> rows)
    : owner_(owner), host_(host), rows_(std::move(rows))
{
}

PanelRegistry::~PanelRegistry() = default;

PanelRow* PanelRegistry::find(const std::string& name)
{
    auto at = std::find_if(rows_.begin(), rows_.end(), [&](const PanelRow& r) { return r.name == name; });
    return at == rows_.end() ? nullptr : &*at;
}

const PanelRow* PanelRegistry::row(const std::string& name) const
{
    return const_cast<PanelRegistry*>(this)->find(name);
}

const PanelRow* PanelRegistry::rowForAction(const std::string& action) const
{
    if (action.empty())
        return nullptr;
    auto at = std::find_if(rows_.begin(), rows_.end(), [&](const PanelRow& r) { return r.action == action; });
    return at == rows_.end() ? nullptr : &*at;
}

void PanelRegistry::addRow(PanelRow row)
{
    if (PanelRow* existing = find(row.name))
        *existing = std::move(row);
    else
        rows_.push_back(std::move(row));
}

kit::Object* PanelRegistry::existing(const std::string& name) const
{
    const auto found = outlets_.find(name);
    return found == outlets_.end() ? nullptr : found->second;
}

bool PanelRegistry::builderIsThere(const PanelRow& row) const
{
    if (!row.file.empty())
        return kit::NibLoader::isRegistered(row.file);
    return !row.className.empty() && kit::ClassRegistry::isRegistered(row.className);
}

bool PanelRegistry::canMake(const PanelRow& row) const
{
    return existing(row.name) || (row.group.empty() && builderIsThere(row));
}

kit::Object* PanelRegistry::panel(const std::string& name, bool create)
{
    if (kit::Object* made = existing(name))
        return made;
    const PanelRow* found = row(name);
    if (!create || !found || !found->group.empty() || !builderIsThere(*found))
        return nullptr;
    // A copy: a builder may add rows.
    const PanelRow building = *found;
    if (!building.madeFirst.empty())
        (void)panel(building.madeFirst, true);

    const std::string outer = loading_;
    std::vector<std::string> outerFilled;
    outerFilled.swap(filled_);
    loading_ = building.name;
    bool built = false;
    if (!building.file.empty()) {
        std::vector<std::unique_ptr<kit::Object>> made;
        built = kit::NibLoader::loadNibFile(building.file, &owner_, &made);
        for (auto& object : made)
            made_.push_back(std::move(object));
    } else if (std::unique_ptr<kit::Object> object = kit::ClassRegistry::create(building.className)) {
        kit::Object* raw = object.get();
        made_.push_back(std::move(object));
        if (!existing(building.name))
            outlets_[building.name] = raw;
        built = true;
    }
    // A file that failed to build leaves its panel nil, not half made (the
    // loader keeps what it made).
    if (!built)
        for (const std::string& filled : filled_)
            outlets_.erase(filled);
    loading_ = outer;
    filled_ = std::move(outerFilled);

    kit::Object* made = existing(building.name);
    if (made)
        adopt(made);
    return made;
}

void PanelRegistry::adopt(kit::Object* made)
{
    if (auto* hosted = dynamic_cast<HostedPanel*>(made))
        hosted->setPanelHost(&host_);
    if (auto* window = dynamic_cast<kit::Window*>(made))
        if (window->delegate() == nullptr)
            window->setDelegate(&owner_);
}

bool PanelRegistry::setOutlet(const std::string& name, kit::Object* object)
{
    std::string target;
    if (find(name)) {
        target = name;
    } else if (const PanelRow* loading = row(loading_); loading && loading->builderOutlet == name) {
        target = loading->name;
    } else {
        const auto count = std::count_if(rows_.begin(), rows_.end(),
                                         [&](const PanelRow& r) { return r.builderOutlet == name; });
        if (count != 1)
            return false;
        target = std::find_if(rows_.begin(), rows_.end(), [&](const PanelRow& r) {
                     return r.builderOutlet == name;
                 })->name;
    }
    if (object)
        outlets_[target] = object;
    else
        outlets_.erase(target);
    filled_.push_back(target);
    return true;
}

int PanelRegistry::makeGroup(const std::string& group, kit::Object* owner)
{
    if (group.empty())
        return 0;
    int count = 0;
    // A copy: a member may add rows while it is set up.
    const std::vector<PanelRow> rows = rows_;
    for (const PanelRow& member : rows) {
        if (member.group != group || existing(member.name) || !kit::ClassRegistry::isRegistered(member.className))
            continue;
        std::unique_ptr<kit::Object> object = kit::ClassRegistry::create(member.className);
        if (!object)
            continue;
        kit::Object* raw = object.get();
        made_.push_back(std::move(object));
        if (auto* hosted = dynamic_cast<HostedPanel*>(raw))
            hosted->setPanelHost(&host_);
        const std::string outer = loading_;
        loading_ = member.name;
        if (auto* setUp = dynamic_cast<GroupMember*>(raw))
            (void)setUp->init(owner);
        loading_ = outer;
        // The member names itself when it is set up; else it is the row's.
        if (!existing(member.name))
            outlets_[member.name] = raw;
        ++count;
    }
    return count;
}
