#pragma once
// The calls the C interface is timed by, in C++ and through that interface:
// a server status, and a users query whose every record is then read (key,
// id, routing state), as an application or a language binding would. They
// use the library's public surface alone, so a Windows program built
// against zelclnt.dll times them too.

#include <benchmark/benchmark.h>

#include <string>

namespace zelbench {

void StatusCxx(benchmark::State& state, const std::string& endpoint);
void StatusC(benchmark::State& state, const std::string& endpoint);
void UsersCxx(benchmark::State& state, const std::string& endpoint);
void UsersC(benchmark::State& state, const std::string& endpoint);

}  // namespace zelbench
