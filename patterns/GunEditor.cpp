#include "patterns/GunEditor.h"

#include "base/RecordNames.h"
#include "base/StoreFiles.h"
#include "patterns/GunExchange.h"
#include "patterns/GunStore.h"

#include <algorithm>

namespace kestrin {
namespace {

std::array<GunBullet, kGunMaxShots> DefaultShots()
{
    GunRecord defaults{};
    SetNewGunDefaults(defaults);
    std::array<GunBullet, kGunMaxShots> shots{};
    std::ranges::copy(defaults.shots, shots.begin());
    return shots;
}

} // namespace

GunEditor::GunEditor(GunList& guns, std::string dataFolder)
    : guns_(guns), dataFolder_(std::move(dataFolder)), work_(DefaultShots())
{
}

int32_t GunEditor::Held(GunField field, long long value)
{
    if (field == GunField::Delay)
        return static_cast<int32_t>(std::clamp<long long>(value, 1, kGunMaxDelay));
    return static_cast<int32_t>(std::clamp<long long>(value, kGunMinCoordinate, kGunMaxCoordinate));
}

void GunEditor::Select(int index)
{
    if (index < 0 || std::size_t(index) >= guns_.size()) {
        selected_ = -1;
        current_ = nullptr;
        shotCount_ = kGunMaxShots;
        work_ = DefaultShots();
        return;
    }
    selected_ = index;
    current_ = guns_[std::size_t(index)].get();
    shotCount_ = std::clamp<int32_t>(current_->shotCount, 1, kGunMaxShots);
    std::ranges::copy(current_->shots, work_.begin());
    // Shots past the count were never checked: what the editor shows, it can also store.
    for (GunBullet& shot : work_) {
        shot.x = Held(GunField::X, shot.x);
        shot.y = Held(GunField::Y, shot.y);
        shot.delay = static_cast<uint16_t>(
            shot.delay < 1 ? kGunDefaultDelay : Held(GunField::Delay, shot.delay));
    }
}

void GunEditor::Save()
{
    const SaveResult result = SaveGunStore(dataFolder_, guns_);
    if (saved_)
        saved_(result);
}

void GunEditor::Commit()
{
    if (!current_)
        return;
    current_->shotCount = static_cast<uint8_t>(shotCount_);
    std::ranges::copy(work_, current_->shots);
    Save();
}

int GunEditor::Add(std::u16string_view baseText)
{
    if (guns_.size() >= kMaxStoreRecords)
        return -1;
    SaveResult saved;
    CreateGun(dataFolder_, guns_, baseText, &saved);
    if (saved_)
        saved_(saved);
    const int index = static_cast<int>(guns_.size()) - 1;
    Select(index);
    return index;
}

int GunEditor::Import(std::unique_ptr<GunRecord> imported, std::u16string_view baseText)
{
    if (guns_.size() >= kMaxStoreRecords || !imported)
        return -1;
    const int index = ImportGunRecord(std::move(imported), guns_, baseText);
    Save();
    Select(index);
    return index;
}

void GunEditor::Delete(int index)
{
    if (index < 0 || std::size_t(index) >= guns_.size())
        return;
    guns_.erase(guns_.begin() + index);
    Save();
    Select(guns_.empty() ? -1 : std::min(index, static_cast<int>(guns_.size()) - 1));
}

void GunEditor::Rename(std::u16string_view name)
{
    if (!current_)
        return;
    const std::u16string oldName = ReadName(current_->name);
    WriteName(current_->name, name);
    Save();
    if (renamed_)
        renamed_(selected_, oldName);
}

void GunEditor::SetShotCount(int count)
{
    shotCount_ = std::clamp(count, 1, kGunMaxShots);
    Commit();
}

int32_t GunEditor::Set(int shot, GunField field, long long value)
{
    if (shot < 0 || shot >= kGunMaxShots)
        return 0;
    GunBullet& bullet = work_[std::size_t(shot)];
    const int32_t held = Held(field, value);
    switch (field) {
    case GunField::X:
        bullet.x = held;
        break;
    case GunField::Y:
        bullet.y = held;
        break;
    case GunField::Delay:
        bullet.delay = static_cast<uint16_t>(held);
        break;
    }
    Commit();
    return held;
}

int32_t GunEditor::Step(int shot, GunField field, int step)
{
    if (shot < 0 || shot >= kGunMaxShots)
        return 0;
    const GunBullet& bullet = work_[std::size_t(shot)];
    const long long now = field == GunField::X ? bullet.x
        : field == GunField::Y                 ? bullet.y
                                               : bullet.delay;
    return Set(shot, field, now + step);
}

int32_t GunEditor::Type(int shot, GunField field, std::optional<long long> typed)
{
    return Set(shot, field, typed.value_or(0));
}

std::array<std::pair<int32_t, int32_t>, kGunMaxShots> GunPath(std::span<const GunBullet> shots)
{
    std::array<std::pair<int32_t, int32_t>, kGunMaxShots> path{};
    int32_t x = 0, y = 0;
    for (std::size_t i = 0; i < path.size() && i < shots.size(); ++i) {
        x += shots[i].x;
        y += shots[i].y;
        path[i] = {x, y};
    }
    return path;
}

} // namespace kestrin
