#pragma once

#include "device/ApplyEngine.h"
#include "device/DeviceWorker.h"
#include "device/DriverLibrary.h"

#include <string>

namespace kestrin {

inline constexpr const char* kCableLibraryName = "libhiddriver_2.so";
inline constexpr const char* kReceiverLibraryName = "libhiddriver_1.so";

// The two driver libraries of the program folder; which one a call uses decides the link.
struct DriverLibraries {
    DriverLibrary cable;
    DriverLibrary receiver;

    // `programFolder` ends with a slash. A library that is missing stays unusable.
    void LoadFrom(const std::string& programFolder);
    // Closes the receiver and the cable (device, then monitor) and frees the cable library
    // before the receiver library. Nothing may write through them meanwhile.
    void CloseAndUnload();
};

// The engine's writers for the two libraries, and `bluetooth` for the third link.
LinkWriters WritersFor(const DriverLibraries& libraries, LinkWriter bluetooth);

// Ends the device side: stops the apply in progress and joins the worker, so that no write
// reaches a library being closed or freed; then closes and frees them.
void ShutDownDeviceLinks(DriverLibraries& libraries, ApplyEngine& engine, DeviceWorker& worker);

} // namespace kestrin
