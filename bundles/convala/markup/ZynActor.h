#pragma once

// One handler binding of the keyword table: a target object (not owned) and
// the selector of the operation it receives.
//
// The target is a back reference: when it can be watched (a kit::WeakTarget)
// the actor reads nil once it is gone, so a stale registration sends
// nothing. Every other target must be unregistered before it goes; the
// table's depth marks (ZynDispatchTable::Mark) take care of registrations
// a read leaves behind.

#include "bundles/convala/markup/ZynHandler.h"

#include "core/Object.h"

#include <memory>
#include <string>

class ZynActor : public kit::Object {
public:
    ZynActor() = default;
    ZynActor(kit::Object* object, ZynSelector selector) { initObject(object, selector); }

    // Registers the class with the archiver's registry (version 0).
    static void initialize();

    ZynActor* initObject(kit::Object* object, ZynSelector selector);

    // Sends the selector to the target with no, one or two arguments and
    // answers the result; nil, sending nothing, when there is no target, it
    // is gone, or it does not answer the selector.
    kit::Object* act() const { return actWith(nullptr, nullptr); }
    kit::Object* actWith(kit::Object* element) const { return actWith(element, nullptr); }
    kit::Object* actWith(kit::Object* first, kit::Object* second) const
    {
        kit::Object* target = object();
        if (!target || !selector_)
            return nullptr;
        // Classes may register their operations after the binding was made.
        if (!method_)
            method_ = selector_->methodFor(target);
        return method_ ? method_->invoke(target, first, second) : nullptr;
    }

    // nil once a watched target is gone.
    kit::Object* object() const { return watched_ && alive_.expired() ? nullptr : object_; }
    void setObject(kit::Object* object);
    // The target as registered, gone or not (for unregistering by target).
    const kit::Object* registeredObject() const { return object_; }
    ZynSelector selector() const { return selector_; }
    void setSelector(ZynSelector selector);

    std::string className() const override { return "ZynActor"; }
    // The target as a conditional object, the selector by its name.
    void encodeWithCoder(kit::Coder& coder) const override;
    // Version 0 only; a selector whose name the program has not registered
    // reads as none. Another version reads as nil.
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void bind();

    kit::Object* object_ = nullptr;
    std::weak_ptr<const void> alive_;
    bool watched_ = false;
    ZynSelector selector_ = nullptr;
    // The selector's implementation for the target's class.
    mutable const ZynHandler::Method* method_ = nullptr;
};
