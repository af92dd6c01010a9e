#pragma once

#include "core/EventState.h"
#include "core/Geometry.h"

#include <cstdint>
#include <string>

namespace kit {

class Window;

// Event types, with the window server's numbers: masks are 1 << type.
enum class EventType : int {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
    RightMouseDragged = 7,
    MouseEntered = 8,
    MouseExited = 9,
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
    AppKitDefined = 13,
    SystemDefined = 14,
    ApplicationDefined = 15,
    Periodic = 16,
    CursorUpdate = 17,
    ScrollWheel = 22,
};

inline constexpr unsigned eventMaskFromType(EventType type) { return 1u << static_cast<int>(type); }

inline constexpr unsigned LeftMouseDownMask = 1u << 1;
inline constexpr unsigned LeftMouseUpMask = 1u << 2;
inline constexpr unsigned RightMouseDownMask = 1u << 3;
inline constexpr unsigned RightMouseUpMask = 1u << 4;
inline constexpr unsigned MouseMovedMask = 1u << 5;
inline constexpr unsigned LeftMouseDraggedMask = 1u << 6;
inline constexpr unsigned RightMouseDraggedMask = 1u << 7;
inline constexpr unsigned MouseEnteredMask = 1u << 8;
inline constexpr unsigned MouseExitedMask = 1u << 9;
inline constexpr unsigned KeyDownMask = 1u << 10;
inline constexpr unsigned KeyUpMask = 1u << 11;
inline constexpr unsigned FlagsChangedMask = 1u << 12;
inline constexpr unsigned AppKitDefinedMask = 1u << 13;
inline constexpr unsigned SystemDefinedMask = 1u << 14;
inline constexpr unsigned ApplicationDefinedMask = 1u << 15;
inline constexpr unsigned PeriodicMask = 1u << 16;
inline constexpr unsigned CursorUpdateMask = 1u << 17;
inline constexpr unsigned ScrollWheelMask = 1u << 22;
inline constexpr unsigned AnyEventMask = 0xFFFFFFFFu;

// Characters of keys that type nothing: the platform's private-use codes.
enum : char16_t {
    UpArrowFunctionKey = 0xF700,
    DownArrowFunctionKey = 0xF701,
    LeftArrowFunctionKey = 0xF702,
    RightArrowFunctionKey = 0xF703,
    F1FunctionKey = 0xF704, // F2 to F35 follow in order
    InsertFunctionKey = 0xF727,
    DeleteFunctionKey = 0xF728,
    HomeFunctionKey = 0xF729,
    BeginFunctionKey = 0xF72A,
    EndFunctionKey = 0xF72B,
    PageUpFunctionKey = 0xF72C,
    PageDownFunctionKey = 0xF72D,
    PrintScreenFunctionKey = 0xF72E,
    ScrollLockFunctionKey = 0xF72F,
    PauseFunctionKey = 0xF730,
    SysReqFunctionKey = 0xF731,
    BreakFunctionKey = 0xF732,
    MenuFunctionKey = 0xF735,
    ClearLineFunctionKey = 0xF739,
    UndoFunctionKey = 0xF743,
    RedoFunctionKey = 0xF744,
    FindFunctionKey = 0xF745,
    HelpFunctionKey = 0xF746,
};

// Characters of the keys that type a control character.
enum : char16_t {
    EnterCharacter = 0x0003,
    BackspaceCharacter = 0x0008,
    TabCharacter = 0x0009,
    NewlineCharacter = 0x000A,
    CarriageReturnCharacter = 0x000D,
    BackTabCharacter = 0x0019,
    EscapeCharacter = 0x001B,
    DeleteCharacter = 0x007F,
};

// Run-loop modes.
inline constexpr const char* DefaultRunLoopMode = "NSDefaultRunLoopMode";
inline constexpr const char* EventTrackingRunLoopMode = "NSEventTrackingRunLoopMode";
inline constexpr const char* ModalPanelRunLoopMode = "NSModalPanelRunLoopMode";

// One event, a value. The window is held by its number, so an event that
// outlives its window simply has none.
class Event {
public:
    Event() = default;

    // Mouse events: location in the window's base coordinates.
    static Event mouseEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                    int windowNumber, int clickCount = 1, float pressure = 1.0f);
    // Key events: characters with and without the modifiers applied.
    static Event keyEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                  int windowNumber, std::u16string characters,
                                  std::u16string charactersIgnoringModifiers, bool isARepeat,
                                  unsigned short keyCode = 0);
    static Event enterExitEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                        int windowNumber, int trackingNumber, void* userData);
    // The mouse wheel turned: whole notches (a fraction for fine wheels),
    // y positive away from the user, x positive to the left.
    static Event scrollWheelEvent(Point location, unsigned modifierFlags, double timestamp, int windowNumber,
                                  float deltaX, float deltaY);
    // Periodic, application-defined and the other kinds.
    static Event otherEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                    int windowNumber, short subtype = 0, long data1 = 0, long data2 = 0);

    EventType type() const { return type_; }
    Point locationInWindow() const { return location_; }
    unsigned modifierFlags() const { return modifierFlags_; }
    double timestamp() const { return timestamp_; }
    int windowNumber() const { return windowNumber_; }
    // The window the event belongs to; nullptr once that window is gone.
    Window* window() const;
    int clickCount() const { return clickCount_; }
    float pressure() const { return pressure_; }
    const std::u16string& characters() const { return characters_; }
    const std::u16string& charactersIgnoringModifiers() const { return charactersIgnoringModifiers_; }
    bool isARepeat() const { return isARepeat_; }
    unsigned short keyCode() const { return keyCode_; }
    int trackingNumber() const { return trackingNumber_; }
    void* userData() const { return userData_; }
    float deltaX() const { return deltaX_; }
    float deltaY() const { return deltaY_; }
    short subtype() const { return subtype_; }
    long data1() const { return data1_; }
    long data2() const { return data2_; }

    // Every event taken from the queue gets a serial number, so that an
    // event can be found again ("discard before this one").
    std::uint64_t serial() const { return serial_; }

    void setLocationInWindow(Point p) { location_ = p; }
    void setModifierFlags(unsigned flags) { modifierFlags_ = flags; }
    void setTimestamp(double t) { timestamp_ = t; }
    void setWindowNumber(int n) { windowNumber_ = n; }

    // Periodic events: the first after the delay, then one per period
    // (seconds on the application's clock). Starting while they run changes
    // nothing and answers false.
    static bool startPeriodicEventsAfterDelay(double delay, double period);
    static void stopPeriodicEvents();
    static bool periodicEventsRunning();

    std::string description() const;

private:
    static Event withCommonFields(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                  int windowNumber);
    friend class Application;

    EventType type_ = EventType::ApplicationDefined;
    Point location_;
    unsigned modifierFlags_ = 0;
    double timestamp_ = 0;
    int windowNumber_ = 0;
    int clickCount_ = 0;
    float pressure_ = 0;
    std::u16string characters_;
    std::u16string charactersIgnoringModifiers_;
    bool isARepeat_ = false;
    unsigned short keyCode_ = 0;
    int trackingNumber_ = 0;
    void* userData_ = nullptr;
    short subtype_ = 0;
    float deltaX_ = 0;
    float deltaY_ = 0;
    long data1_ = 0;
    long data2_ = 0;
    std::uint64_t serial_ = 0;
};

} // namespace kit
