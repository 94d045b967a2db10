#pragma once

#include "base/DriverApi.h"

#include <cstdint>
#include <span>
#include <string>

namespace kestrin {

// One driver library loaded at run time, with its seven entry points resolved by name.
//
// A library that does not load, or lacks one of the six entry points the program calls, is
// never called at all: every call returns 0, so its link never opens and never posts. Loading
// one only half would leave a link that opens but cannot write, or writes but never reports
// its removal. GetFeature is resolved when present but not required.
class DriverLibrary final {
public:
    DriverLibrary() = default;
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    // Loads the library at `path`, replacing one loaded before. True when it is usable.
    bool Load(const std::string& path);
    // Frees the library; its calls return 0 from now on. Call the close entry points first.
    void Unload();

    bool Usable() const { return handle_ != nullptr; }
    // Why the last Load failed, for the trace; empty after a good load.
    const std::string& LoadError() const { return loadError_; }

    int SetVidPid(int vendorId, int productId) const;
    int OpenDevMonitor(KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage) const;
    int CloseDevMonitor() const;
    int OpenFeatureDevice() const;
    int CloseFeatureDevice() const;
    int SetFeature(std::span<const uint8_t> report) const;
    int GetFeature(std::span<uint8_t> report) const;

private:
    void* handle_ = nullptr;
    std::string loadError_;
    SetVidPidFn setVidPid_ = nullptr;
    OpenDevMonitorFn openDevMonitor_ = nullptr;
    CloseDevMonitorFn closeDevMonitor_ = nullptr;
    OpenFeatureDeviceFn openFeatureDevice_ = nullptr;
    CloseFeatureDeviceFn closeFeatureDevice_ = nullptr;
    SetFeatureFn setFeature_ = nullptr;
    GetFeatureFn getFeature_ = nullptr;
};

} // namespace kestrin
