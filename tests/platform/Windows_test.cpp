// What only Windows has: the DLL loaded and unloaded again, Winsock's
// start-up, key files guarded by access lists, and threads stopped from
// another thread where no signal could interrupt them.
#ifdef _WIN32

#include <winsock2.h>
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "SecretFile.h"
#include "Simulators.h"
#include "TemporaryFolder.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/zelclnt_c.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::unique_ptr<zelsim::PresenceSimulator> TcpSimulator() {
  return StartedSimulator("tcp://127.0.0.1:0", [](zelsim::SimulatorOptions& options) { options.agents = 4; });
}

// The DLL's C interface, looked up by name as a program that loads it
// at run time does.
class LoadedDll {
 public:
  LoadedDll() : m_module(::LoadLibraryW(BesideThisProgram(L"zelclnt.dll").c_str())) {}
  ~LoadedDll() { Free(); }
  LoadedDll(const LoadedDll&) = delete;
  LoadedDll& operator=(const LoadedDll&) = delete;

  bool Loaded() const { return m_module != nullptr; }
  void Free() {
    if (m_module) ::FreeLibrary(m_module);
    m_module = nullptr;
  }

  // One server status call on a client of its own: its outcome.
  int StatusCall(const std::string& server) const {
    const auto clientNew = Function<zel_client* (*)(const char*)>("zel_client_new");
    const auto clientFree = Function<void (*)(zel_client*)>("zel_client_free");
    const auto requestNew = Function<zel_request* (*)()>("zel_server_status_new");
    const auto requestFree = Function<void (*)(zel_request*)>("zel_request_free");
    const auto call = Function<int (*)(zel_client*, zel_request*)>("zel_call");
    if (!clientNew || !clientFree || !requestNew || !requestFree || !call) return ZEL_E_INTERNAL;
    zel_client* client = clientNew(server.c_str());
    zel_request* request = requestNew();
    const int status = call(client, request);
    requestFree(request);
    clientFree(client);
    return status;
  }

 private:
  static std::wstring BesideThisProgram(const wchar_t* file) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, &path[0], MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
  }

  template <typename F>
  F Function(const char* name) const {
    // Through void(*)() , which any function pointer may be cast to and from.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(m_module, name)));
  }

  HMODULE m_module;
};

DWORD ThreadCount() {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD count = 0;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == ::GetCurrentProcessId();
  ::CloseHandle(snapshot);
  return count;
}

DWORD HandleCount() {
  DWORD count = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &count);
  return count;
}

// Calls from the loading thread and from one that ends before the DLL is
// freed, round after round in one process. Once it made its calls the DLL
// stays loaded: ZeroMQ's threads, started then, run inside it until the
// process ends. Threads and handles must not pile up round by round, and
// the threads that end after it was freed, and the process's own end, must
// not run into it. (Wine counts no handles: there GetProcessHandleCount
// gives 0.)
TEST(WindowsDllTest, LoadsCallsAndUnloadsRoundAfterRound) {
  {
    LoadedDll unused;
    ASSERT_TRUE(unused.Loaded()) << "error " << ::GetLastError();
    unused.Free();
    EXPECT_EQ(::GetModuleHandleW(L"zelclnt.dll"), nullptr) << "no call made, nothing keeps it";
  }
  const auto simulator = TcpSimulator();
  ASSERT_TRUE(simulator);
  DWORD threads = 0;
  DWORD handles = 0;
  for (int round = 0; round < 4; ++round) {
    LoadedDll dll;
    ASSERT_TRUE(dll.Loaded()) << "round " << round << ": error " << ::GetLastError();
    EXPECT_EQ(dll.StatusCall(simulator->Endpoint()), ZEL_OK) << "round " << round;
    int fromThread = ZEL_E_INTERNAL;
    std::thread([&] { fromThread = dll.StatusCall(simulator->Endpoint()); }).join();
    EXPECT_EQ(fromThread, ZEL_OK) << "round " << round;
    dll.Free();
    EXPECT_NE(::GetModuleHandleW(L"zelclnt.dll"), nullptr) << "round " << round;
    if (round > 0) continue;
    threads = ThreadCount();
    handles = HandleCount();
  }
  // Generous: the simulator's own threads and connections come and go.
  EXPECT_LE(ThreadCount(), threads + 2) << "threads left per round";
  EXPECT_LE(HandleCount(), handles + 40) << "handles left per round";
  // The connections the DLL kept lose their server: its threads wake.
  simulator->Stop();
  std::this_thread::sleep_for(milliseconds(300));
  std::thread([] {}).join();
}

