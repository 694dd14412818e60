#pragma once
// The system's side of key files: writing one readable by its owner alone
// (or by all, for a public key), and telling whether others may read one.
// On Windows the file's access list stands for the mode: a secret key's
// lets the user alone at it, and one that lets Everyone, Users,
// Authenticated Users, Anonymous or Guests read it is refused.

#include <string>

namespace zelplatform {

// Replaces the file at path with text; false, with why in *error, on failure.
bool WriteKeyText(const std::string& path, const std::string& text, bool secret, std::string* error);
// False, with why in *error, when it cannot be read or others may read it.
bool OwnerOnly(const std::string& path, std::string* error);

}  // namespace zelplatform
