#include "bundles/convala/markup/ZynActor.h"

#include "core/Coder.h"
#include "core/WeakLink.h"

void ZynActor::initialize() { kit::registerClass<ZynActor>("ZynActor", 0); }

ZynActor* ZynActor::initObject(kit::Object* object, ZynSelector selector)
{
    selector_ = selector;
    setObject(object);
    return this;
}

void ZynActor::setObject(kit::Object* object)
{
    object_ = object;
    const auto* watched = dynamic_cast<const kit::WeakTarget*>(object);
    watched_ = watched != nullptr;
    alive_ = watched ? watched->weakToken() : std::weak_ptr<const void>();
    bind();
}

void ZynActor::setSelector(ZynSelector selector)
{
    selector_ = selector;
    bind();
}

void ZynActor::bind() { method_ = selector_ ? selector_->methodFor(object_) : nullptr; }

void ZynActor::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeConditionalObject(object());
    const std::optional<std::string> name =
        selector_ ? std::optional<std::string>(selector_->name()) : std::nullopt;
    coder.encodeValuesOfObjCTypes(":", name);
}

kit::Object* ZynActor::initWithCoder(kit::Coder& coder)
{
    if (coder.versionForClassName(className()).value_or(0) != 0)
        return nullptr;
    kit::Object* target = coder.decodeObject();
    std::optional<std::string> name;
    coder.decodeValuesOfObjCTypes(":", &name);
    selector_ = name ? ZynHandler::selectorNamed(*name) : nullptr;
    setObject(target);
    return this;
}
