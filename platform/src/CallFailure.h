#pragma once
// How a call's failures read, and the transport's own verdicts on a reply
// or a ZeroMQ error.

#include <string>

#include <zmq.hpp>

#include "zelclnt/platform/TFramework.h"

namespace zelplatform {

using CallStatus = TCallFailure;

// E.g. "connection refused by tcp://127.0.0.1:7399", with ": detail" after.
std::string FailureText(CallStatus status, const std::string& about, const std::string& detail);
// The transport's own return codes say the call failed at the far end.
CallStatus StatusOfReply(long returnCode);
// ZeroMQ could not make a connection: the name is no endpoint, or the
// process ran out of sockets or descriptors.
CallStatus StatusOfError(const zmq::error_t& error);

}  // namespace zelplatform
