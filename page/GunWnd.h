#pragma once

#include "patterns/GunEditor.h"
#include "ui/WindowImplBase.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

class CComboUI;
class CEditUI;
class CListUI;
class PatternPlot;

// The recoil pattern library window: the patterns, the shot count and the 30 shot rows (x, y and
// the pause after each, typed or stepped), a plot of the pattern's path that follows every edit,
// and *.gun files. Every change is saved at once (GunEditor).
class CMS_1_Gun final : public WindowImplBase {
public:
    CMS_1_Gun(GunList& guns, std::string dataFolder);

    // Told of every save of gun.data, so the page's footer knows of a failure.
    std::function<void(const SaveResult&)> onSaved;
    // Told of every rename: the pattern's index and the name it had.
    std::function<void(int index, std::u16string_view oldName)> onRenamed;

    // Popup child of `parent`, centred, modal; always 1.
    int Run(CWindowWnd* parent);

    const GunEditor& Editor() const { return editor_; }
    const PatternPlot* Plot() const { return plot_; }

protected:
    QString GetWindowClassName() const override { return QStringLiteral("MS_1_Gun"); }
    QString GetSkinFile() const override { return QStringLiteral("MS/MS_1/gunpage.xml"); }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;

private:
    // A row edit or step button by its name: the shot (0-based) and the value it is for.
    struct RowControl {
        int shot;
        GunField field;
        int step; // +1, -1, or 0 for the edit
    };
    static std::optional<RowControl> ParseRowControl(const QString& name);

    void ShowPattern();
    void ShowRows();
    void ShowValue(int shot, GunField field, int32_t value);
    void ShowPlot();
    CEditUI* Edit(int shot, GunField field);

    void Add();
    void Delete();
    void Rename();
    void Import();
    void Export();
    // Appends the row of pattern `index`, just added, and selects it; -1 says the library is full.
    void ShowAddedPattern(int index);

    GunEditor editor_;
    std::string dataFolder_;
    CListUI* list_ = nullptr;
    CComboUI* combo_ = nullptr;
    PatternPlot* plot_ = nullptr; // owned by its place in the layout
    int markedShot_ = -1;
};

} // namespace kestrin
