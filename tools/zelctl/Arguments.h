#pragma once
// What zelctl's arguments accept: numbers that fit, and the names of the
// protocol's values (each value's number is accepted as well).

#include <CLI/CLI.hpp>

namespace zelctl {

// A decimal number within the range of a long; CLI11 alone would cap a
// larger one without a word.
CLI::Validator WholeNumber();

// logged-on, voice, callback, email, webchat, openmedia, all (0 to 6).
CLI::CheckedTransformer QueryTypeNames();
// available, unavailable, work, logoff, unknown (0 to 4).
CLI::CheckedTransformer RoutingStateNames();
// desktop, campaign-director (1, 2).
CLI::CheckedTransformer CapabilityTypeNames();
// on, off.
CLI::CheckedTransformer SwitchNames();
// The event types by short name: routing, voice-media, handling, ...
CLI::CheckedTransformer EventTypeNames();

}  // namespace zelctl
