#include "core/Pasteboard.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include <unistd.h>

namespace kit {

namespace {

std::map<std::string, std::unique_ptr<Pasteboard>>& boards()
{
    // Never destroyed: owners that outlive static destruction still unregister.
    static auto* b = new std::map<std::string, std::unique_ptr<Pasteboard>>;
    return *b;
}

struct ConverterEntry {
    std::string from;
    std::string to;
    Pasteboard::Converter fn;
};

std::vector<ConverterEntry>& converters()
{
    static auto* c = new std::vector<ConverterEntry>;
    return *c;
}

bool isSharedName(const std::string& name)
{
    return name == GeneralPboard || name == FontPboard || name == RulerPboard || name == FindPboard ||
           name == DragPboard;
}

// The shortest chain of converters from one type to another.
std::vector<const ConverterEntry*> converterPath(const std::string& from, const std::string& to)
{
    std::map<std::string, const ConverterEntry*> via;
    std::deque<std::string> queue{from};
    std::set<std::string> seen{from};
    while (!queue.empty()) {
        std::string t = queue.front();
        queue.pop_front();
        if (t == to)
            break;
        for (const auto& c : converters()) {
            if (c.from == t && seen.insert(c.to).second) {
                via[c.to] = &c;
                queue.push_back(c.to);
            }
        }
    }
    std::vector<const ConverterEntry*> path;
    if (!via.count(to))
        return path;
    for (std::string t = to; t != from;) {
        const ConverterEntry* c = via[t];
        path.push_back(c);
        t = c->from;
    }
    std::reverse(path.begin(), path.end());
    return path;
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return ss.str();
}

SystemClipboardBridge* g_bridge = nullptr;
bool g_inBridge = false;

} // namespace

void Pasteboard::setSystemClipboardBridge(SystemClipboardBridge* bridge)
{
    g_bridge = bridge;
}

namespace {

// Calls the bridge for the general pasteboard only, and never from inside
// the bridge itself (it reads and declares the same pasteboard).
template <class Call>
void callBridge(const std::string& name, Call call)
{
    if (!g_bridge || g_inBridge || name != GeneralPboard)
        return;
    g_inBridge = true;
    struct Reset {
        ~Reset() { g_inBridge = false; }
    } reset;
    call(*g_bridge);
}

} // namespace

void Pasteboard::bridgeDidDeclare()
{
    callBridge(name_, [&](SystemClipboardBridge& b) { b.generalPasteboardDidDeclare(*this); });
}

void Pasteboard::bridgeWillRead() const
{
    // The general pasteboard lives in the registry, never as a const object.
    callBridge(name_, [](SystemClipboardBridge& b) { b.generalPasteboardWillRead(pasteboardWithName(GeneralPboard)); });
}

const std::vector<std::string>& Pasteboard::types() const
{
    bridgeWillRead();
    return types_;
}

int Pasteboard::changeCount() const
{
    bridgeWillRead();
    return changeCount_;
}

std::string typeForFileExtension(const std::string& extension)
{
    return "NSTypedFilenamesPboardType:" + extension;
}

PasteboardOwner::~PasteboardOwner()
{
    Pasteboard::ownerWillDisappear(this);
}

void PasteboardOwner::pasteboardProvideDataForType(Pasteboard&, const std::string&) {}

void PasteboardOwner::pasteboardChangedOwner(Pasteboard&) {}

Pasteboard::Pasteboard(std::string name) : name_(std::move(name)) {}

Pasteboard::~Pasteboard() = default;

Pasteboard& Pasteboard::generalPasteboard()
{
    return pasteboardWithName(GeneralPboard);
}

Pasteboard& Pasteboard::pasteboardWithName(const std::string& name)
{
    auto& b = boards()[name];
    if (!b)
        b = std::make_unique<Pasteboard>(name);
    return *b;
}

Pasteboard* Pasteboard::existingPasteboardWithName(const std::string& name)
{
    auto it = boards().find(name);
    return it == boards().end() ? nullptr : it->second.get();
}

Pasteboard& Pasteboard::pasteboardWithUniqueName()
{
    static unsigned long serial = 0;
    std::string name;
    do {
        name = "ScrivlyUniquePboard-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    } while (boards().count(name));
    return pasteboardWithName(name);
}

int Pasteboard::declareTypes(const std::vector<std::string>& types, PasteboardOwner* owner)
{
    PasteboardOwner* previous = owner_;
    types_.clear();
    for (const auto& t : types)
        if (!hasType(t))
            types_.push_back(t);
    data_.clear();
    filteredTypes_.clear();
    filterSourceType_.clear();
    filterSourcePath_.clear();
    owner_ = owner;
    ++changeCount_;
    if (previous && previous != owner)
        previous->pasteboardChangedOwner(*this);
    bridgeDidDeclare();
    return changeCount_;
}

int Pasteboard::addTypes(const std::vector<std::string>& types, PasteboardOwner* owner)
{
    for (const auto& t : types)
        if (!hasType(t))
            types_.push_back(t);
    if (owner)
        owner_ = owner;
    bridgeDidDeclare();
    return changeCount_;
}

bool Pasteboard::hasType(const std::string& type) const
{
    return std::find(types_.begin(), types_.end(), type) != types_.end();
}

bool Pasteboard::setData(const std::string& data, const std::string& type)
{
    if (!hasType(type))
        return false;
    data_[type] = data;
    return true;
}

bool Pasteboard::setString(const std::string& string, const std::string& type)
{
    return setData(string, type);
}

std::optional<std::string> Pasteboard::filteredData(const std::string& type)
{
    if (std::find(filteredTypes_.begin(), filteredTypes_.end(), type) == filteredTypes_.end())
        return std::nullopt;
    auto source = data_.find(filterSourceType_);
    if (source == data_.end()) {
        if (filterSourcePath_.empty())
            return std::nullopt;
        auto contents = readWholeFile(filterSourcePath_);
        if (!contents)
            return std::nullopt;
        source = data_.emplace(filterSourceType_, std::move(*contents)).first;
    }
    if (type == filterSourceType_)
        return source->second;
    std::optional<std::string> current = source->second;
    for (const ConverterEntry* c : converterPath(filterSourceType_, type)) {
        current = c->fn(*current);
        if (!current)
            return std::nullopt;
    }
    data_[type] = *current;
    return current;
}

std::optional<std::string> Pasteboard::dataForType(const std::string& type)
{
    bridgeWillRead();
    if (!hasType(type))
        return std::nullopt;
    auto it = data_.find(type);
    if (it != data_.end())
        return it->second;
    if (auto filtered = filteredData(type))
        return filtered;
    if (owner_) {
        // The owner may in turn declare new types; hold on to nothing across the call.
        owner_->pasteboardProvideDataForType(*this, type);
        it = data_.find(type);
        if (it != data_.end())
            return it->second;
    }
    return std::nullopt;
}

std::optional<std::string> Pasteboard::stringForType(const std::string& type)
{
    return dataForType(type);
}

std::string Pasteboard::availableTypeFromArray(const std::vector<std::string>& types) const
{
    bridgeWillRead();
    for (const auto& t : types)
        if (hasType(t))
            return t;
    return {};
}

void Pasteboard::releaseGlobally()
{
    types_.clear();
    data_.clear();
    filteredTypes_.clear();
    filterSourceType_.clear();
    filterSourcePath_.clear();
    owner_ = nullptr;
    ++changeCount_;
    if (!isSharedName(name_))
        boards().erase(name_); // destroys *this: nothing may follow
}

void Pasteboard::ownerWillDisappear(PasteboardOwner* owner)
{
    for (auto& entry : boards()) {
        Pasteboard* board = entry.second.get();
        if (board->owner_ == owner) {
            // Promises of a vanished owner can no longer be kept.
            board->owner_ = nullptr;
            board->types_.erase(std::remove_if(board->types_.begin(), board->types_.end(),
                                               [board](const std::string& t) {
                                                   return !board->data_.count(t) &&
                                                          std::find(board->filteredTypes_.begin(),
                                                                    board->filteredTypes_.end(),
                                                                    t) == board->filteredTypes_.end();
                                               }),
                                board->types_.end());
        }
    }
}

void Pasteboard::registerConverter(const std::string& fromType, const std::string& toType, Converter fn)
{
    converters().push_back(ConverterEntry{fromType, toType, std::move(fn)});
}

void Pasteboard::removeAllConverters()
{
    converters().clear();
}

namespace {

// Every type reachable from the type through one or more converters, walking
// them forward (from → to) or backward.
template <class Converters>
std::vector<std::string> reachableTypes(const Converters& list, const std::string& type, bool forward)
{
    std::vector<std::string> out;
    std::set<std::string> seen{type};
    std::deque<std::string> queue{type};
    while (!queue.empty()) {
        std::string t = queue.front();
        queue.pop_front();
        for (const auto& c : list) {
            const std::string& here = forward ? c.from : c.to;
            const std::string& there = forward ? c.to : c.from;
            if (here == t && seen.insert(there).second) {
                out.push_back(there);
                queue.push_back(there);
            }
        }
    }
    return out;
}

} // namespace

std::vector<std::string> Pasteboard::typesFilterableTo(const std::string& type)
{
    return reachableTypes(converters(), type, true);
}

std::vector<std::string> Pasteboard::typesFilterableFrom(const std::string& type)
{
    return reachableTypes(converters(), type, false);
}

Pasteboard& Pasteboard::makeFiltered(const std::string& sourceType)
{
    Pasteboard& pb = pasteboardWithUniqueName();
    std::vector<std::string> types{sourceType};
    for (auto& t : typesFilterableTo(sourceType))
        types.push_back(t);
    pb.declareTypes(types, nullptr);
    pb.filteredTypes_ = types;
    pb.filterSourceType_ = sourceType;
    return pb;
}

Pasteboard& Pasteboard::pasteboardByFilteringData(const std::string& data, const std::string& type)
{
    Pasteboard& pb = makeFiltered(type);
    pb.data_[type] = data;
    return pb;
}

Pasteboard& Pasteboard::pasteboardByFilteringFile(const std::string& path)
{
    std::string ext;
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        ext = path.substr(dot + 1);
    Pasteboard& pb = makeFiltered(typeForFileExtension(ext));
    pb.filterSourcePath_ = path;
    return pb;
}

Pasteboard& Pasteboard::pasteboardByFilteringTypesInPasteboard(Pasteboard& pboard)
{
    Pasteboard& pb = pasteboardWithUniqueName();
    std::vector<std::string> types;
    std::map<std::string, std::string> data;
    for (const auto& t : std::vector<std::string>(pboard.types())) {
        auto d = pboard.dataForType(t);
        if (!d)
            continue;
        data[t] = *d;
        types.push_back(t);
    }
    // Every convertible type, made now: the source pasteboard may change later.
    std::vector<std::string> all = types;
    for (const auto& t : types) {
        for (const auto& target : typesFilterableTo(t)) {
            if (std::find(all.begin(), all.end(), target) != all.end())
                continue;
            std::optional<std::string> cur = data[t];
            for (const ConverterEntry* c : converterPath(t, target)) {
                cur = c->fn(*cur);
                if (!cur)
                    break;
            }
            if (cur) {
                all.push_back(target);
                data[target] = *cur;
            }
        }
    }
    pb.declareTypes(all, nullptr);
    for (auto& [t, d] : data)
        pb.setData(d, t);
    return pb;
}

} // namespace kit
