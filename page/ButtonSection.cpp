#include "page/ButtonSection.h"

#include "base/Messages.h"
#include "base/RecordNames.h"
#include "keys/KeyNames.h"
#include "page/ShortcutWnd.h"
#include "page/library/GunWnd.h"
#include "page/library/MacroWnd.h"
#include "page/library/SelectRecordWnd.h"
#include "profiles/ButtonFunctions.h"
#include "profiles/ButtonRelink.h"
#include "profiles/ProfileRanges.h"
#include "ui/Control.h"
#include "ui/MenuWnd.h"
#include "ui/MsgWnd.h"
#include "ui/ResourceManager.h"

#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>

namespace kestrin {
namespace {

const QLatin1StringView kButton("ms_1_btn_key_");
constexpr int kMenuButtons = 12;
// How far below the button's top a menu opened upwards ends.
constexpr int kUpwardMenuOverlap = 25;

std::u16string Text(std::string_view id)
{
    return CResourceManager::GetInstance()
        ->GetText(QString::fromLatin1(id.data(), qsizetype(id.size())))
        .toStdU16String();
}

// The one-left-click rule for `profile` with `code` on button `slot`.
bool KeepsLeftClick(ProfileRecord& profile, int slot, uint8_t code)
{
    const uint8_t had = std::exchange(profile.buttons[slot].functionCode, code);
    const bool kept = HasLeftClick(profile);
    profile.buttons[slot].functionCode = had;
    return kept;
}

// The menu item that chooses `code`; empty for a code no item chooses.
QString MenuItemFor(uint8_t code)
{
    for (const ButtonFunction& function : ButtonFunctionTable())
        if (function.code == code)
            return QString::fromLatin1(
                function.menuItem.data(), qsizetype(function.menuItem.size()));
    return {};
}

} // namespace

ButtonSection::~ButtonSection() = default;

bool ButtonSection::Notify(TNotifyUI& msg)
{
    if (!msg.pSender)
        return false;
    if (msg.sType == DUI_MSGTYPE_CLICK &&
        msg.pSender->GetName() == QLatin1String("ms_1_btn_macro")) {
        OpenMacroLibrary();
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender->GetName() == QLatin1String("ms_1_btn_gun")) {
        OpenPatternLibrary();
        return true;
    }
    const auto n = NumberedName(msg.pSender->GetName(), kButton, kButtonCount);
    if (!n)
        return false;
    if (msg.sType == DUI_MSGTYPE_MOUSEENTER || msg.sType == DUI_MSGTYPE_SETFOCUS) {
        if (drawing_)
            drawing_->SetHighlight(*n);
        return true;
    }
    if (msg.sType == DUI_MSGTYPE_MOUSELEAVE || msg.sType == DUI_MSGTYPE_KILLFOCUS) {
        if (drawing_ && drawing_->Highlight() == *n)
            drawing_->SetHighlight(0);
        return true;
    }
    if (msg.sType != DUI_MSGTYPE_CLICK)
        return false;
    // Buttons 13 to 18 show their function but offer no other.
    if (*n <= kMenuButtons)
        OpenFunctionMenu(*n - 1);
    return true;
}

void ButtonSection::ShowDrawing()
{
    CControlUI* place = context_.window.Find(QStringLiteral("ms_1_mouse_drawing"));
    QWidget* widget = place ? place->GetWidget() : nullptr;
    if (drawing_ || !widget)
        return;
    drawing_ = new MouseDrawing(
        CResourceManager::GetInstance()->GetResourcePath() + QStringLiteral("images/mouse.svg"),
        widget);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(drawing_);
    drawing_->OnHover([this](int button) { HighlightControl(button); });
}

void ButtonSection::HighlightControl(int button)
{
    for (int n : {highlightedControl_, button}) {
        CControlUI* control = n > 0 ? context_.window.Find(kButton + QString::number(n)) : nullptr;
        if (QWidget* widget = control ? control->GetWidget() : nullptr) {
            widget->setProperty("highlight", n == button);
            // The style sheet reads the property only when the widget is polished again.
            widget->style()->unpolish(widget);
            widget->style()->polish(widget);
        }
    }
    highlightedControl_ = button;
}

void ButtonSection::Refresh(const ProfileRecord& profile)
{
    ShowDrawing();
    for (int slot = 0; slot < kButtonCount; ++slot)
        ShowButtonFunction(slot, profile.buttons[slot]);
}

void ButtonSection::ShowButtonFunction(int slot, const ButtonSlot& assigned)
{
    CControlUI* button = context_.window.Find(kButton + QString::number(slot + 1));
    if (!button)
        return;
    button->SetResourceText(false);
    button->SetText(QString::fromStdU16String(
        ButtonLabel(assigned, Text, [](unsigned key) { return UsageName(key); })));
}

void ButtonSection::OpenFunctionMenu(int slot)
{
    CControlUI* button = context_.window.Find(kButton + QString::number(slot + 1));
    QWidget* widget = button ? button->GetWidget() : nullptr;
    if (!widget)
        return;
    editedSlot_ = slot;
    uint8_t code = 0;
    context_.profiles.Edit([&] {
        menuProfile_ = context_.profiles.Current();
        if (menuProfile_)
            code = menuProfile_->buttons[slot].functionCode;
    });
    menu_.reset();
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    QPoint anchor(topLeft.x() + widget->width(), topLeft.y());
    menu_ = std::make_unique<CMenuWnd>();
    menu_->Init(nullptr, QStringLiteral("MS/MS_1/ms_1_menu.xml"), anchor,
        context_.window.PaintManager(), nullptr, eMenuAlignment_Left | eMenuAlignment_Top);
    // Opened on what the button does now.
    menu_->SetFocusedItem(MenuItemFor(code));
    menu_->ResizeMenu();
    // Near the bottom of the screen under the button the menu opens upwards, ending a little
    // below the button's top.
    QWidget* host = menu_->GetWidget();
    const QScreen* screen = widget->screen();
    if (host && screen && anchor.y() + host->height() >= screen->geometry().bottom() + 1) {
        anchor.setY(topLeft.y() + kUpwardMenuOverlap - host->height());
        menu_->SetPoint(anchor);
        menu_->ResizeMenu();
    }
}

void ButtonSection::AssignFunction(const QString& itemName)
{
    // Only a choice made in the menu open now assigns, and it uses the menu up.
    if (!menu_ || !menu_->IsOpenFor(itemName))
        return;
    menu_.reset();
    const int slot = editedSlot_;
    const ProfileRecord* madeFor = menuProfile_;
    if (slot < 0 || slot >= kMenuButtons)
        return;
    // An item of no function stands for a left click, as the table has no other answer.
    const uint8_t code = FunctionForMenuItem(itemName.toStdString()).value_or(1);
    ButtonSlot edited{};
    bool keepsLeftClick = false;
    // Not when the menu was opened on another profile than the one shown now.
    if (!context_.profiles.EditCurrentIf(madeFor, [&](ProfileRecord& current) {
            edited = current.buttons[slot];
            keepsLeftClick = KeepsLeftClick(current, slot, code);
        }))
        return;
    const auto refuse = [this] {
        CMsgWnd::Ask(
            CWindowWnd::FromHandle(context_.window.Handle()), QStringLiteral("one_click_text"));
    };
    if (!keepsLeftClick)
        return refuse();
    uint8_t modifiers = edited.shortcutModifiers;
    uint8_t key = edited.shortcutKey;
    if (code == kFunctionKeyShortcut) {
        // A button that was not a shortcut yet starts from no key.
        if (edited.functionCode != kFunctionKeyShortcut)
            key = 0;
        const auto chosen = AskShortcut(modifiers, key);
        if (!chosen)
            return;
        std::tie(modifiers, key) = *chosen;
    }
    std::optional<LibraryChoice> chosen;
    if (code == kFunctionMacro || code == kFunctionRecoilPattern) {
        chosen = AskLibraryRecord(code, edited);
        if (!chosen)
            return;
    }
    // The dialogs gave the event loop its turn: the profile and its buttons are checked again
    // as the choice is stored.
    ButtonSlot shown{};
    bool refused = false;
    const bool stored = context_.profiles.EditCurrentIf(madeFor, [&](ProfileRecord& p) {
        if (!KeepsLeftClick(p, slot, code)) {
            refused = true;
            return;
        }
        ButtonSlot& target = p.buttons[slot];
        if (code == kFunctionKeyShortcut) {
            target.shortcutModifiers = modifiers;
            target.shortcutKey = key;
        } else if (code == kFunctionMacro) {
            target.playMode = chosen->playMode;
            target.repeatCount = chosen->loopCount;
            const auto index = std::size_t(chosen->index);
            CopyMacroIntoSlot(target, *context_.profiles.macros[index], chosen->index);
        } else if (code == kFunctionRecoilPattern) {
            // A pattern always plays while its button is held, whatever the dialog showed.
            target.playMode = kPatternPlayMode;
            target.repeatCount = chosen->loopCount;
            const auto index = std::size_t(chosen->index);
            CopyGunIntoSlot(target, *context_.profiles.guns[index], chosen->index);
        }
        target.functionCode = code;
        shown = target;
    });
    if (refused)
        return refuse();
    if (!stored)
        return;
    context_.requestApply(0);
    // Shown from a copy, so the lock is not held while the control repaints.
    ShowButtonFunction(slot, shown);
}

void ButtonSection::OpenMacroLibrary()
{
    {
        // The editor works on the library itself; only the UI thread touches it.
        CMS_1_Macro editor(context_.profiles.macros, context_.profiles.dataFolder, hooks_);
        editor.onSaved = [this](const SaveResult& saved) {
            context_.saveDone(StoreKind::Macros, saved);
        };
        // Buttons are linked by name: a renamed macro takes its buttons along.
        editor.onRenamed = [this](int index, std::u16string_view oldName) {
            context_.profiles.Edit([&] {
                CarryRenamedMacro(context_.profiles.list, context_.profiles.macros, index, oldName);
            });
        };
        editor.Run(CWindowWnd::FromHandle(context_.window.Handle()));
    }
    RelinkLibraries();
}

void ButtonSection::OpenPatternLibrary()
{
    // Its 30 shot rows are most of what it costs to open: made once, kept for the next time.
    if (!patternLibrary_) {
        patternLibrary_ =
            std::make_unique<CMS_1_Gun>(context_.profiles.guns, context_.profiles.dataFolder);
        patternLibrary_->SetKeptWhenClosed(true);
        patternLibrary_->onSaved = [this](const SaveResult& saved) {
            context_.saveDone(StoreKind::Patterns, saved);
        };
        patternLibrary_->onRenamed = [this](int index, std::u16string_view oldName) {
            context_.profiles.Edit([&] {
                CarryRenamedGun(context_.profiles.list, context_.profiles.guns, index, oldName);
            });
        };
    }
    patternLibrary_->Run(CWindowWnd::FromHandle(context_.window.Handle()));
    RelinkLibraries();
}

void ButtonSection::RelinkLibraries()
{
    std::optional<ProfileRecord> shown;
    context_.profiles.Edit([&] {
        ProfileRecord* current = context_.profiles.Current();
        if (ResyncButtonAssignments(context_.profiles.list, context_.profiles.macros,
                context_.profiles.guns, current) &&
            current)
            shown = *current;
    });
    // A library change a save could not write gets another chance as its window closes.
    context_.profiles.SaveUnsavedStores();
    // Other profiles may have been re-linked too: they are kept as they now are.
    if (context_.saveDone)
        context_.saveDone(StoreKind::Profiles, context_.profiles.StoreCurrent());
    if (!shown)
        return;
    Refresh(*shown);
    context_.requestApply(0);
}

std::optional<ButtonSection::LibraryChoice> ButtonSection::AskLibraryRecord(
    uint8_t code, const ButtonSlot& edited)
{
    const bool macro = code == kFunctionMacro;
    std::unique_ptr<CMS_1_SelectRecord> dialog;
    if (macro)
        dialog = std::make_unique<CMS_1_SelectMacro>();
    else
        dialog = std::make_unique<CMS_1_SelectGun>();
    context_.profiles.Edit([&] {
        if (macro)
            for (const auto& record : context_.profiles.macros)
                dialog->names.push_back(ReadName(record->name));
        else
            for (const auto& record : context_.profiles.guns)
                dialog->names.push_back(ReadName(record->name));
    });
    // A button that has this function already opens the dialog on its choice.
    if (edited.functionCode == code) {
        dialog->selectedIndex = macro ? edited.macroIndex : edited.patternIndex;
        dialog->playMode = edited.playMode;
        dialog->loopCount = edited.repeatCount;
    }
    if (dialog->Run(CWindowWnd::FromHandle(context_.window.Handle())) != 1)
        return std::nullopt;
    // The libraries do not change while the dialog is up: it is modal and they are the UI's.
    if (dialog->selectedIndex < 0 || std::size_t(dialog->selectedIndex) >= dialog->names.size())
        return std::nullopt;
    return LibraryChoice{dialog->selectedIndex, dialog->playMode, dialog->loopCount};
}

std::optional<std::pair<uint8_t, uint8_t>> ButtonSection::AskShortcut(
    uint8_t modifiers, uint8_t key)
{
    CShortcutWnd dialog;
    for (int bit = 0; bit < 4; ++bit)
        dialog.flags[bit] = (modifiers >> bit) & 1;
    dialog.keyCode = key;
    dialog.hooks = hooks_;
    if (dialog.Run(CWindowWnd::FromHandle(context_.window.Handle())) != 1)
        return std::nullopt;
    uint8_t chosen = 0;
    for (int bit = 0; bit < 4; ++bit)
        chosen |= uint8_t((dialog.flags[bit] ? 1 : 0) << bit);
    // Nothing ticked and no key keeps the function the button had.
    if (chosen == 0 && dialog.keyCode == 0)
        return std::nullopt;
    return std::pair{chosen, dialog.keyCode};
}

} // namespace kestrin
