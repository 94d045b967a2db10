#pragma once

#include "base/FileResult.h"
#include "patterns/GunRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrin {

// The three values of a shot that the editor sets.
enum class GunField { X, Y, Delay };

// The recoil pattern editor without its window: the library, the selected pattern and the working
// copy of its shots. Every change is written into the record and the library saved at once.
// Values are held to the editor's ranges however they are entered: x and y to -999..999, the
// pause to 1..25599 ms.
class GunEditor {
public:
    GunEditor(GunList& guns, std::string dataFolder);

    const GunList& Patterns() const { return guns_; }
    int32_t SelectedIndex() const { return selected_; }
    const GunRecord* Current() const { return current_; }
    int32_t ShotCount() const { return shotCount_; }
    std::span<const GunBullet, kGunMaxShots> Shots() const { return work_; }

    // Told the outcome of every save of gun.data.
    void SetSaveObserver(std::function<void(const SaveResult&)> observer)
    {
        saved_ = std::move(observer);
    }
    // Told of every rename: the pattern's index and the name it had.
    void SetRenameObserver(std::function<void(int index, std::u16string_view oldName)> observer)
    {
        renamed_ = std::move(observer);
    }

    // Pattern `index` becomes the current one; -1 (or an index it does not have) shows 30 shots
    // of the new-pattern defaults and selects none.
    void Select(int index);
    // Appends a new pattern named `baseText` and a number and selects it; -1 when the library is
    // full.
    int Add(std::u16string_view baseText);
    // Removes pattern `index` and selects the one now at its place, or the one before when it
    // was the last; none when the library is empty.
    void Delete(int index);
    // Names the current pattern (the name dialog has refused empty and taken names).
    void Rename(std::u16string_view name);
    // Appends an imported pattern under a free name (one without a name is named from
    // `baseText` as a new pattern is) and selects it; -1 when the library is full.
    int Import(std::unique_ptr<GunRecord> imported, std::u16string_view baseText);

    // Shows and keeps `count` shots (1..30); shots past it keep their values.
    void SetShotCount(int count);
    // Adds `step` to a value of shot `shot` (0-based); returns the value now held.
    int32_t Step(int shot, GunField field, int step);
    // Stores a typed value (none counts as 0); returns the value now held.
    int32_t Type(int shot, GunField field, std::optional<long long> typed);

    static int32_t Held(GunField field, long long value);

private:
    void Commit();
    void Save();
    int32_t Set(int shot, GunField field, long long value);

    GunList& guns_;
    std::string dataFolder_;
    int32_t selected_ = -1;
    int32_t shotCount_ = kGunMaxShots;
    GunRecord* current_ = nullptr;
    std::array<GunBullet, kGunMaxShots> work_{};
    std::function<void(const SaveResult&)> saved_;
    std::function<void(int, std::u16string_view)> renamed_;
};

// Where each shot leaves the pointer: the running sums of x and y, shot by shot.
std::array<std::pair<int32_t, int32_t>, kGunMaxShots> GunPath(std::span<const GunBullet> shots);

} // namespace kestrin
