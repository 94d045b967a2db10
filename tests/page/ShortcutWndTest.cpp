// The shortcut dialog alone: the keys pressed in its key field, through the hook library as on
// X11 and through the dialog's own key events as where the hook cannot listen, give the same
// shortcut.
#include "page/ShortcutWnd.h"

#include "base/HookTable.h"
#include "base/Messages.h"
#include "tests/support/SkinFolder.h"
#include "ui/Controls.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <vector>

namespace kestrin {
namespace {

struct Key {
    Qt::Key qtKey;
    uint32_t evdevCode;
    uint32_t virtualKey;
};
constexpr Key kLeftCtrl{Qt::Key_Control, 29, 0xA2};
constexpr Key kLeftShift{Qt::Key_Shift, 42, 0xA0};
constexpr Key kRightAlt{Qt::Key_Alt, 100, 0xA5};
constexpr Key kA{Qt::Key_A, 30, 0x41};
constexpr Key kS{Qt::Key_S, 31, 0x53};
constexpr Key kF4{Qt::Key_F4, 62, 0x73};

struct Event {
    Key key;
    bool release;
};
Event Down(Key key) { return {key, false}; }
Event Up(Key key) { return {key, true}; }

enum class Capture { Hook, OwnEvents };
void PrintTo(Capture capture, std::ostream* out)
{
    *out << (capture == Capture::Hook ? "the hook" : "own events");
}

struct Result {
    std::array<uint8_t, 4> flags{};
    uint8_t key = 0;
    std::vector<bool> ticked;
};

// Opens the dialog on `flags` and no key, plays `events` into its key field and confirms.
Result Press(Capture capture, std::array<uint8_t, 4> flags, const std::vector<Event>& events)
{
    HookTable hooks;
    hooks.installhook = [](KestrinWindow) { return 1; };
    CShortcutWnd dialog;
    dialog.flags = flags;
    dialog.hooks = HookCalls(capture == Capture::Hook ? &hooks : nullptr);
    Result result;
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& window) {
        CPaintManagerUI& controls = dialog.GetPaintManager();
        QWidget* field = controls.FindControl(QStringLiteral("edit_key"))->GetWidget();
        QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(field, &focus);
        for (const Event& event : events) {
            if (capture == Capture::Hook) {
                window.SendMessage(WM_HOOK_EVENT, event.key.virtualKey, event.release ? 1 : 0);
                continue;
            }
            QKeyEvent key(event.release ? QEvent::KeyRelease : QEvent::KeyPress, event.key.qtKey,
                Qt::NoModifier, event.key.evdevCode + 8, 0, 0);
            QCoreApplication::sendEvent(field, &key);
        }
        for (int n = 1; n <= 4; ++n)
            result.ticked.push_back(dynamic_cast<CCheckBoxUI*>(
                controls.FindControl(QStringLiteral("check_flag_%1").arg(n)))
                                        ->GetCheck());
        window.Close(1);
    });
    EXPECT_EQ(dialog.Run(nullptr), 1);
    CWindowWnd::SetModalHookForTesting(nullptr);
    result.flags = dialog.flags;
    result.key = dialog.keyCode;
    return result;
}

class ShortcutWndTest : public testing::TestWithParam<Capture> {
protected:
    void SetUp() override { test::UseInstalledSkin(); }
};

TEST_P(ShortcutWndTest, AChordPressedIsTheShortcutWhateverIsLetGoAfterIt)
{
    // Ctrl+Shift+S over an Alt shortcut; Ctrl repeats while it is held.
    const Result chord = Press(GetParam(), {0, 0, 1, 0},
        {Down(kLeftCtrl), Down(kLeftShift), Down(kS), Up(kS), Down(kLeftCtrl), Up(kLeftShift),
            Up(kLeftCtrl)});
    EXPECT_EQ(chord.flags, (std::array<uint8_t, 4>{1, 1, 0, 0}));
    EXPECT_EQ(chord.key, 0x16);
    EXPECT_EQ(chord.ticked, (std::vector<bool>{true, true, false, false}));

    // The right-hand modifiers tick the same boxes.
    const Result right =
        Press(GetParam(), {}, {Down(kRightAlt), Down(kF4), Up(kRightAlt), Up(kF4)});
    EXPECT_EQ(right.flags, (std::array<uint8_t, 4>{0, 0, 1, 0}));
    EXPECT_EQ(right.key, 0x3D);
}

TEST_P(ShortcutWndTest, AKeyPressedAloneKeepsTheBoxesTickedByHandAndAModifierCanBeTheKey)
{
    const Result plain = Press(GetParam(), {1, 0, 0, 1}, {Down(kA), Up(kA)});
    EXPECT_EQ(plain.flags, (std::array<uint8_t, 4>{1, 0, 0, 1}));
    EXPECT_EQ(plain.key, 0x04);

    const Result modifier = Press(GetParam(), {0, 1, 0, 0}, {Down(kLeftCtrl), Up(kLeftCtrl)});
    EXPECT_EQ(modifier.flags, (std::array<uint8_t, 4>{0, 1, 0, 0}));
    EXPECT_EQ(modifier.key, 0xE0);
    EXPECT_EQ(modifier.ticked, (std::vector<bool>{false, true, false, false}));
}

INSTANTIATE_TEST_SUITE_P(OnEveryDesktop, ShortcutWndTest,
    testing::Values(Capture::Hook, Capture::OwnEvents),
    [](const testing::TestParamInfo<Capture>& info) {
        return info.param == Capture::Hook ? "ThroughTheHook" : "ThroughOwnEvents";
    });

} // namespace
} // namespace kestrin
