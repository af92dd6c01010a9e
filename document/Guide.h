#pragma once

// A guide line on a page or the master: a location along one axis.

#include "core/Object.h"
#include "core/WeakLink.h"

// Undo records refer to guides weakly.
class Guide : public kit::Object, public kit::WeakTarget {
public:
    static constexpr char Horizontal = 1;
    static constexpr char Vertical = 2;

    Guide() = default;
    Guide(float location, char orientation) : location_(location), orientation_(orientation) {}
    // Registers the class for the archiver.
    static void initialize();

    float location() const { return location_; }
    void setLocation(float location) { location_ = location; }
    char orientation() const { return orientation_; }
    void setOrientation(char orientation) { orientation_ = orientation; }
    // Both weak: the owner that moves the guide and a guide moved with it.
    kit::Object* delegate() const { return delegate_; }
    void setDelegate(kit::Object* delegate) { delegate_ = delegate; }
    Guide* partner() const { return partner_; }
    void setPartner(Guide* partner) { partner_ = partner; }

    std::string className() const override { return "Guide"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    float location_ = 0.0f;
    char orientation_ = Horizontal;
    kit::Object* delegate_ = nullptr; // not owned
    Guide* partner_ = nullptr;        // not owned
};
