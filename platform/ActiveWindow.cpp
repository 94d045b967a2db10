#include "platform/ActiveWindow.h"

#include "base/Trace.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <span>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kestrin {

std::string ProcessExecutable(int pid)
{
    if (pid <= 0)
        return {};
    const std::string proc = "/proc/" + std::to_string(pid);
    std::array<char, PATH_MAX> target{};
    const ssize_t length = readlink((proc + "/exe").c_str(), target.data(), target.size() - 1);
    if (length > 0) {
        std::string_view path(target.data(), static_cast<std::size_t>(length));
        // A program replaced while it runs keeps its old name with this mark.
        constexpr std::string_view kDeleted = " (deleted)";
        if (path.ends_with(kDeleted))
            path.remove_suffix(kDeleted.size());
        return std::string(path.substr(path.rfind('/') + 1));
    }
    // Another user's process, or a kernel that hides it: comm is readable by all, cut at 15.
    std::ifstream comm(proc + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

namespace {

using ReplyPtr = std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>;

// A window's properties are short names; more than this is not a name.
constexpr uint32_t kMaxPropertyWords = 1024;
// Window managers nest a client at most a few frames below the root's child.
constexpr int kMaxFrameDepth = 4;
constexpr uint32_t kEscapeKeysym = 0xff1b;
constexpr uint16_t kCrosshairGlyph = 34; // the cursor font's crosshair

std::string LocalHost()
{
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return name.data();
}

// ISO 8859-1, as STRING properties are, to UTF-8.
std::string Latin1ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

class XcbActiveWindowWatch final : public ActiveWindowWatch {
public:
    XcbActiveWindowWatch(xcb_connection_t* connection, xcb_window_t root, Changed changed)
        : connection_(connection), root_(root), changed_(std::move(changed)), host_(LocalHost())
    {
    }

    ~XcbActiveWindowWatch() override
    {
        notifier_.reset();
        xcb_disconnect(connection_);
    }

    bool Start(std::string* why)
    {
        // Asked all at once: one round trip to the server instead of one each.
        xcb_atom_t supportedAtom = XCB_NONE;
        const std::pair<const char*, xcb_atom_t*> atoms[] = {{"_NET_ACTIVE_WINDOW", &activeAtom_},
            {"_NET_CLIENT_LIST", &clientListAtom_}, {"_NET_WM_PID", &pidAtom_},
            {"_NET_WM_NAME", &nameAtom_}, {"UTF8_STRING", &utf8Atom_}, {"WM_STATE", &stateAtom_},
            {"_NET_SUPPORTED", &supportedAtom}};
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (const auto& [name, atom] : atoms)
            cookies.push_back(
                xcb_intern_atom(connection_, 1, static_cast<uint16_t>(std::strlen(name)), name));
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
                xcb_intern_atom_reply(connection_, cookies[i], nullptr), &std::free);
            *atoms[i].second = reply ? reply->atom : XCB_NONE;
        }
        if (activeAtom_ == XCB_NONE || !RootSupports(supportedAtom, activeAtom_)) {
            if (why)
                *why = "the window manager does not tell which window is active";
            return false;
        }
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
        notifier_ = std::make_unique<QSocketNotifier>(
            xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
        QObject::connect(
            notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Drain(); });
        lastActive_ = ActiveId();
        return true;
    }

    std::optional<SessionWindow> Active() override
    {
        const xcb_window_t window = ActiveId();
        DrainLater();
        if (window == XCB_NONE)
            return std::nullopt;
        return Describe(window);
    }

    std::vector<SessionWindow> Windows() override
    {
        std::vector<SessionWindow> windows;
        const ReplyPtr list = Property(root_, clientListAtom_, XCB_ATOM_WINDOW);
        if (list && list->format == 32) {
            const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
            const int count = xcb_get_property_value_length(list.get()) / 4;
            for (int i = 0; i < count; ++i)
                windows.push_back(Describe(ids[i]));
        }
        DrainLater();
        return windows;
    }

    bool Pick(std::function<void(std::optional<SessionWindow>)> picked) override
    {
        if (picked_)
            return false;
        if (cursor_ == XCB_NONE)
            cursor_ = MakeCrosshair();
        const auto pointer = xcb_grab_pointer(connection_, 0, root_, XCB_EVENT_MASK_BUTTON_PRESS,
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, root_, cursor_, XCB_CURRENT_TIME);
        std::unique_ptr<xcb_grab_pointer_reply_t, decltype(&std::free)> grabbed(
            xcb_grab_pointer_reply(connection_, pointer, nullptr), &std::free);
        if (!grabbed || grabbed->status != XCB_GRAB_STATUS_SUCCESS) {
            Trace("picking a window: the pointer is held by another program\n");
            DrainLater();
            picked(std::nullopt);
            return true;
        }
        // Escape cancels; without the keyboard the pick still works with the buttons.
        escapeKey_ = KeycodeOf(kEscapeKeysym);
        const auto keyboard = xcb_grab_keyboard(
            connection_, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        std::free(xcb_grab_keyboard_reply(connection_, keyboard, nullptr));
        xcb_flush(connection_);
        picked_ = std::move(picked);
        DrainLater();
        return true;
    }

    void CancelPick() override
    {
        // Whoever asked is going away: it is not called back.
        if (std::exchange(picked_, nullptr))
            Ungrab();
    }

private:
    ReplyPtr Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
    {
        const auto cookie =
            xcb_get_property(connection_, 0, window, property, type, 0, kMaxPropertyWords);
        return ReplyPtr(xcb_get_property_reply(connection_, cookie, nullptr), &std::free);
    }

    // A copy: the reply is freed as the property's reader returns.
    static std::string Bytes(const ReplyPtr& reply)
    {
        if (!reply || reply->format != 8)
            return {};
        return {static_cast<const char*>(xcb_get_property_value(reply.get())),
            static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
    }

    // Whether the window manager's _NET_SUPPORTED (`supportedAtom`) lists `atom`.
    bool RootSupports(xcb_atom_t supportedAtom, xcb_atom_t atom)
    {
        if (supportedAtom == XCB_NONE)
            return false;
        const ReplyPtr supported = Property(root_, supportedAtom, XCB_ATOM_ATOM);
        if (!supported || supported->format != 32)
            return false;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
        const std::span all(
            atoms, static_cast<std::size_t>(xcb_get_property_value_length(supported.get()) / 4));
        return std::ranges::find(all, atom) != all.end();
    }

    xcb_window_t ActiveId()
    {
        const ReplyPtr active = Property(root_, activeAtom_, XCB_ATOM_WINDOW);
        if (!active || active->format != 32 || xcb_get_property_value_length(active.get()) < 4)
            return XCB_NONE;
        return *static_cast<const xcb_window_t*>(xcb_get_property_value(active.get()));
    }

    SessionWindow Describe(xcb_window_t window)
    {
        SessionWindow described;
        // WM_CLASS is the instance and then the class, each ended by a NUL.
        const std::string classes = Bytes(Property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING));
        std::string_view names = classes;
        const auto cut = names.find('\0');
        described.program.instance = Latin1ToUtf8(names.substr(0, cut));
        if (cut != std::string_view::npos) {
            names.remove_prefix(cut + 1);
            described.program.windowClass = Latin1ToUtf8(names.substr(0, names.find('\0')));
        }
        const std::string title = Bytes(Property(window, nameAtom_, utf8Atom_));
        described.title = !title.empty()
            ? title
            : Latin1ToUtf8(Bytes(Property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING)));
        // A process id means something only on the machine the client runs on.
        std::string machine = Bytes(Property(window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING));
        machine = machine.substr(0, machine.find('\0'));
        const ReplyPtr pid = Property(window, pidAtom_, XCB_ATOM_CARDINAL);
        if ((machine.empty() || machine == host_) && pid && pid->format == 32 &&
            xcb_get_property_value_length(pid.get()) >= 4) {
            described.pid =
                static_cast<int>(*static_cast<const uint32_t*>(xcb_get_property_value(pid.get())));
            described.program.executable = ProcessExecutable(described.pid);
        }
        return described;
    }

    // The client window at or below `window`, as the window manager framed it: the one that
    // has WM_STATE.
    xcb_window_t ClientOf(xcb_window_t window, int depth)
    {
        if (window == XCB_NONE || depth > kMaxFrameDepth)
            return XCB_NONE;
        const ReplyPtr state = Property(window, stateAtom_, XCB_ATOM_ANY);
        if (state && state->type != XCB_NONE)
            return window;
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr),
            &std::free);
        if (!tree)
            return XCB_NONE;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        // Topmost first, as the click went.
        for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i)
            if (const xcb_window_t client = ClientOf(children[i], depth + 1); client != XCB_NONE)
                return client;
        return XCB_NONE;
    }

    xcb_cursor_t MakeCrosshair()
    {
        const xcb_font_t font = xcb_generate_id(connection_);
        xcb_open_font(connection_, font, 6, "cursor");
        const xcb_cursor_t cursor = xcb_generate_id(connection_);
        xcb_create_glyph_cursor(connection_, cursor, font, font, kCrosshairGlyph,
            kCrosshairGlyph + 1, 0, 0, 0, 0xffff, 0xffff, 0xffff);
        xcb_close_font(connection_, font);
        return cursor;
    }

    xcb_keycode_t KeycodeOf(uint32_t keysym)
    {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> mapping(
            xcb_get_keyboard_mapping_reply(connection_,
                xcb_get_keyboard_mapping(
                    connection_, setup->min_keycode, static_cast<uint8_t>(count)),
                nullptr),
            &std::free);
        if (!mapping || mapping->keysyms_per_keycode == 0)
            return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
        for (int i = 0; i < length; ++i)
            if (syms[i] == keysym)
                return static_cast<xcb_keycode_t>(
                    setup->min_keycode + i / mapping->keysyms_per_keycode);
        return 0;
    }

    void Ungrab()
    {
        xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }

    void EndPick(xcb_window_t clicked)
    {
        if (!picked_)
            return;
        Ungrab();
        auto picked = std::exchange(picked_, nullptr);
        std::optional<SessionWindow> window;
        if (const xcb_window_t client = ClientOf(clicked, 0); client != XCB_NONE)
            window = Describe(client);
        DrainLater();
        picked(std::move(window));
    }

    // Replies read the socket: events that came with them wait in xcb's queue, which the
    // socket's notifier no longer sees.
    void DrainLater()
    {
        if (notifier_)
            QMetaObject::invokeMethod(
                notifier_.get(), [this] { Drain(); }, Qt::QueuedConnection);
    }

    void Drain()
    {
        if (xcb_connection_has_error(connection_)) {
            Trace("active window: the X connection is gone\n");
            notifier_->setEnabled(false);
            return;
        }
        bool activeChanged = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(
                event, &std::free);
            switch (event->response_type & 0x7f) {
            case XCB_PROPERTY_NOTIFY: {
                const auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                if (property->window == root_ && property->atom == activeAtom_)
                    activeChanged = true;
                break;
            }
            case XCB_BUTTON_PRESS: {
                const auto* press = reinterpret_cast<xcb_button_press_event_t*>(event);
                EndPick(press->detail == 1 ? press->child : XCB_NONE);
                break;
            }
            case XCB_KEY_PRESS:
                if (reinterpret_cast<xcb_key_press_event_t*>(event)->detail == escapeKey_)
                    EndPick(XCB_NONE);
                break;
            default:
                break;
            }
        }
        if (!activeChanged)
            return;
        // Window managers set the property again for the same window; only a change counts.
        const xcb_window_t active = ActiveId();
        if (active == lastActive_)
            return;
        lastActive_ = active;
        const SessionWindow described = active == XCB_NONE ? SessionWindow{} : Describe(active);
        DrainLater();
        changed_(described);
    }

    xcb_connection_t* connection_;
    xcb_window_t root_;
    Changed changed_;
    std::string host_;
    std::unique_ptr<QSocketNotifier> notifier_;
    xcb_atom_t activeAtom_ = XCB_NONE;
    xcb_atom_t clientListAtom_ = XCB_NONE;
    xcb_atom_t pidAtom_ = XCB_NONE;
    xcb_atom_t nameAtom_ = XCB_NONE;
    xcb_atom_t utf8Atom_ = XCB_NONE;
    xcb_atom_t stateAtom_ = XCB_NONE;
    xcb_window_t lastActive_ = XCB_NONE;
    xcb_cursor_t cursor_ = XCB_NONE;
    xcb_keycode_t escapeKey_ = 0;
    std::function<void(std::optional<SessionWindow>)> picked_;
};

} // namespace

std::unique_ptr<ActiveWindowWatch> ActiveWindowWatch::Open(Changed changed, std::string* why)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        if (why)
            *why = "no X server (DISPLAY is not set)";
        return nullptr;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        if (why)
            *why = std::string("the X server ") + display + " cannot be reached";
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        if (why)
            *why = "the X server has no such screen";
        return nullptr;
    }
    auto watch =
        std::make_unique<XcbActiveWindowWatch>(connection, screens.data->root, std::move(changed));
    if (!watch->Start(why))
        return nullptr;
    return watch;
}

} // namespace kestrin
