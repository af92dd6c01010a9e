#pragma once

// The tree that named styles of one kind form: a name, the superstyle it is
// based on and the substyles based on it. Paragraph and graphic styles keep
// their trees the same way; Self is the named style class.

#include "foundation/StyleNames.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

template <class Self>
class NamedStyleTree {
public:
    void setStyleName(std::optional<std::string> name) { styleName_ = std::move(name); }

    void setSuperstyle(Self* style) { superstyle_ = style; }
    Self* superstyle() const { return superstyle_; }
    // nullptr until the first substyle is added.
    const std::vector<Self*>* substyles() const { return substyles_.get(); }

    // Refuses a child that is the receiver or one of its ancestors.
    void addSubstyle(Self* style)
    {
        if (!style)
            return;
        // A child that is the receiver or above it would close a loop.
        std::unordered_set<const Self*> seen;
        for (const Self* s = self(); s && seen.insert(s).second; s = s->superstyle_)
            if (s == style)
                return;
        if (!substyles_) {
            substyles_ = std::make_unique<std::vector<Self*>>();
            substyles_->reserve(2);
        }
        style->setStyleName(getSubName(styleName_));
        style->setCanFree(true);
        if (style->superstyle_ && style->superstyle_ != self())
            style->superstyle_->_removeSubstyle(style);
        style->superstyle_ = self();
        if (std::find(substyles_->begin(), substyles_->end(), style) == substyles_->end())
            substyles_->push_back(style);
    }

    std::unique_ptr<Self> newSubstyle()
    {
        std::unique_ptr<Self> child = self()->copyNamed();
        child->setStyleName(getSubName(styleName_));
        child->setCanFree(true);
        addSubstyle(child.get());
        return child;
    }

    void _removeSubstyle(Self* style)
    {
        if (substyles_)
            std::erase(*substyles_, style);
    }

    void removeFromSuperstyle()
    {
        if (superstyle_)
            superstyle_->_removeSubstyle(self());
        superstyle_ = nullptr;
    }

    void removeSubstyles() { substyles_.reset(); }

protected:
    NamedStyleTree() = default;
    ~NamedStyleTree() = default;

    // Leaves the tree: the parent forgets it and its substyles become roots.
    // Called from the named style's destructor, while it is still whole.
    void detachFromTree()
    {
        removeFromSuperstyle();
        if (substyles_) {
            for (Self* child : *substyles_)
                if (child->superstyle_ == self())
                    child->superstyle_ = nullptr;
        }
    }

    // The top of the superstyle chain; a chain that loops ends at the repeat.
    Self* treeRoot() const
    {
        const Self* s = self();
        std::unordered_set<const Self*> seen{s};
        while (s->superstyle_ && seen.insert(s->superstyle_).second)
            s = s->superstyle_;
        return const_cast<Self*>(s);
    }

    std::optional<std::string> styleName_;
    Self* superstyle_ = nullptr;                        // not owned
    std::unique_ptr<std::vector<Self*>> substyles_;    // the styles are not owned

private:
    Self* self() { return static_cast<Self*>(this); }
    const Self* self() const { return static_cast<const Self*>(this); }
};
