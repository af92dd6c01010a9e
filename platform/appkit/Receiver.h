#pragma once

#include "core/Object.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kit {

class Receiver;

// A reference that goes empty when its receiver is destroyed: what the run
// loop, tracking rectangles and delegates hold, so that a late message to a
// vanished object is dropped instead of reaching freed memory.
template <class T>
class WeakRef {
public:
    WeakRef() = default;
    WeakRef(T* object);
    T* get() const;
    explicit operator bool() const { return get() != nullptr; }
    // Whether both were made from the same object (even if it is gone now).
    bool sameAs(const WeakRef& other) const { return cell_ == other.cell_; }
    bool isNull() const { return !cell_; }

private:
    std::shared_ptr<Receiver*> cell_;
};

// Anything that messages are sent to by name: actions of controls and
// menus, delayed messages, timers. Subclasses register their actions
// ("copy:", "drawCursor:") with a function that takes the argument (or
// sender) and answers an object or nil.
class Receiver : public Object {
public:
    using Action = std::function<Object*(Object* argument)>;

    Receiver();
    ~Receiver() override;
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // The operation `name`, if this object has it.
    virtual bool respondsToSelector(const std::string& selector) const;
    // Sends the message at once; nil when the object has no such operation.
    virtual Object* performSelector(const std::string& selector, Object* argument = nullptr);
    // Sends the message from the run loop after the delay (seconds), in the
    // default mode or the given ones. The message is dropped if the receiver
    // or an argument that is a Receiver is gone by then.
    void performSelector(const std::string& selector, Object* argument, double afterDelay);
    void performSelector(const std::string& selector, Object* argument, double afterDelay,
                         const std::vector<std::string>& inModes);
    // Withdraws the delayed messages sent to the target with that selector
    // and argument (the very same argument, nil matching nil).
    static void cancelPreviousPerformRequestsWithTarget(Receiver* target, const std::string& selector,
                                                        Object* argument);
    // Withdraws every delayed message sent to the target.
    static void cancelPreviousPerformRequestsWithTarget(Receiver* target);

    std::shared_ptr<Receiver*> weakCell() const { return cell_; }

    // The names of every action some object of the program answers: each
    // name given to setAction is entered here for the life of the process
    // (the runtime's table of selectors), and a class may enter the names
    // its objects will answer before any exists. What reads action names
    // from outside (key maps) checks them here.
    static void registerSelector(const std::string& selector);
    static bool isRegisteredSelector(const std::string& selector);

protected:
    void setAction(const std::string& selector, Action action);

private:
    std::shared_ptr<Receiver*> cell_;
    std::map<std::string, Action> actions_;
};

template <class T>
WeakRef<T>::WeakRef(T* object)
{
    if (object)
        cell_ = static_cast<const Receiver*>(object)->weakCell();
}

template <class T>
T* WeakRef<T>::get() const
{
    if (!cell_ || !*cell_)
        return nullptr;
    return dynamic_cast<T*>(*cell_);
}

} // namespace kit
