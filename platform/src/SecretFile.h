#pragma once
// The system's side of key files: writing one readable by its owner alone
// (or by all, for a public key), and telling whether others may read one.
// On Windows a file's ACL is not read or written: a key file there is as
// private as the folder it is in, which for a user's profile is the user.

#include <string>

namespace zelplatform {

// Replaces the file at path with text; false, with why in *error, on failure.
bool WriteKeyText(const std::string& path, const std::string& text, bool secret, std::string* error);
// False, with why in *error, when it cannot be read or others may read it.
bool OwnerOnly(const std::string& path, std::string* error);

}  // namespace zelplatform
