#include "zelclnt/platform/TDiag.h"

#include "zelclnt/platform/CString.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <sstream>

#include "CivilTime.h"

namespace {

constexpr int kTypeCount = 9;

struct NamedType {
  TDiag::enDiagType type;
  const char* name;
};

constexpr NamedType kNames[] = {
    {TDiag::INFO, "INFO"}, {TDiag::WARN, "WARN"}, {TDiag::SEVR, "SEVR"}, {TDiag::FENX, "FENX"}, {TDiag::EVNT, "EVNT"},
    {TDiag::RQST, "RQST"}, {TDiag::CAFL, "CAFL"}, {TDiag::PRGM, "PRGM"},
};

struct DiagState {
  std::array<std::atomic<bool>, kTypeCount> filters{};
  std::recursive_mutex sinkLock;
  TDiag::Sink sink;
  std::mutex versionLock;
  std::vector<std::pair<std::string, std::string>> versions;
};

void ResetInto(DiagState& state) {
  for (auto& filter : state.filters) filter = false;
  state.filters[TDiag::SEVR] = true;
  state.filters[TDiag::WARN] = true;
}

DiagState& State() {
  static DiagState* state = [] {
    auto* made = new DiagState;
    ResetInto(*made);
    return made;
  }();
  return *state;
}

bool InRange(TDiag::enDiagType type) { return type >= 0 && type < kTypeCount; }

void WriteToStandardError(TDiag::enDiagType type, unsigned short line, const std::string& file,
                          const std::string& text) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm parts{};
  zelplatform::BreakDown(seconds, false, parts);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts);
  std::fprintf(stderr, "%s.%03d %s %s:%u %s\n", stamp, ms, TDiag::TypeName(type).c_str(), file.c_str(), line,
               text.c_str());
}

}  // namespace

void TDiag::SetSink(Sink sink) {
  DiagState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.sinkLock);
  state.sink = std::move(sink);
}

void TDiag::SetFilter(enDiagType type, bool on) {
  if (InRange(type)) State().filters[type] = on;
}

int TDiag::ShouldWeDiag(enDiagType type) { return IsDiagFilterOn(type); }

int TDiag::IsDiagFilterOn(enDiagType type) { return InRange(type) && State().filters[type] ? 1 : 0; }

void TDiag::ResetFilters() { ResetInto(State()); }

bool TDiag::SetFilters(const std::string& list) {
  std::array<bool, kTypeCount> wanted{};
  wanted[SEVR] = wanted[WARN] = true;
  std::istringstream names(list);
  std::string name;
  while (std::getline(names, name, ',')) {
    if (name.empty()) continue;
    if (name == "NONE") {
      wanted.fill(false);
      continue;
    }
    bool known = false;
    for (const NamedType& entry : kNames) {
      if (name == entry.name) {
        wanted[entry.type] = known = true;
      }
    }
    if (!known) return false;
  }
  for (int type = 0; type < kTypeCount; ++type) State().filters[type] = wanted[type];
  return true;
}

std::string TDiag::TypeName(enDiagType type) {
  for (const NamedType& entry : kNames)
    if (entry.type == type) return entry.name;
  return "TYPE" + std::to_string(static_cast<int>(type));
}

void TDiag::Write(enDiagType type, unsigned short line, const char* file, const std::string& text) {
  DiagState& state = State();
  const std::string source = file ? file : "";
  std::lock_guard<std::recursive_mutex> guard(state.sinkLock);
  if (state.sink)
    state.sink(type, line, source, text);
  else
    WriteToStandardError(type, line, source, text);
}

void Diag(TDiag::enDiagType type, unsigned short line, const char* file, const char* format, ...) {
  if (!TDiag::IsDiagFilterOn(type) || !format) return;
  va_list args;
  va_start(args, format);
  const std::string text = CString::FormatV(format, args);
  va_end(args);
  TDiag::Write(type, line, file, text);
}

TVersionDiagHelper::TVersionDiagHelper(const std::string& name, const std::string& version)
    : m_name(name), m_version(version) {
  DiagState& state = State();
  {
    std::lock_guard<std::mutex> guard(state.versionLock);
    state.versions.emplace_back(name, version);
  }
  Diag(TDiag::INFO, __LINE__, __FILE__, "%s %s", name.c_str(), version.c_str());
}

std::vector<std::pair<std::string, std::string>> TVersionDiagHelper::Versions() {
  DiagState& state = State();
  std::lock_guard<std::mutex> guard(state.versionLock);
  return state.versions;
}
