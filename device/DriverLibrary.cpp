#include "device/DriverLibrary.h"

#include "base/Trace.h"

#include <climits>
#include <dlfcn.h>

namespace kestrin {
namespace {

template <typename Fn> Fn Resolve(void* handle, const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(handle, name));
}

} // namespace

DriverLibrary::~DriverLibrary() { Unload(); }

bool DriverLibrary::Load(const std::string& path)
{
    Unload();
    // RTLD_LOCAL: the cable and receiver libraries export the same names and must stay apart.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        loadError_ = why ? why : "cannot load " + path;
        Trace("driver library not loaded: %s", loadError_.c_str());
        return false;
    }
    setVidPid_ = Resolve<SetVidPidFn>(handle, "Set_VIDPID");
    openDevMonitor_ = Resolve<OpenDevMonitorFn>(handle, "Open_DevMonitor");
    closeDevMonitor_ = Resolve<CloseDevMonitorFn>(handle, "Close_DevMonitor");
    openFeatureDevice_ = Resolve<OpenFeatureDeviceFn>(handle, "Open_FeatureDevice");
    closeFeatureDevice_ = Resolve<CloseFeatureDeviceFn>(handle, "Close_FeatureDevice");
    setFeature_ = Resolve<SetFeatureFn>(handle, "SetFeature");
    getFeature_ = Resolve<GetFeatureFn>(handle, "GetFeature");
    if (!setVidPid_ || !openDevMonitor_ || !closeDevMonitor_ || !openFeatureDevice_ ||
        !closeFeatureDevice_ || !setFeature_) {
        loadError_ = path + " lacks a driver entry point";
        Trace("driver library not used: %s", loadError_.c_str());
        handle_ = handle; // so that Unload frees it and clears what was resolved
        Unload();
        return false;
    }
    handle_ = handle;
    loadError_.clear();
    return true;
}

void DriverLibrary::Unload()
{
    if (handle_)
        ::dlclose(handle_);
    handle_ = nullptr;
    setVidPid_ = nullptr;
    openDevMonitor_ = nullptr;
    closeDevMonitor_ = nullptr;
    openFeatureDevice_ = nullptr;
    closeFeatureDevice_ = nullptr;
    setFeature_ = nullptr;
    getFeature_ = nullptr;
}

int DriverLibrary::SetVidPid(int vendorId, int productId) const
{
    return setVidPid_ ? setVidPid_(vendorId, productId) : 0;
}

int DriverLibrary::OpenDevMonitor(
    KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage) const
{
    return openDevMonitor_ ? openDevMonitor_(window, eventMessage, stateMessage) : 0;
}

int DriverLibrary::CloseDevMonitor() const { return closeDevMonitor_ ? closeDevMonitor_() : 0; }

int DriverLibrary::OpenFeatureDevice() const
{
    return openFeatureDevice_ ? openFeatureDevice_() : 0;
}

int DriverLibrary::CloseFeatureDevice() const
{
    return closeFeatureDevice_ ? closeFeatureDevice_() : 0;
}

int DriverLibrary::SetFeature(std::span<const uint8_t> report) const
{
    if (!setFeature_ || report.empty() || report.size() > INT_MAX)
        return 0;
    return setFeature_(report.data(), static_cast<int>(report.size()));
}

int DriverLibrary::GetFeature(std::span<uint8_t> report) const
{
    if (!getFeature_ || report.size() > INT_MAX)
        return 0;
    return getFeature_(report.data(), static_cast<int>(report.size()));
}

} // namespace kestrin
