#pragma once

// NSMutableArray(ZynListAdditions): stack and broadcast operations on lists
// of objects, used for the keyword stacks and for the style and flow stacks
// of the import handlers. Lists hold their elements by pointer (plain or
// smart); a list does not own what a plain pointer points at.

#include "bundles/convala/markup/ZynHandler.h"

#include "core/Object.h"

#include <memory>
#include <type_traits>
#include <vector>

struct ZynListAdditions {
    template <class T>
    static void push(std::vector<T>& list, T object)
    {
        list.push_back(std::move(object));
    }

    // Removes the last element; nothing on an empty list.
    template <class T>
    static void pop(std::vector<T>& list)
    {
        if (!list.empty())
            list.pop_back();
    }

    // The last element, nil when empty.
    template <class T>
    static kit::Object* top(const std::vector<T>& list)
    {
        return list.empty() ? nullptr : objectOf(list.back());
    }

    // Sends the selector to the object once per element, first to last,
    // with the element as its argument (after the argument when one is
    // given). Answers the list, or nil, sending nothing, when the object does
    // not answer the selector.
    template <class T>
    static std::vector<T>* makeObject(std::vector<T>& list, kit::Object* object, ZynSelector performSelector)
    {
        if (!performSelector || !performSelector->respondsTo(object))
            return nullptr;
        for (std::size_t i = 0; i < list.size(); ++i)
            performSelector->send(object, objectOf(list[i]));
        return &list;
    }
    template <class T>
    static std::vector<T>* makeObject(std::vector<T>& list, kit::Object* object, ZynSelector performSelector,
                                      kit::Object* withObject)
    {
        if (!performSelector || !performSelector->respondsTo(object))
            return nullptr;
        for (std::size_t i = 0; i < list.size(); ++i)
            performSelector->send(object, withObject, objectOf(list[i]));
        return &list;
    }

    // Sends the selector with both arguments to each element, last to first.
    template <class T>
    static void makeObjectsPerform(std::vector<T>& list, ZynSelector selector, kit::Object* withObject,
                                   kit::Object* withObject2)
    {
        if (!selector)
            return;
        for (std::size_t i = list.size(); i-- > 0;)
            if (i < list.size())
                selector->send(objectOf(list[i]), withObject, withObject2);
    }

    // Sends the selector with no, one or two arguments to each element,
    // first to last.
    template <class T>
    static void makeObjectsPerformForward(std::vector<T>& list, ZynSelector selector,
                                          kit::Object* withObject = nullptr, kit::Object* withObject2 = nullptr)
    {
        if (!selector)
            return;
        for (std::size_t i = 0; i < list.size(); ++i)
            selector->send(objectOf(list[i]), withObject, withObject2);
    }

private:
    template <class P>
    static kit::Object* objectOf(const P& p)
    {
        if constexpr (std::is_pointer_v<P>)
            return p;
        else
            return p.get();
    }
};
