#pragma once

namespace kit {

class MenuItem;

// What a responder answers when a menu asks whether one of its items, whose
// action would reach that responder, may be chosen now. It may retitle the
// item too.
class MenuValidation {
public:
    virtual ~MenuValidation() = default;
    virtual bool validateMenuItem(MenuItem* item) = 0;
};

} // namespace kit
