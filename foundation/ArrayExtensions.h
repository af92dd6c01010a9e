#pragma once

// Operations on arrays that the program's classes share.

#include "core/Exception.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

template <class T>
void addObjectIfAbsent(std::vector<T>& array, const T& object)
{
    if (std::find(array.begin(), array.end(), object) == array.end())
        array.push_back(object);
}

inline void addSortedString(std::vector<std::string>& array, const std::string& string)
{
    array.push_back(string);
    std::sort(array.begin(), array.end());
}

// Inserts the elements at the index, keeping their order; nothing for an
// empty list or an index beyond the end.
template <class T>
void insertSublist(std::vector<T>& array, const std::vector<T>& sublist, std::size_t index)
{
    if (sublist.empty() || index > array.size())
        return;
    array.insert(array.begin() + static_cast<std::ptrdiff_t>(index), sublist.begin(), sublist.end());
}

inline void removeString(std::vector<std::string>& array, const std::string& string)
{
    auto it = std::find(array.begin(), array.end(), string);
    if (it != array.end())
        array.erase(it);
}

// Replaces the element at the index by the list and answers the element;
// none (and no change) for an index outside or an empty list.
template <class T>
std::optional<T> replaceObjectAtIndex(std::vector<T>& array, std::size_t index, const std::vector<T>& sublist)
{
    if (index >= array.size() || sublist.empty())
        return std::nullopt;
    T removed = std::move(array[index]);
    array.erase(array.begin() + static_cast<std::ptrdiff_t>(index));
    insertSublist(array, sublist, index);
    return removed;
}

template <class T>
std::optional<T> replaceObject(std::vector<T>& array, const T& object, const std::vector<T>& sublist)
{
    auto it = std::find(array.begin(), array.end(), object);
    if (it == array.end())
        return std::nullopt;
    return replaceObjectAtIndex(array, static_cast<std::size_t>(it - array.begin()), sublist);
}

template <class T>
void exchangeObjectAtIndex(std::vector<T>& array, std::size_t first, std::size_t second)
{
    if (first < array.size() && second < array.size())
        std::swap(array[first], array[second]);
}

// The index of the last equal string; INT_MAX when there is none.
inline int indexOfString(const std::vector<std::string>& array, const std::optional<std::string>& string)
{
    if (!string)
        return INT_MAX;
    for (std::size_t i = array.size(); i-- > 0;)
        if (array[i] == *string)
            return static_cast<int>(i);
    return INT_MAX;
}

inline bool stringExists(const std::vector<std::string>& array, const std::string& string)
{
    return std::find(array.begin(), array.end(), string) != array.end();
}

// Sends the operation with two arguments to every element in order.
template <class T, class Operation, class A, class B>
void makeObjectsPerformSelector(std::vector<T>& array, Operation operation, const A& first, const B& second)
{
    for (auto& element : array)
        operation(element, first, second);
}

// A new array of an old-style list's elements in order, as the readers of
// files below 3.0 convert every list. The list answers count() and
// objectAt(index) (kit::Array does); nil gives an empty array. The elements
// stay the list's. A null element, or one that is not a T, means a damaged
// file: NSArchiverArchiveInconsistency, rather than a list with holes.
template <class T, class List>
std::vector<T*> initWithNXList(const List* list)
{
    std::vector<T*> array;
    if (!list)
        return array;
    const std::size_t count = list->count();
    for (std::size_t i = 0; i < count; ++i) {
        auto* element = list->objectAt(i);
        T* typed = nullptr;
        if constexpr (std::is_convertible_v<decltype(element), T*>)
            typed = element;
        else
            typed = dynamic_cast<T*>(element);
        if (!typed)
            kit::Exception::raise(kit::ArchiverArchiveInconsistencyException,
                                  "an old list holds a missing or unexpected element at index " + std::to_string(i));
        array.push_back(typed);
    }
    return array;
}
