#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KeyFile.h"
#include "SecretFile.h"

namespace zelplatform {
namespace {

struct LocalFreeing {
  void operator()(void* held) const { ::LocalFree(held); }
};

struct HandleClosing {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleClosing>;

std::string SystemText(DWORD code) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length > 0 ? std::string(text, length) : "error " + std::to_string(code);
  ::LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) result.pop_back();
  return result;
}

// The account this process runs as, which alone may read a secret key.
std::vector<unsigned char> ProcessUser() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  const Handle held(token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> user(size);
  if (size == 0 || !::GetTokenInformation(token, TokenUser, user.data(), size, &size)) return {};
  return user;
}

// An access list that lets the process's user alone at the file, inheriting
// nothing from the folder. Its last entry, denying Everyone, changes nothing
// on Windows, where the user's entry before it granted all the user asks;
// Wine, which keeps an access list as the file's Unix mode, leaves others
// free to read without it.
bool OwnerOnlyAcl(std::vector<unsigned char>& acl) {
  const std::vector<unsigned char> user = ProcessUser();
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD everyoneSize = sizeof everyone;
  if (user.empty() || !::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &everyoneSize)) return false;
  PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
  acl.assign(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid) + sizeof(ACCESS_DENIED_ACE) + everyoneSize,
             0);
  auto* list = reinterpret_cast<PACL>(acl.data());
  return ::InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION) &&
         ::AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
         ::AddAccessDeniedAce(list, ACL_REVISION, FILE_ALL_ACCESS, everyone);
}

bool WriteSecret(const std::string& path, const std::string& text, std::string* error) {
  std::vector<unsigned char> acl;
  if (!OwnerOnlyAcl(acl)) return Fail(error, "cannot write " + path + ": " + SystemText(::GetLastError()));
  SECURITY_DESCRIPTOR descriptor;
  ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
  ::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  HANDLE opened = ::CreateFileA(path.c_str(), GENERIC_WRITE | WRITE_DAC, 0, &attributes, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return Fail(error, "cannot write " + path + ": " + SystemText(::GetLastError()));
  const Handle file(opened);
  // A file that was there already keeps its access list when opened: set it.
  DWORD written = 0;
  const bool done = ::SetSecurityInfo(file.get(), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, reinterpret_cast<PACL>(acl.data()), nullptr) == ERROR_SUCCESS &&
                    ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
  if (!done) return Fail(error, "cannot write " + path + ": " + SystemText(::GetLastError()));
  return true;
}

// The groups that stand for other people, by how a user would name them.
struct Others {
  WELL_KNOWN_SID_TYPE type;
  const char* name;
};
constexpr Others kOthers[] = {{WinWorldSid, "Everyone"},
                              {WinBuiltinUsersSid, "Users"},
                              {WinAuthenticatedUserSid, "Authenticated Users"},
                              {WinAnonymousSid, "Anonymous"},
                              {WinBuiltinGuestsSid, "Guests"}};

constexpr ACCESS_MASK kReading = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;

// The name of the group of others that the ACE lets read, or null.
const char* OthersReading(const ACE_HEADER* header) {
  if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return nullptr;
  const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
  if ((ace->Mask & kReading) == 0) return nullptr;
  PSID sid = const_cast<DWORD*>(&ace->SidStart);
  for (const Others& others : kOthers) {
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof known;
    if (::CreateWellKnownSid(others.type, nullptr, known, &size) && ::EqualSid(sid, known)) return others.name;
  }
  return nullptr;
}

}  // namespace

// A secret key's file gets an access list of the user's alone; a public key's
// inherits its folder's.
bool WriteKeyText(const std::string& path, const std::string& text, bool secret, std::string* error) {
  if (secret) return WriteSecret(path, text, error);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!(file << text) || !file.flush()) return Fail(error, "cannot write " + path);
  return true;
}

bool OwnerOnly(const std::string& path, std::string* error) {
  if (!std::ifstream(path)) return Fail(error, "cannot read " + path + ": " + std::strerror(errno));
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD status = ::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                               nullptr, &acl, nullptr, &descriptor);
  if (status != ERROR_SUCCESS) return Fail(error, "cannot read " + path + ": " + SystemText(status));
  const std::unique_ptr<void, LocalFreeing> held(descriptor);
  const std::string fix = "; let its owner alone read it";
  if (acl == nullptr)
    return Fail(error, path + " holds a secret key but anyone may read it (it has no access list)" + fix);
  for (DWORD index = 0; index < acl->AceCount; ++index) {
    void* ace = nullptr;
    if (!::GetAce(acl, index, &ace)) continue;
    if (const char* others = OthersReading(static_cast<const ACE_HEADER*>(ace)))
      return Fail(error, path + " holds a secret key but " + others + " may read it" + fix);
  }
  return true;
}

}  // namespace zelplatform
