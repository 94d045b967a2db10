#pragma once

#include <chrono>
#include <string>

namespace kestrin::ctl {

// The running program's instance socket, in the user's runtime folder.
std::string InstanceSocketPath();

// Whether the program listens on its instance socket (it may not answer: it could be stuck).
bool ProgramListening();

// One command to the running program and its one-line answer.
struct ProgramReply {
    enum class State {
        NotRunning, // nobody listens on the socket
        Answered,   // `line` holds the answer, without its newline
        NoAnswer,   // the program went, or did not answer in time
    };
    State state = State::NotRunning;
    std::string line;
};
ProgramReply AskProgram(const std::string& command, std::chrono::milliseconds timeout);

} // namespace kestrin::ctl
