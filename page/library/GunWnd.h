#pragma once

#include "page/library/LibraryWindow.h"
#include "patterns/GunEditor.h"

#include <optional>
#include <string>

namespace kestrin {

class CComboUI;
class CEditUI;
class PatternPlot;

// The recoil pattern library window: the patterns, the shot count and the 30 shot rows (x, y and
// the pause after each, typed or stepped), a plot of the pattern's path that follows every edit,
// and *.gun files. Every change is saved at once (GunEditor).
class CMS_1_Gun final : public CLibraryWnd {
public:
    CMS_1_Gun(GunList& guns, std::string dataFolder);

    const GunEditor& Editor() const { return editor_; }
    const PatternPlot* Plot() const { return plot_; }

protected:
    QString GetWindowClassName() const override { return QStringLiteral("MS_1_Gun"); }
    QString GetSkinFile() const override { return QStringLiteral("MS/MS_1/gunpage.xml"); }
    // The shot rows, of which only a few are seen at a time.
    QStringList GetPartsBuiltWhenShown() const override;
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    void ShowSelected() override;
    void ShowLibraryAfresh() override;
    std::u16string CurrentName() const override;
    CControlUI* SaveLine() override;

private:
    // A row edit or step button by its name: the shot (0-based) and the value it is for.
    struct RowControl {
        int shot;
        GunField field;
        int step; // +1, -1, or 0 for the edit
    };
    static std::optional<RowControl> ParseRowControl(const QString& name);

    void ShowRows();
    // A row's controls follow the editor; those of a row not built yet are not there.
    void EnableRow(QWidget* row, bool editable);
    void FillBuiltRow(QWidget* row);
    void ShowValue(int shot, GunField field, int32_t value);
    void ShowPlot();
    CEditUI* Edit(int shot, GunField field);

    void Rename();

    GunEditor editor_;
    CComboUI* combo_ = nullptr;
    PatternPlot* plot_ = nullptr; // owned by its place in the layout
    int markedShot_ = -1;
};

} // namespace kestrin
