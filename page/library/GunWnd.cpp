#include "page/library/GunWnd.h"

#include "base/Messages.h"
#include "base/RecordNames.h"
#include "base/StoreFiles.h"
#include "page/DigitFilters.h"
#include "page/DpiText.h"
#include "page/library/PatternPlot.h"
#include "patterns/GunExchange.h"
#include "ui/Controls.h"
#include "ui/ListUI.h"
#include "ui/NameDialog.h"
#include "ui/ResourceManager.h"

#include <QRegularExpression>
#include <QVBoxLayout>

namespace kestrin {
namespace {

const LibraryFileKind kGunFiles{QStringLiteral("Gun File"), QStringLiteral("*.gun;*.GUN"),
    QString::fromLatin1(kGunFileExtension)};
const LibraryTexts kGunTexts{QStringLiteral("add_gun_text"), QStringLiteral("gun_limit_text"),
    QStringLiteral("delete_gun_text"), QStringLiteral("gun_file_error_text"),
    QStringLiteral("gun_file_held_text"), QStringLiteral("gun_export_error_text")};

QString Text(const char* id)
{
    return CResourceManager::GetInstance()->GetText(QString::fromLatin1(id));
}

const char* FieldName(GunField field)
{
    switch (field) {
    case GunField::X:
        return "x";
    case GunField::Y:
        return "y";
    case GunField::Delay:
        break;
    }
    return "delay";
}

int32_t ValueOf(const GunBullet& shot, GunField field)
{
    return field == GunField::X ? shot.x : field == GunField::Y ? shot.y : shot.delay;
}

constexpr QLatin1StringView kRowName("ver_zidan_");

QString RowName(int number) { return kRowName + QString::number(number); }

} // namespace

CMS_1_Gun::CMS_1_Gun(GunList& guns, std::string dataFolder)
    : CLibraryWnd(dataFolder, kGunFiles, kGunTexts), editor_(guns, std::move(dataFolder))
{
    Observe(editor_);
}

std::u16string CMS_1_Gun::CurrentName() const { return ReadName(editor_.Current()->name); }

CControlUI* CMS_1_Gun::SaveLine()
{
    return paintManager_.FindControl(QStringLiteral("gun_save_status"));
}

std::optional<CMS_1_Gun::RowControl> CMS_1_Gun::ParseRowControl(const QString& name)
{
    // "edit_zidan_x_7", "zidan_delay_up_btn_12"; the x buttons are named the other way round.
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(?:edit_zidan_(x|y|delay)|zidan_(x|y|delay)_(up|down)_btn)_(\d+)$)"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    const int number = match.captured(4).toInt();
    if (number < 1 || number > kGunMaxShots)
        return std::nullopt;
    const bool edit = !match.captured(1).isEmpty();
    const QString field = edit ? match.captured(1) : match.captured(2);
    RowControl control{number - 1,
        field == QLatin1String("x")       ? GunField::X
            : field == QLatin1String("y") ? GunField::Y
                                          : GunField::Delay,
        0};
    if (!edit) {
        const bool up = match.captured(3) == QLatin1String("up");
        control.step = (up != (control.field == GunField::X)) ? 1 : -1;
    }
    return control;
}

QStringList CMS_1_Gun::GetPartsBuiltWhenShown() const
{
    QStringList rows;
    for (int n = 1; n <= kGunMaxShots; ++n)
        rows << RowName(n);
    return rows;
}

CEditUI* CMS_1_Gun::Edit(int shot, GunField field)
{
    return dynamic_cast<CEditUI*>(paintManager_.FindBuiltControl(
        QStringLiteral("edit_zidan_%1_%2").arg(QLatin1String(FieldName(field))).arg(shot + 1)));
}

void CMS_1_Gun::OnLayoutLoaded()
{
    SetWindowText(Text("gun_title_text"));
    paintManager_.SetPartBuiltListener([this](QWidget* row) { FillBuiltRow(row); });
    list_ = paintManager_.FindControl<CListUI>(QStringLiteral("gun_list"));
    combo_ = paintManager_.FindControl<CComboUI>(QStringLiteral("combo_gun"));
    if (CControlUI* place = paintManager_.FindControl(QStringLiteral("gun_plot"))) {
        if (QWidget* widget = place->GetWidget()) {
            plot_ = new PatternPlot(widget);
            auto* layout = new QVBoxLayout(widget);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(plot_);
        }
    }
    ShowLibraryAfresh();
}

void CMS_1_Gun::ShowLibraryAfresh()
{
    ShowRecords(editor_.Patterns());
    editor_.Select(-1);
    ShowSelected();
}

void CMS_1_Gun::ShowSelected()
{
    if (list_)
        list_->SelectItem(editor_.SelectedIndex(), false);
    if (combo_)
        combo_->SelectItem(editor_.ShotCount() - 1, false);
    const auto shots = editor_.Shots();
    for (int shot = 0; shot < kGunMaxShots; ++shot)
        for (GunField field : {GunField::X, GunField::Y, GunField::Delay})
            ShowValue(shot, field, ValueOf(shots[std::size_t(shot)], field));
    markedShot_ = -1;
    ShowRows();
}

