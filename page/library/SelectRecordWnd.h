#pragma once

#include "ui/WindowImplBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrin {

class CEditUI;
class CListUI;

// Picks one record of a library (macros or recoil patterns) for a button and how it repeats:
// for a macro one of three play modes and, for the first, a loop count of 1 to 255; for a
// pattern, which always plays while its button is held, the loop count alone. The opener sets
// the fields, runs it and reads them back after a result of 1; a selected index of -1 means no
// record was chosen.
class CMS_1_SelectRecord : public WindowImplBase {
public:
    int32_t playMode = 0;       // 0..2, the index of the selected "repeat_%d" option
    int32_t selectedIndex = -1; // into `names`, -1 for none
    int32_t loopCount = 1;      // 1..255
    std::vector<std::u16string> names;

    // Popup child of `parent`, centred, modal: 1 for OK, 0 for cancel.
    int Run(CWindowWnd* parent);

protected:
    // False where the caller stores one play mode whatever is chosen: no choice is offered and
    // the loop count always shows.
    virtual bool ChoosesPlayMode() const { return true; }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;

private:
    void ShowLoopCount() const;
    void TakeLoopCount();

    CListUI* list_ = nullptr;
    CEditUI* loopEdit_ = nullptr;
};

class CMS_1_SelectMacro final : public CMS_1_SelectRecord {
protected:
    QString GetWindowClassName() const override { return QStringLiteral("MS_1_SelectMacro"); }
    QString GetSkinFile() const override { return QStringLiteral("MS/MS_1/selectmacro.xml"); }
};

class CMS_1_SelectGun final : public CMS_1_SelectRecord {
protected:
    QString GetWindowClassName() const override { return QStringLiteral("MS_1_SelectGun"); }
    QString GetSkinFile() const override { return QStringLiteral("MS/MS_1/selectgun.xml"); }
    bool ChoosesPlayMode() const override { return false; }
};

} // namespace kestrin
