#pragma once
// zelctl's command line, for its main and for tests: parses the arguments,
// runs the command and returns the exit status. 0: done; 1: the server
// refused, could not be reached or gave no usable reply, or a command of
// its own failed (one line on err says why); 2: the arguments are wrong.
// Writes to out and err, not to the process's own streams. The global
// settings it makes (diagnostics, time-out, keys) are the process's.

#include <cstdio>

namespace zelctl {

int Run(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace zelctl
