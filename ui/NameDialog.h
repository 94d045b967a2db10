#pragma once

#include "base/RecordNames.h"
#include "ui/WindowImplBase.h"

#include <functional>
#include <string_view>

namespace kestrin {

class CEditUI;

// Asks for a name that is neither empty nor already in a list of named records. The opener
// owns the dialog: it sets the result name, the title and the list, then calls Run. Run
// returns 1 with the accepted name in GetResultName, or 0 when cancelled.
class CMS_1_NameDialog : public WindowImplBase {
public:
    void SetResultName(const QString& name) { resultName_ = name; }
    const QString& GetResultName() const { return resultName_; }
    void SetTitleId(const QString& id) { titleId_ = id; }

    // The edit then holds no more than the record's name field.
    template <NamedElement Element> void SetList(const std::vector<Element>& list)
    {
        exists_ = [&list](std::u16string_view name) { return NameExistsInList(list, name); };
        limit_ = static_cast<int>(kNameCapacity<typename Element::element_type>);
    }

    // Popup child of `parent`, centred, modal.
    int Run(CWindowWnd* parent);

protected:
    QString GetSkinFile() const override { return QStringLiteral("MS/MS_1/profilename.xml"); }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;

private:
    void Accept();

    QString resultName_;
    QString titleId_;
    std::function<bool(std::u16string_view)> exists_;
    int limit_ = 0;
    CEditUI* edit_ = nullptr;
};

// Names a recoil pattern.
class CMS_1_GunName final : public CMS_1_NameDialog {
protected:
    QString GetWindowClassName() const override { return QStringLiteral("MS_1_GunName"); }
};

// Names a profile.
class CMS_1_ProfileName final : public CMS_1_NameDialog {
protected:
    QString GetWindowClassName() const override { return QStringLiteral("MS_1_ProfileName"); }
};

} // namespace kestrin
