#include "bundles/convala/markup/ZynHandler.h"

#include <map>

namespace {

// Selectors live as long as the program, like the operations they name.
std::map<std::string, std::unique_ptr<ZynHandler>, std::less<>>& selectors()
{
    static std::map<std::string, std::unique_ptr<ZynHandler>, std::less<>> table;
    return table;
}

} // namespace

const ZynHandler::Method* ZynHandler::methodFor(const kit::Object* target) const
{
    if (!target)
        return nullptr;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if ((*it)->method.answers(target))
            return &(*it)->method;
    return nullptr;
}

kit::Object* ZynHandler::send(kit::Object* target, kit::Object* first, kit::Object* second) const
{
    const Method* m = methodFor(target);
    return m ? m->invoke(target, first, second) : nullptr;
}

ZynSelector ZynHandler::selector(std::string_view name)
{
    auto& table = selectors();
    auto it = table.find(name);
    if (it == table.end())
        it = table.emplace(std::string(name), std::unique_ptr<ZynHandler>(new ZynHandler(std::string(name)))).first;
    return it->second.get();
}

ZynSelector ZynHandler::selectorNamed(std::string_view name)
{
    auto& table = selectors();
    const auto it = table.find(name);
    return it == table.end() || !it->second->hasMethods() ? nullptr : it->second.get();
}

ZynSelector ZynHandler::addMethod(std::string_view name, const void* classKey, Answers answers, Invoke invoke)
{
    auto* handler = const_cast<ZynHandler*>(selector(name));
    for (auto& e : handler->entries_) {
        if (e->classKey == classKey) {
            e->method = Method{std::move(answers), std::move(invoke)};
            return handler;
        }
    }
    handler->entries_.push_back(std::make_unique<Entry>(Entry{classKey, Method{std::move(answers), std::move(invoke)}}));
    return handler;
}
