#include "foundation/GxRecords.h"

#include <algorithm>

namespace {
const GxDash initialDashes[5] = {
    {0, 0.0f, {}},
    {2, 0.0f, {2.0f, 2.0f}},
    {2, 1.0f, {2.0f, 2.0f}},
    {2, 0.0f, {4.0f, 2.0f}},
    {8, 0.0f, {1.1f, 0.9f, 0.6f, 0.8f, 0.6f, 0.9f, 1.1f, 0.0f}},
};

const GxArrow initialArrows[5] = {
    {0, 0, 0, {}},
    {1, 4, 0, {{-1.3f, 2.5f}, {10.3f, 0.0f}, {-1.3f, -2.5f}, {-0.5f, 0.0f}}},
    {1, 4, 0, {{-5.8f, 2.3f}, {1.6f, 0.0f}, {-5.8f, -2.3f}, {-7.3f, 0.0f}}},
    {2, 2, 0, {{-2.0f, -2.0f}, {4.0f, 4.0f}}},
    {3, 2, 0, {{-2.0f, -2.0f}, {4.0f, 4.0f}}},
};
} // namespace

void GxInitDash(GxDash* dash)
{
    if (dash)
        *dash = GxDash{};
}

void GxCopyDash(GxDash* to, const GxDash* from)
{
    if (to && from)
        *to = *from;
}

bool GxEqualDash(const GxDash* a, const GxDash* b)
{
    if (!a && !b)
        return true;
    if (!a)
        return b->count == 0;
    if (!b)
        return a->count == 0;
    if (a->count != b->count || a->phase != b->phase)
        return false;
    const int n = std::clamp<int>(a->count, 0, 8);
    for (int i = 0; i < n; ++i)
        if (a->values[i] != b->values[i])
            return false;
    return true;
}

void GxInitArrow(GxArrow* arrow)
{
    if (arrow)
        *arrow = GxArrow{};
}

void GxCopyArrow(GxArrow* to, const GxArrow* from)
{
    if (to && from)
        *to = *from;
}

bool GxEqualArrow(const GxArrow* a, const GxArrow* b)
{
    if (!a && !b)
        return true;
    if (!a)
        return b->kind == 0;
    if (!b)
        return a->kind == 0;
    if (a->kind != b->kind || a->count != b->count || a->flags != b->flags)
        return false;
    for (int i = 0; i < 4; ++i)
        if (a->points[i] != b->points[i])
            return false;
    return true;
}

void GxInitializeDashList(std::vector<GxDash>& list)
{
    for (int i = 4; i >= 0; --i)
        list.push_back(initialDashes[i]);
}

void GxInitializeArrowList(std::vector<GxArrow>& list)
{
    for (int i = 4; i >= 0; --i)
        list.push_back(initialArrows[i]);
}