// The library starts Winsock for itself: a program that never did calls
// over tcp, and one whose own start and clean-up of Winsock come before,
// around or after the library's calls leaves those calls unharmed, as does
// one clean-up too many. (More tear Winsock down under ZeroMQ's threads,
// which abort the process: nothing a library can hold against.)
TEST(WindowsTest, WinsockOfTheCallerNeitherNeededNorDisturbing) {
  const auto simulator = TcpSimulator();
  ASSERT_TRUE(simulator);
  const auto statusCall = [&simulator] {
    zel_client* client = zel_client_new(simulator->Endpoint().c_str());
    zel_request* request = zel_server_status_new();
    const int status = zel_call(client, request);
    zel_request_free(request);
    zel_client_free(client);
    return status;
  };
  EXPECT_EQ(statusCall(), ZEL_OK) << "Winsock started by nobody but the library";
  enum Step { CallerStarts, CallerCleansUp, Call };
  const struct { const char* what; std::vector<Step> steps; } cases[] = {
      {"started and cleaned up before", {CallerStarts, CallerCleansUp, Call}},
      {"started before, cleaned up after", {CallerStarts, Call, CallerCleansUp, Call}},
      {"started and cleaned up between calls", {Call, CallerStarts, Call, CallerCleansUp, Call}},
      // A caller's mistake, which the library's spare start of Winsock takes.
      {"cleaned up once without a start", {CallerCleansUp, Call, CallerStarts, Call}},
  };
  for (const auto& c : cases) {
    for (const Step step : c.steps) {
      WSADATA data;
      const int status = step == CallerStarts     ? ::WSAStartup(MAKEWORD(2, 2), &data)
                         : step == CallerCleansUp ? ::WSACleanup()
                                                  : statusCall();
      EXPECT_EQ(status, 0) << c.what << ", step " << step;
    }
  }
}

// A well-known group's SID, or the process's user's.
std::vector<unsigned char> Sid(WELL_KNOWN_SID_TYPE type) {
  std::vector<unsigned char> sid(SECURITY_MAX_SID_SIZE);
  DWORD size = static_cast<DWORD>(sid.size());
  if (!::CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
  sid.resize(size);
  return sid;
}

std::vector<unsigned char> ProcessUserSid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  std::vector<unsigned char> user(256);
  DWORD size = 0;
  const bool read = ::GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
  ::CloseHandle(token);
  if (!read) return {};
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const auto* bytes = static_cast<const unsigned char*>(sid);
  return std::vector<unsigned char>(bytes, bytes + ::GetLengthSid(sid));
}

struct Ace {
  std::vector<unsigned char> sid;
  ACCESS_MASK rights;
  bool allows = true;
};

// Gives the file exactly these entries, in this order, nothing inherited.
DWORD SetAcl(const std::string& path, const std::vector<Ace>& aces) {
  std::vector<unsigned char> acl(1024);
  auto* list = reinterpret_cast<PACL>(acl.data());
  if (!::InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION)) return ::GetLastError();
  for (const Ace& ace : aces) {
    auto* sid = const_cast<unsigned char*>(ace.sid.data());
    if (!(ace.allows ? ::AddAccessAllowedAce(list, ACL_REVISION, ace.rights, sid)
                     : ::AddAccessDeniedAce(list, ACL_REVISION, ace.rights, sid)))
      return ::GetLastError();
  }
  return ::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 list, nullptr);
}

std::string SidText(const void* sid) {
  char* text = nullptr;
  ::ConvertSidToStringSidA(const_cast<void*>(sid), &text);
  const std::string result = text ? text : "?";
  ::LocalFree(text);
  return result;
}

// The entries that allow, as SID text and rights.
using Allowed = std::vector<std::pair<std::string, ACCESS_MASK>>;

Allowed AllowedBy(const std::vector<Ace>& aces) {
  Allowed allowed;
  for (const Ace& ace : aces)
    if (ace.allows) allowed.emplace_back(SidText(ace.sid.data()), ace.rights);
  return allowed;
}

