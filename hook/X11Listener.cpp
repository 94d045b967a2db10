#include "hook/X11Listener.h"

#include "hook/KeyTranslate.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>
// The XKB header names a member after a C++ keyword.
#define explicit xcb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <cstdlib>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrin::hook {

namespace {

template <typename T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

// The header the three XKB notifications share, to read which one arrived.
struct XkbEventHeader {
    uint8_t response_type;
    uint8_t xkbType;
    uint16_t sequence;
    xcb_timestamp_t time;
    uint8_t deviceID;
};

} // namespace

struct X11Listener::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
    uint8_t xinputOpcode = 0;
    uint8_t xkbFirstEvent = 0;
    bool hasXkb = false;
    int32_t keyboard = -1;
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;

    ~Connection()
    {
        xkb_state_unref(state);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
        if (xcb)
            xcb_disconnect(xcb);
    }

    // Fetches the keymap and state afresh; on failure keys fall back to their US positions.
    void LoadKeymap()
    {
        xkb_state_unref(state);
        xkb_keymap_unref(keymap);
        state = nullptr;
        keymap = nullptr;
        if (!hasXkb || !context)
            return;
        keymap =
            xkb_x11_keymap_new_from_device(context, xcb, keyboard, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (keymap)
            state = xkb_x11_state_new_from_device(keymap, xcb, keyboard);
        if (!state) {
            xkb_keymap_unref(keymap);
            keymap = nullptr;
        }
    }

    bool SelectXkbEvents()
    {
        constexpr uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
            XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        constexpr uint16_t kMapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
            XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
            XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
            XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
        xcb_xkb_select_events_details_t details{};
        details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH |
            XCB_XKB_STATE_PART_GROUP_LOCK | XCB_XKB_STATE_PART_MODIFIER_BASE |
            XCB_XKB_STATE_PART_MODIFIER_LATCH | XCB_XKB_STATE_PART_MODIFIER_LOCK;
        details.stateDetails = details.affectState;
        auto cookie = xcb_xkb_select_events_aux_checked(
            xcb, static_cast<uint16_t>(keyboard), kEvents, 0, 0, kMapParts, kMapParts, &details);
        Reply<xcb_generic_error_t> error(xcb_request_check(xcb, cookie));
        return !error;
    }

    bool Open()
    {
        int screenNumber = 0;
        xcb = xcb_connect(nullptr, &screenNumber);
        if (!xcb || xcb_connection_has_error(xcb))
            return false;
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
        for (int i = 0; i < screenNumber && screens.rem; ++i)
            xcb_screen_next(&screens);
        if (!screens.rem)
            return false;
        root = screens.data->root;

        const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(xcb, &xcb_input_id);
        if (!xinput || !xinput->present)
            return false;
        xinputOpcode = xinput->major_opcode;
        Reply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(xcb, xcb_input_xi_query_version(xcb, 2, 2), nullptr));
        if (!version || version->major_version < 2 ||
            (version->major_version == 2 && version->minor_version < 2))
            return false;

        struct {
            xcb_input_event_mask_t head;
            uint32_t mask;
        } mask{};
        mask.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
        mask.head.mask_len = 1;
        mask.mask = XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS |
            XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
            XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;
        Reply<xcb_generic_error_t> error(
            xcb_request_check(xcb, xcb_input_xi_select_events_checked(xcb, root, 1, &mask.head)));
        if (error)
            return false;

        uint8_t firstEvent = 0;
        hasXkb = xkb_x11_setup_xkb_extension(xcb, XKB_X11_MIN_MAJOR_XKB_VERSION,
                     XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr,
                     nullptr, &firstEvent, nullptr) == 1;
        if (hasXkb) {
            xkbFirstEvent = firstEvent;
            keyboard = xkb_x11_get_core_keyboard_device_id(xcb);
            context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
            hasXkb = keyboard >= 0 && context && SelectXkbEvents();
        }
        LoadKeymap();
        return !xcb_connection_has_error(xcb);
    }

    KeySymbols Symbols(uint32_t keycode) const
    {
        KeySymbols key;
        key.keycode = keycode;
        if (!keymap)
            return key;
        xkb_layout_index_t layout = xkb_state_key_get_layout(state, keycode);
        if (layout == XKB_LAYOUT_INVALID)
            layout = 0;
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, 0, &syms) > 0)
            key.base = syms[0];
        if (xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, 1, &syms) > 0)
            key.shifted = syms[0];
        return key;
    }

    void HandleXkb(const xcb_generic_event_t* event)
    {
        const auto* header = reinterpret_cast<const XkbEventHeader*>(event);
        if (header->deviceID != keyboard)
            return;
        switch (header->xkbType) {
        case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        case XCB_XKB_MAP_NOTIFY:
            LoadKeymap();
            break;
        case XCB_XKB_STATE_NOTIFY:
            if (state) {
                const auto* s = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
                xkb_state_update_mask(state, s->baseMods, s->latchedMods, s->lockedMods,
                    static_cast<xkb_layout_index_t>(s->baseGroup),
                    static_cast<xkb_layout_index_t>(s->latchedGroup),
                    static_cast<xkb_layout_index_t>(s->lockedGroup));
            }
            break;
        default:
            break;
        }
    }
};

