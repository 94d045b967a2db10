#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The virtual mouse's local socket: one line per request, replies of data lines closed by "ok"
// or "error <why>". A watcher connection ("watch <link>") then receives "state 0|1" and
// "event <code> <value>" lines (hex) as they happen.
namespace kestrin::vmouse {

// The abstract socket name of the virtual mouse that serves `programFolder`: one per folder,
// so tests and demos run side by side. Abstract names leave no file behind after a crash.
std::string SocketName(const std::string& programFolder);

// A connected stream socket, or -1.
int ConnectTo(const std::string& socketName);
// A listening socket, or -1 (errno set; EADDRINUSE when one already serves the folder).
int ListenOn(const std::string& socketName);

// Reads lines from a socket; blocks. nullopt at end of stream or error.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) { }
    std::optional<std::string> Next();
    // True when a whole line is already buffered.
    bool HasLine() const;
    // Takes what has arrived without waiting. False at end of stream or on an error.
    bool FillOnce();

private:
    int fd_;
    std::string buffer_;
};

bool SendLine(int fd, std::string_view line);

// Sends `request` and collects the reply's data lines. False on an "error" reply (its text in
// `error`) or a broken connection.
bool Exchange(int fd, LineReader& reader, std::string_view request, std::vector<std::string>& data,
    std::string* error = nullptr);

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text);
std::vector<std::string> SplitWords(std::string_view line);

} // namespace kestrin::vmouse