Allowed AllowedOn(const std::string& path) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  Allowed allowed;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                              &descriptor) != ERROR_SUCCESS)
    return allowed;
  for (DWORD index = 0; acl && index < acl->AceCount; ++index) {
    void* ace = nullptr;
    if (!::GetAce(acl, index, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    allowed.emplace_back(SidText(&entry->SidStart), entry->Mask);
  }
  ::LocalFree(descriptor);
  return allowed;
}

// Which of the groups of others the entries let read the file's data.
std::vector<std::string> OthersReading(const Allowed& allowed) {
  std::vector<std::string> reading;
  for (const auto& [sid, rights] : allowed)
    if ((sid == "S-1-1-0" || sid == "S-1-5-32-545" || sid == "S-1-5-11") &&
        (rights & (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL)) != 0)
      reading.push_back(sid);
  return reading;
}

// A secret key's file is written for its user alone, and refused once
// others may read it, as a file group or others may read is on POSIX.
// Wine keeps a file's access list as its Unix mode: entries for Users or
// Authenticated Users do not survive there, nor does Everyone's absence
// without an entry denying Everyone; a case whose entries for others read
// back otherwise than they were set is told, not checked.
TEST(WindowsTest, SecretKeyFilesOthersMayReadAreRefused) {
  const TemporaryFolder folder("zelclnt-acl");
  const std::string path = folder.Path() + "\\pair";
  const std::vector<unsigned char> user = ProcessUserSid();
  ASSERT_FALSE(user.empty());
  ASSERT_TRUE(TCurve::Available());
  const TCurveKeyPair keys = TCurve::Generate();
  std::string error;
  ASSERT_TRUE(TCurve::WriteKeyPair(path, keys, &error)) << error;
  const Allowed written = AllowedOn(path);
  EXPECT_NE(std::find(written.begin(), written.end(), Allowed::value_type(SidText(user.data()), FILE_ALL_ACCESS)),
            written.end());
  EXPECT_TRUE(OthersReading(written).empty());
  TCurveKeyPair read;
  ASSERT_TRUE(TCurve::ReadKeyPair(path, read, &error)) << error;
  EXPECT_EQ(read.secretKey, keys.secretKey);

  const Ace owner{user, FILE_ALL_ACCESS};
  const Ace noOneElse{Sid(WinWorldSid), FILE_ALL_ACCESS, false};
  const struct { const char* who; std::vector<Ace> aces; const char* refused; } cases[] = {
      {"the owner alone", {owner, noOneElse}, nullptr},
      {"the owner, and Everyone reading", {owner, {Sid(WinWorldSid), FILE_GENERIC_READ}}, "Everyone"},
      {"Users reading", {owner, {Sid(WinBuiltinUsersSid), FILE_READ_DATA}, noOneElse}, "Users"},
      {"Authenticated Users with every right", {{Sid(WinAuthenticatedUserSid), GENERIC_ALL}, owner, noOneElse},
       "Authenticated Users"},
      {"Everyone reading attributes only", {owner, {Sid(WinWorldSid), FILE_READ_ATTRIBUTES}, noOneElse}, nullptr},
      {"Administrators and SYSTEM",
       {owner, {Sid(WinBuiltinAdministratorsSid), FILE_ALL_ACCESS}, {Sid(WinLocalSystemSid), FILE_ALL_ACCESS},
        noOneElse},
       nullptr},
  };
  std::string notKept;
  for (const auto& c : cases) {
    ASSERT_EQ(SetAcl(path, c.aces), static_cast<DWORD>(ERROR_SUCCESS)) << c.who;
    if (OthersReading(AllowedOn(path)) != OthersReading(AllowedBy(c.aces))) {
      notKept += std::string(notKept.empty() ? "" : "; ") + c.who;
      continue;
    }
    error.clear();
    EXPECT_EQ(TCurve::ReadKeyPair(path, read, &error), c.refused == nullptr) << c.who << ": " << error;
    if (c.refused) {
      EXPECT_EQ(error, path + " holds a secret key but " + c.refused + " may read it; let its owner alone read it")
          << c.who;
    }
  }
  // Written again over a file others could read, it is the user's alone.
  ASSERT_EQ(SetAcl(path, {owner, {Sid(WinWorldSid), FILE_GENERIC_READ}}), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_TRUE(TCurve::WriteKeyPair(path, keys, &error)) << error;
  EXPECT_TRUE(TCurve::ReadKeyPair(path, read, &error)) << error;
  if (!notKept.empty()) GTEST_SKIP() << "this system did not keep the access list set for: " << notKept;
}

// No signal interrupts a wait on Windows; what ends one early is another
// thread's stop, which a receiver and a mirror waiting without limit heed
// at once, returning empty-handed.
TEST(WindowsTest, AWaitWithoutLimitEndsOnAnotherThreadsStop) {
  const auto simulator = TcpSimulator();
  ASSERT_TRUE(simulator);
  zel_receiver* receiver = zel_receiver_new(simulator->Endpoint().c_str(), nullptr, 0, nullptr, 0);
  zel_mirror* mirror = zel_mirror_new(simulator->Endpoint().c_str(), nullptr, nullptr, 0);
  ASSERT_EQ(zel_receiver_start(receiver), ZEL_OK);
  ASSERT_EQ(zel_mirror_start(mirror), ZEL_OK);
  ASSERT_EQ(zel_receiver_wait_subscribed(receiver, 30000), ZEL_OK);
  ASSERT_EQ(zel_mirror_wait_current(mirror, 30000), ZEL_OK);
  const struct { const char* what; std::function<int()> wait; std::function<void()> stop; } cases[] = {
      {"receiver", [&] { int status; while ((status = zel_receiver_next(receiver, -1)) == ZEL_OK) {} return status; },
       [&] { zel_receiver_stop(receiver); }},
      {"mirror", [&] { int status; while ((status = zel_mirror_next(mirror, -1)) == ZEL_OK) {} return status; },
       [&] { zel_mirror_stop(mirror); }},
  };
  for (const auto& c : cases) {
    std::atomic<bool> ended{false};
    int status = ZEL_OK;
    std::thread waiter([&] {
      status = c.wait();
      ended = true;
    });
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_FALSE(ended) << c.what;
    const auto stopped = steady_clock::now();
    c.stop();
    waiter.join();
    EXPECT_EQ(status, ZEL_EMPTY) << c.what;
    // Generous: Wine on a busy machine.
    EXPECT_LT(steady_clock::now() - stopped, std::chrono::seconds(5)) << c.what;
  }
  zel_mirror_free(mirror);
  zel_receiver_free(receiver);
}

}  // namespace

#endif
