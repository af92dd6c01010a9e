#include "appkit/Receiver.h"

#include "appkit/RunLoop.h"

#include <set>

namespace kit {

namespace {
std::set<std::string, std::less<>>& selectorTable()
{
    static auto* table = new std::set<std::string, std::less<>>;
    return *table;
}
} // namespace

void Receiver::registerSelector(const std::string& selector)
{
    if (!selector.empty())
        selectorTable().insert(selector);
}

bool Receiver::isRegisteredSelector(const std::string& selector)
{
    return selectorTable().count(selector) != 0;
}

Receiver::Receiver() : cell_(std::make_shared<Receiver*>(this)) {}

Receiver::~Receiver()
{
    *cell_ = nullptr;
    RunLoop::currentRunLoop().forgetTarget(cell_);
}

bool Receiver::respondsToSelector(const std::string& selector) const
{
    return actions_.count(selector) != 0;
}

Object* Receiver::performSelector(const std::string& selector, Object* argument)
{
    auto it = actions_.find(selector);
    if (it == actions_.end())
        return nullptr;
    // The action may replace itself; call a copy.
    Action action = it->second;
    return action(argument);
}

void Receiver::performSelector(const std::string& selector, Object* argument, double afterDelay)
{
    performSelector(selector, argument, afterDelay, {DefaultRunLoopMode});
}

void Receiver::performSelector(const std::string& selector, Object* argument, double afterDelay,
                               const std::vector<std::string>& inModes)
{
    RunLoop::currentRunLoop().addPerformRequest(this, selector, argument, afterDelay, inModes);
}

void Receiver::cancelPreviousPerformRequestsWithTarget(Receiver* target, const std::string& selector,
                                                       Object* argument)
{
    if (target)
        RunLoop::currentRunLoop().cancelPerformRequests(target, &selector, argument);
}

void Receiver::cancelPreviousPerformRequestsWithTarget(Receiver* target)
{
    if (target)
        RunLoop::currentRunLoop().cancelPerformRequests(target, nullptr, nullptr);
}

void Receiver::setAction(const std::string& selector, Action action)
{
    if (action) {
        registerSelector(selector);
        actions_[selector] = std::move(action);
    }
    else
        actions_.erase(selector);
}

} // namespace kit
