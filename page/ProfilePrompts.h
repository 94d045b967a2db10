#pragma once

#include "profiles/ProfileSection.h"

namespace kestrin {

class CWindowWnd;

// The profile section's questions as the program's own windows: message boxes, the profile
// name dialog and the *.pro file dialogs, all owned by `owner`.
class CProfilePrompts final : public ProfileSectionPrompts {
public:
    explicit CProfilePrompts(CWindowWnd* owner) : owner_(owner) { }

    bool Ask(std::string_view textId) override;
    bool Confirm(std::string_view textId) override;
    std::optional<std::u16string> AskProfileName(
        std::string_view titleId, const ProfileList& profiles) override;
    std::optional<std::string> AskProfileFileToSave(std::u16string_view suggestedName) override;
    std::optional<std::string> AskProfileFileToOpen() override;

private:
    CWindowWnd* owner_;
};

} // namespace kestrin
