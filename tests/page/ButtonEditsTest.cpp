// Button edits on the device page: the library windows and the buttons that use their records.
#include "base/RecordNames.h"
#include "page/GunWnd.h"
#include "page/MacroWnd.h"
#include "patterns/GunRecord.h"
#include "profiles/ButtonRelink.h"
#include "tests/page/DevicePageFixture.h"
#include "ui/ListUI.h"
#include "ui/NameDialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

namespace kestrin {
namespace {

class ButtonEditsTest : public DevicePageTest {
protected:
    // Two profiles, the first current, before the window loads them.
    void OpenWithTwoProfiles(const std::function<void(ProfileRecord&, ProfileRecord&)>& fill = {})
    {
        ProfileList list;
        list.push_back(NewProfileRecord(u"Profile1"));
        list.push_back(NewProfileRecord(u"Arena"));
        if (fill)
            fill(*list[0], *list[1]);
        auto header = std::make_unique<ProfileStoreHeader>();
        ASSERT_TRUE(SaveProfileStore(folder.Data(), list, *header).ok());
        StartMouse({vmouse::Link::Cable});
        OpenWindow();
    }
    ProfileRecord Profile(std::size_t index)
    {
        std::lock_guard lock(Page().Profiles().mutex);
        return *Page().Profiles().list.at(index);
    }
    QWidget* Widget(const QString& name)
    {
        CControlUI* control = window->GetPaintManager().FindControl(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control ? control->GetWidget() : nullptr;
    }
    void Press(int button)
    {
        qobject_cast<QAbstractButton*>(Widget(QStringLiteral("ms_1_btn_key_%1").arg(button)))
            ->click();
    }
    static void Click(CWindowWnd& dialog, const char* name)
    {
        auto& controls = dynamic_cast<WindowImplBase&>(dialog).GetPaintManager();
        qobject_cast<QAbstractButton*>(controls.FindControl(QLatin1String(name))->GetWidget())
            ->click();
    }
};

TEST_F(ButtonEditsTest, ARenamedMacroOrPatternKeepsItsButtonsInEveryProfile)
{
    OpenWithTwoProfiles();
    {
        std::lock_guard lock(Page().Profiles().mutex);
        PageProfiles& profiles = Page().Profiles();
        auto macro = std::make_unique<MacroRecord>();
        WriteName(macro->name, u"Reload");
        macro->actionCount = 2;
        macro->actions[0] = {0x04, 1, 30};
        macro->actions[1] = {0x04, 2, 1};
        profiles.macros.push_back(std::move(macro));
        profiles.guns.push_back(NewGunRecord(u"Spray"));
        for (std::size_t index : {0U, 1U}) {
            ButtonSlot& slot = profiles.list[index]->buttons[4];
            slot.functionCode = kFunctionMacro;
            CopyMacroIntoSlot(slot, *profiles.macros[0], 0);
        }
        ButtonSlot& pattern = profiles.list[1]->buttons[5];
        pattern.functionCode = kFunctionRecoilPattern;
        CopyGunIntoSlot(pattern, *profiles.guns[0], 0);
    }
    CWindowWnd::SetModalHookForTesting([&](CWindowWnd& dialog) {
        auto& controls = dynamic_cast<WindowImplBase&>(dialog).GetPaintManager();
        if (dynamic_cast<CMS_1_Macro*>(&dialog)) {
            controls.FindControl<CListUI>(QStringLiteral("ms_1_macro_list"))->SelectItem(0);
            QWidget* name =
                controls.FindControl(QStringLiteral("ms_1_macro_name_edit"))->GetWidget();
            qobject_cast<QLineEdit*>(name)->setText(QStringLiteral("Reload fast"));
            QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(name, &out);
        } else if (dynamic_cast<CMS_1_Gun*>(&dialog)) {
            controls.FindControl<CListUI>(QStringLiteral("gun_list"))->SelectItem(0);
            Click(dialog, "rename_btn");
        } else if (dynamic_cast<CMS_1_NameDialog*>(&dialog)) {
            qobject_cast<QLineEdit*>(controls.FindControl(QStringLiteral("edit_name"))->GetWidget())
                ->setText(QStringLiteral("Spray long"));
            Click(dialog, "btn_ok");
            return;
        }
        Click(dialog, "btn_exit");
    });
    QTest::mouseClick(Widget(QStringLiteral("ms_1_btn_macro")), Qt::LeftButton);
    QTest::mouseClick(Widget(QStringLiteral("ms_1_btn_gun")), Qt::LeftButton);
    CWindowWnd::SetModalHookForTesting(nullptr);
    for (std::size_t index : {0U, 1U}) {
        const ButtonSlot slot = Profile(index).buttons[4];
        EXPECT_EQ(slot.functionCode, kFunctionMacro) << index;
        EXPECT_EQ(ReadName(slot.assignedName), u"Reload fast") << index;
    }
    EXPECT_EQ(Profile(1).buttons[5].functionCode, kFunctionRecoilPattern);
    EXPECT_EQ(ReadName(Profile(1).buttons[5].assignedName), u"Spray long");
}

} // namespace
} // namespace kestrin
