#pragma once
// Who may do what: the bearer tokens a gateway accepts, each with a role
// and, optionally, the user keys it may touch.
//
// Token file: one token a line, "<token> <read|control> [key,key,...]";
// blank lines and lines starting with '#' are skipped. A token is 16 to 256
// printable characters without spaces. A read token may query; a control
// token may also act on users and change capabilities. A token with keys
// may read and act on those users only (an agent's desktop and its own
// agent); what names no user (the server's status, metrics) it reaches as
// any token of its role does.
//
// Tokens are kept only as SHA-256 digests, and no error, log line or reply
// ever repeats one: a fault in the file is named by its line number.
//
// Loaded once; then any thread may look tokens up.

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace zelgw {

enum class Role { Read, Control };

struct Access {
  Role role = Role::Read;
  // Empty: every user.
  std::set<long> users;

  bool Allows(Role needed) const { return role == Role::Control || needed == Role::Read; }
  bool Reaches(long userKey) const { return users.empty() || users.count(userKey) > 0; }
};

class Tokens {
 public:
  // False, with the line and the fault in *error, for a malformed file; the
  // tokens held stay as they were.
  bool Parse(const std::string& text, std::string* error);
  // Refuses a file others may read or write (PrivateFile).
  bool Load(const std::string& path, std::string* error);

  // Nothing for a token not on the list.
  std::optional<Access> Find(const std::string& token) const;
  std::size_t Size() const { return m_byDigest.size(); }

 private:
  std::map<std::string, Access> m_byDigest;
};

// The token of an "Authorization: Bearer <token>" header value; false for
// any other form.
bool BearerToken(const std::string& header, std::string& token);

// False, with the reason, for a file of secrets (tokens, a TLS key) that
// group or others may read or write: it would be no secret. A file that
// cannot be looked at passes, for its reader to say why.
bool PrivateFile(const std::string& path, const std::string& what, std::string* error);

}  // namespace zelgw
