#include "document/UndoComposite.h"

#include "core/Coder.h"
#include "core/Values.h"

#include <algorithm>

UndoComposite::UndoComposite()
    : Undo({}, nullptr, Composite)
{
}

UndoComposite::~UndoComposite() = default;

std::unique_ptr<Undo> UndoComposite::combined(std::vector<std::unique_ptr<Undo>> records)
{
    if (records.empty())
        return nullptr;
    if (records.size() == 1)
        return std::move(records.front());
    auto composite = std::make_unique<UndoComposite>();
    composite->setUndoList(std::move(records));
    return composite;
}

void UndoComposite::addUndo(std::unique_ptr<Undo> record)
{
    if (record)
        list_.push_back(std::move(record));
}

std::unique_ptr<Undo> UndoComposite::removeUndo(const Undo* record)
{
    auto at = std::find_if(list_.begin(), list_.end(), [&](const auto& r) { return r.get() == record; });
    if (at == list_.end())
        return nullptr;
    std::unique_ptr<Undo> removed = std::move(*at);
    list_.erase(at);
    return removed;
}

void UndoComposite::setUndoList(std::vector<std::unique_ptr<Undo>> list)
{
    list_ = std::move(list);
    std::erase(list_, nullptr);
}

void UndoComposite::undoInDocument(LayoutDocument* document)
{
    for (auto at = list_.rbegin(); at != list_.rend(); ++at)
        (*at)->undoInDocument(document);
}

void UndoComposite::redoInDocument(LayoutDocument* document)
{
    for (const auto& record : list_)
        record->redoInDocument(document);
}

void UndoComposite::encodeWithCoder(kit::Coder& coder) const
{
    Undo::encodeWithCoder(coder);
    codedList_ = std::make_unique<kit::Array>();
    for (const auto& record : list_)
        codedList_->addObject(record.get());
    coder.encodeObject(codedList_.get());
}

kit::Object* UndoComposite::initWithCoder(kit::Coder& coder)
{
    Undo::initWithCoder(coder);
    setUndoType(Composite);
    list_.clear();
    kit::Object* list = coder.decodeObject();
    if (!list)
        return this;
    auto* array = dynamic_cast<kit::Array*>(list);
    if (!array)
        throw kit::Exception(kit::ArchiverArchiveInconsistencyException, "an undo composite's list is not an array");
    for (kit::Object* element : array->objects())
        list_.push_back(coder.claim<Undo>(element, *this));
    return this;
}
