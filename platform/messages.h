#pragma once
// The window messages the production handles, as the event pump delivers them.
#include <cstdint>

namespace platform {

enum class MessageKind {
    Create,
    Destroy,
    Size,     // wParam: 0 restored, 1 minimised, 4 hidden
    Activate, // wParam: high word non-zero while minimised
    SetFocus,
    KillFocus,
    KeyDown, // wParam: Windows virtual-key code
    KeyUp,
    MouseMove,
    LButtonDown,
    LButtonUp,
    RButtonDown,
    RButtonUp,
    Close,
    Quit, // wParam: exit code
};

struct Message {
    MessageKind kind;
    uint32_t wParam = 0;
};

constexpr uint32_t kSizeRestored = 0;
constexpr uint32_t kSizeMinimized = 1;
constexpr uint32_t kSizeMaxHide = 4;

// Windows virtual-key codes of the keys the production looks at.
namespace vk {
constexpr uint32_t Escape = 0x1B, PageUp = 0x21, PageDown = 0x22, End = 0x23, Home = 0x24;
constexpr uint32_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
constexpr uint32_t Insert = 0x2D, Delete = 0x2E;
constexpr uint32_t Add = 0x6B, Subtract = 0x6D;
constexpr uint32_t F1 = 0x70, F9 = 0x78, F10 = 0x79, F11 = 0x7A, F12 = 0x7B;
constexpr uint32_t Tab = 0x09, Space = 0x20;
constexpr uint32_t letter(char c) {
    return static_cast<uint32_t>(c);
} // 'A' .. 'Z'
constexpr uint32_t digit(int d) {
    return 0x30u + static_cast<uint32_t>(d);
}
} // namespace vk

struct Point {
    int x = 0, y = 0;
};
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

} // namespace platform