void CMS_1_Gun::ShowRows()
{
    const bool editable = editor_.Current() != nullptr;
    if (combo_)
        combo_->SetEnabled(editable);
    for (int n = 1; n <= kGunMaxShots; ++n) {
        CControlUI* row = paintManager_.FindControl(RowName(n));
        if (!row)
            continue;
        row->SetVisible(n <= editor_.ShotCount());
        EnableRow(row->GetWidget(), editable);
    }
    ShowPlot();
}

void CMS_1_Gun::EnableRow(QWidget* row, bool editable)
{
    if (!row)
        return;
    for (QWidget* control : row->findChildren<QWidget*>())
        if (auto* own = paintManager_.ControlFor(control))
            if (ParseRowControl(own->GetName()))
                own->SetEnabled(editable);
}

void CMS_1_Gun::FillBuiltRow(QWidget* row)
{
    const int shot = row->objectName().mid(kRowName.size()).toInt() - 1;
    if (shot < 0 || shot >= kGunMaxShots)
        return;
    for (GunField field : {GunField::X, GunField::Y, GunField::Delay})
        ShowValue(shot, field, ValueOf(editor_.Shots()[std::size_t(shot)], field));
    EnableRow(row, editor_.Current() != nullptr);
}

void CMS_1_Gun::ShowValue(int shot, GunField field, int32_t value)
{
    if (CEditUI* edit = Edit(shot, field))
        edit->SetText(QString::number(value));
}

void CMS_1_Gun::ShowPlot()
{
    if (!plot_)
        return;
    const auto path = GunPath(editor_.Shots());
    std::vector<QPoint> points;
    for (int i = 0; i < editor_.ShotCount(); ++i)
        points.emplace_back(path[std::size_t(i)].first, path[std::size_t(i)].second);
    plot_->SetPath(std::move(points), markedShot_ < editor_.ShotCount() ? markedShot_ : -1);
}

void CMS_1_Gun::Notify(TNotifyUI& msg)
{
    CControlUI* sender = msg.pSender;
    if (!sender)
        return;
    const QString& type = msg.sType;
    if (type == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
        return;
    }
    if (type == DUI_MSGTYPE_ITEMSELECT && sender == list_) {
        editor_.Select(int(msg.wParam));
        ShowSelected();
        return;
    }
    if (type == DUI_MSGTYPE_ITEMSELECT && sender == combo_) {
        editor_.SetShotCount(int(msg.wParam) + 1);
        ShowRows();
        return;
    }
    const auto control = ParseRowControl(sender->GetName());
    auto* edit = dynamic_cast<CEditUI*>(sender);
    if (!control || !edit)
        return;
    if (type == DUI_MSGTYPE_TEXTCHANGED) {
        if (control->field == GunField::Delay)
            FilterDigits(*edit);
        else
            FilterSignedDigits(*edit);
    } else if (type == DUI_MSGTYPE_KILLFOCUS || type == DUI_MSGTYPE_RETURN) {
        if (!editor_.Current())
            return;
        const int32_t held = editor_.Type(
            control->shot, control->field, LeadingNumber(edit->GetText().toStdU16String()));
        ShowValue(control->shot, control->field, held);
        ShowPlot();
    } else if (type == DUI_MSGTYPE_SETFOCUS) {
        markedShot_ = control->shot;
        ShowPlot();
    }
}

void CMS_1_Gun::OnClick(TNotifyUI& msg)
{
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_exit")) {
        Close(1);
    } else if (name == QLatin1String("add_btn")) {
        ShowAdded(editor_.Add(NewName()));
    } else if (name == QLatin1String("delete_btn")) {
        DeleteSelected([this](int row) { editor_.Delete(row); });
    } else if (name == QLatin1String("rename_btn")) {
        Rename();
    } else if (name == QLatin1String("import_btn")) {
        ImportFile(ReadGunFile, [this](std::unique_ptr<GunRecord> gun, std::u16string_view name) {
            return editor_.Import(std::move(gun), name);
        });
    } else if (name == QLatin1String("export_btn")) {
        ExportFile(editor_.Current(), WriteGunFile);
    } else if (const auto control = ParseRowControl(name); control && control->step != 0) {
        if (!editor_.Current())
            return;
        // The edit may hold a number typed but not yet taken: it is the one stepped.
        if (CEditUI* edit = Edit(control->shot, control->field))
            editor_.Type(
                control->shot, control->field, LeadingNumber(edit->GetText().toStdU16String()));
        ShowValue(control->shot, control->field,
            editor_.Step(control->shot, control->field, control->step));
        markedShot_ = control->shot;
        ShowPlot();
    }
}

void CMS_1_Gun::Rename()
{
    if (!editor_.Current())
        return;
    CMS_1_GunName dialog;
    dialog.SetTitleId(QStringLiteral("gun_rename_title_text"));
    dialog.SetList(editor_.Patterns());
    if (dialog.Run(this) != 1)
        return;
    editor_.Rename(dialog.GetResultName().toStdU16String());
    if (list_)
        list_->SetItemText(editor_.SelectedIndex(), QString::fromStdU16String(CurrentName()));
}

} // namespace kestrin
