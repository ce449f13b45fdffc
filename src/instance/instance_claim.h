// The first thing a launch in single-instance mode does: own the instance, or hand its
// working folder and arguments to the launch that owns it.
#pragma once

#include <cstdint>
#include <string>

#include "instance/instance_channel.h"

namespace trellane {

enum class LaunchRole {
    Owner,       // this launch is the instance; *endpoint is its channel (null: it has none)
    HandedOver,  // the running instance took the message: this launch is done
    OnItsOwn,    // the system keeps this launch out of the instance: it runs by itself
    NoAnswer,    // an instance runs but took nothing within the time allowed
    TooLong,     // an instance runs, and the message is more than a message may hold
};

// How long a launch keeps trying before it gives up on a running instance that does not
// answer. An owner answers within milliseconds once its channel is open, and opens it before
// its JVM starts; only a process that hangs, or is stopped, runs out this time.
constexpr uint32_t kHandOverMilliseconds = 10000;

// Claims the instance named by key, or connects to its owner and hands over frame (the
// encoded message; frameFits false when it could not be encoded), until the owner accepts it
// or budgetMs has passed. An owner that goes away meanwhile (it crashed, or it is ending)
// leaves the instance to be claimed again, by this launch or another.
LaunchRole claimOrHandOver(const char* key, const std::string& frame, bool frameFits,
                           const InstanceChannel& channel, uint32_t budgetMs, void** endpoint);

}  // namespace trellane
