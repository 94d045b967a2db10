#pragma once

#include "profiles/ProfileSection.h"
#include "ui/PageWindow.h"

#include <functional>

namespace kestrin {

// The profile section's rows on "ms_1_list_profile", and the page services it calls.
class PageProfileList final : public ProfileSectionHost {
public:
    PageProfileList(PageWindow& window, std::function<void()> refresh,
        std::function<void()> requestFullApply,
        std::function<void(StoreKind, const SaveResult&)> saved)
        : window_(window), refresh_(std::move(refresh)),
          requestFullApply_(std::move(requestFullApply)), saved_(std::move(saved))
    {
    }

    // Fills the list with the profiles' names and selects `current` without a notification.
    void Fill(const ProfileList& profiles, int current);

    void AppendRow(std::u16string_view name) override;
    void RemoveRow(int row) override;
    void SetRowText(int row, std::u16string_view name) override;
    void SelectRow(int row) override;
    void RefreshSettingsControls() override { refresh_(); }
    void RequestFullApply() override { requestFullApply_(); }
    void ShowSaveResult(StoreKind store, const SaveResult& result) override
    {
        saved_(store, result);
    }
    void UserChoseProfile(std::u16string_view name) override
    {
        if (chosen_)
            chosen_(name);
    }
    void SetChosenListener(std::function<void(std::u16string_view)> chosen)
    {
        chosen_ = std::move(chosen);
    }
    void ProfileRenamed(std::u16string_view from, std::u16string_view to) override
    {
        if (renamed_)
            renamed_(from, to);
    }
    void SetRenameListener(std::function<void(std::u16string_view, std::u16string_view)> renamed)
    {
        renamed_ = std::move(renamed);
    }

private:
    PageWindow& window_;
    std::function<void()> refresh_;
    std::function<void()> requestFullApply_;
    std::function<void(StoreKind, const SaveResult&)> saved_;
    std::function<void(std::u16string_view)> chosen_;
    std::function<void(std::u16string_view, std::u16string_view)> renamed_;
};

} // namespace kestrin