std::unique_ptr<X11Listener> X11Listener::Start(Sink sink)
{
    auto connection = std::make_unique<Connection>();
    if (!connection->Open())
        return nullptr;
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0)
        return nullptr;
    return std::unique_ptr<X11Listener>(
        new X11Listener(std::move(connection), wakeFd, std::move(sink)));
}

X11Listener::X11Listener(std::unique_ptr<Connection> connection, int wakeFd, Sink sink)
    : connection_(std::move(connection)), wakeFd_(wakeFd), sink_(std::move(sink))
{
    thread_ = std::thread([this] { Run(); });
    ::pthread_setname_np(thread_.native_handle(), "kestrin-hook");
}

X11Listener::~X11Listener()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wakeFd_, &one, sizeof one);
    if (thread_.joinable())
        thread_.join();
    ::close(wakeFd_);
}

void X11Listener::Run()
{
    Connection& c = *connection_;
    pollfd fds[2] = {{xcb_get_file_descriptor(c.xcb), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c.xcb)) {
            Reply<xcb_generic_event_t> event(raw);
            const uint8_t type = event->response_type & 0x7F;
            if (c.hasXkb && type == c.xkbFirstEvent) {
                c.HandleXkb(event.get());
                continue;
            }
            if (type != XCB_GE_GENERIC)
                continue;
            const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event.get());
            if (generic->extension != c.xinputOpcode)
                continue;
            switch (generic->event_type) {
            case XCB_INPUT_RAW_KEY_PRESS:
            case XCB_INPUT_RAW_KEY_RELEASE: {
                const auto* key = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(generic);
                const bool release = generic->event_type == XCB_INPUT_RAW_KEY_RELEASE;
                if (uint32_t vk = TranslateKey(c.Symbols(key->detail)))
                    sink_({InputEvent::Source::Key, vk, release ? 1 : 0});
                break;
            }
            case XCB_INPUT_RAW_BUTTON_PRESS:
            case XCB_INPUT_RAW_BUTTON_RELEASE: {
                const auto* button =
                    reinterpret_cast<const xcb_input_raw_button_press_event_t*>(generic);
                const bool release = generic->event_type == XCB_INPUT_RAW_BUTTON_RELEASE;
                if (auto message = TranslateButton(button->detail, release)) {
                    sink_({message->wheel ? InputEvent::Source::Wheel : InputEvent::Source::Button,
                        message->message, message->lParam});
                }
                break;
            }
            default:
                break;
            }
        }
        if (xcb_connection_has_error(c.xcb))
            break;
        fds[0].revents = fds[1].revents = 0;
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents)
            break;
    }
    running_.store(false);
}

} // namespace kestrin::hook
