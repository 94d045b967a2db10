#include "device/DriverLibraries.h"

namespace kestrin {

void DriverLibraries::LoadFrom(const std::string& programFolder)
{
    cable.Load(programFolder + kCableLibraryName);
    receiver.Load(programFolder + kReceiverLibraryName);
}

LinkWriters WritersFor(const DriverLibraries& libraries, LinkWriter bluetooth)
{
    return {
        [&cable = libraries.cable](
            std::span<const uint8_t> bytes) { return cable.SetFeature(bytes); },
        [&receiver = libraries.receiver](
            std::span<const uint8_t> bytes) { return receiver.SetFeature(bytes); },
        std::move(bluetooth),
    };
}

void DriverLibraries::CloseAndUnload()
{
    receiver.CloseFeatureDevice();
    receiver.CloseDevMonitor();
    cable.CloseFeatureDevice();
    cable.CloseDevMonitor();
    cable.Unload();
    receiver.Unload();
}

void ShutDownDeviceLinks(DriverLibraries& libraries, ApplyEngine& engine, DeviceWorker& worker)
{
    engine.Stop();
    worker.QuitAndJoin();
    libraries.CloseAndUnload();
}

} // namespace kestrin
