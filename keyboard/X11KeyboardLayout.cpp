#include "keyboard/X11KeyboardLayout.h"

#include "base/Trace.h"

#include <xcb/xcb.h>
// The XKB protocol header names a member `explicit`.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <string>

namespace kestrin {
namespace {

// The keymap of the device in the group the server has in use.
std::unique_ptr<XkbKeyboardLayout> ReadLayout(xcb_connection_t* connection, std::int32_t device)
{
    xkb_context* context = NewXkbContext();
    if (!context)
        return nullptr;
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (!keymap)
        return nullptr;
    xkb_state* live = xkb_x11_state_new_from_device(keymap, connection, device);
    const xkb_layout_index_t group =
        live ? xkb_state_serialize_layout(live, XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    xkb_state_unref(live);
    const char* name = xkb_keymap_layout_get_name(keymap, group);
    auto layout =
        XkbKeyboardLayout::FromKeymap(keymap, group, std::string("x11: ") + (name ? name : "?"));
    xkb_keymap_unref(keymap);
    return layout;
}

// Keymap replacements and group switches; modifier presses are not asked for.
bool WatchLayoutChanges(xcb_connection_t* connection, std::int32_t device)
{
    constexpr std::uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
        XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr std::uint16_t kMapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
        XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
        XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
        XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    constexpr std::uint16_t kGroupParts = XCB_XKB_STATE_PART_GROUP_STATE |
        XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH |
        XCB_XKB_STATE_PART_GROUP_LOCK;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = kGroupParts;
    details.stateDetails = kGroupParts;
    const xcb_void_cookie_t cookie = xcb_xkb_select_events_aux_checked(connection,
        static_cast<xcb_xkb_device_spec_t>(device), kEvents, 0, 0, kMapParts, kMapParts, &details);
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    const bool selected = error == nullptr;
    std::free(error);
    return selected;
}

} // namespace

X11KeyboardLayout::X11KeyboardLayout(xcb_connection_t* connection, std::int32_t device,
    std::uint8_t xkbEvent, std::unique_ptr<XkbKeyboardLayout> layout)
    : connection_(connection), device_(device), xkbEvent_(xkbEvent), layout_(std::move(layout))
{
}

X11KeyboardLayout::~X11KeyboardLayout() { xcb_disconnect(connection_); }

std::unique_ptr<X11KeyboardLayout> X11KeyboardLayout::Connect(const char* displayName)
{
    xcb_connection_t* connection = xcb_connect(displayName, nullptr);
    std::uint8_t xkbEvent = 0;
    if (!xcb_connection_has_error(connection) &&
        xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
            XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
            &xkbEvent, nullptr)) {
        const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
        if (device >= 0 && WatchLayoutChanges(connection, device)) {
            if (auto layout = ReadLayout(connection, device)) {
                Trace("keyboard layout %s\n", layout->Description().c_str());
                return std::unique_ptr<X11KeyboardLayout>(
                    new X11KeyboardLayout(connection, device, xkbEvent, std::move(layout)));
            }
        }
    }
    xcb_disconnect(connection);
    return nullptr;
}

bool X11KeyboardLayout::TakeChanges() const
{
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if (event->response_type == xkbEvent_)
            changed = true;
        std::free(event);
    }
    return changed;
}

std::shared_ptr<const XkbKeyboardLayout> X11KeyboardLayout::Snapshot() const
{
    std::lock_guard lock(mutex_);
    // A lost server leaves the last layout in place.
    if (!xcb_connection_has_error(connection_) && TakeChanges()) {
        if (auto layout = ReadLayout(connection_, device_)) {
            Trace("keyboard layout %s\n", layout->Description().c_str());
            layout_ = std::move(layout);
        }
    }
    return layout_;
}

unsigned X11KeyboardLayout::VirtualKeyToScanCode(unsigned virtualKey) const
{
    return Snapshot()->VirtualKeyToScanCode(virtualKey);
}

unsigned X11KeyboardLayout::ScanCodeToVirtualKey(unsigned scanCode) const
{
    return Snapshot()->ScanCodeToVirtualKey(scanCode);
}

std::u16string X11KeyboardLayout::KeyText(unsigned virtualKey, unsigned scanCode) const
{
    return Snapshot()->KeyText(virtualKey, scanCode);
}

} // namespace kestrin
