#pragma once
// "history" and "replay": what the bridge wrote into NATS JetStream between
// two times, read from the stream alone (no presence server), one line an
// event as watch prints it, ending at the stream's end when called. Where
// zelctl is built without nats.c both commands say so and fail.

#include "Command.h"

namespace zelctl {

void AddHistoryCommands(CLI::App& app, Command& chosen);

}  // namespace zelctl
