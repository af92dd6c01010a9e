#pragma once

// The tree that named styles of one kind form: a name, the superstyle it is
// based on and the substyles based on it. Paragraph and graphic styles keep
// their trees the same way; Self is the named style class.
//
// Both directions of every parent link are kept here and nowhere else. A
// style may point at a parent whose substyle list does not hold it (a copy,
// a style read from a file, one dropped by removeSubstyles), so each parent
// also knows every style based on it, listed or not. When a style goes, the
// styles based on it become roots and its parent forgets it: no link is ever
// left pointing at a freed style, whatever the order styles are freed in.

#include "foundation/StyleNames.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

template <class Self>
class NamedStyleTree {
public:
    NamedStyleTree(const NamedStyleTree&) = delete;
    NamedStyleTree& operator=(const NamedStyleTree&) = delete;

    void setStyleName(std::optional<std::string> name) { styleName_ = std::move(name); }

    // A listed substyle given another parent leaves its old parent's list.
    // Loops are allowed (files hold them); walks up the tree stop at a repeat.
    void setSuperstyle(Self* style) { linkSuperstyle(style); }
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
        style->linkSuperstyle(self());
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

    // Takes the style off the list only: it still names the receiver as its
    // superstyle.
    void _removeSubstyle(Self* style)
    {
        if (substyles_)
            std::erase(*substyles_, style);
    }

    void removeFromSuperstyle()
    {
        if (superstyle_)
            superstyle_->_removeSubstyle(self());
        linkSuperstyle(nullptr);
    }

    // Empties the list; the styles keep the receiver as their superstyle.
    void removeSubstyles() { substyles_.reset(); }

    // Every style based on the receiver, listed or not, becomes a root.
    void releaseBasedStyles()
    {
        substyles_.reset();
        for (Self* style : std::exchange(basedHere_, {}))
            style->superstyle_ = nullptr;
    }

protected:
    NamedStyleTree() = default;
    ~NamedStyleTree() = default;

    // Leaves the tree. Called from the named style's destructor, while the
    // style is still whole.
    void detachFromTree()
    {
        removeFromSuperstyle();
        releaseBasedStyles();
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

private:
    // The one place a parent link changes.
    void linkSuperstyle(Self* parent)
    {
        if (superstyle_ == parent)
            return;
        if (superstyle_) {
            superstyle_->_removeSubstyle(self());
            std::erase(superstyle_->basedHere_, self());
        }
        superstyle_ = parent;
        if (parent)
            parent->basedHere_.push_back(self());
    }

    Self* self() { return static_cast<Self*>(this); }
    const Self* self() const { return static_cast<const Self*>(this); }

    Self* superstyle_ = nullptr;                        // not owned
    std::unique_ptr<std::vector<Self*>> substyles_;    // the styles are not owned; all are in basedHere_
    std::vector<Self*> basedHere_;                      // every style whose superstyle_ is this one
};
