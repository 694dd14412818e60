#pragma once
// The wallboard page's files (www/ beside this file: HTML, CSS and plain
// JavaScript, no build step), built into the gateway so that it serves
// them wherever it runs. Their policy lets a page load nothing from
// anywhere else.

#include <string>

namespace zelgw {

struct StaticFile {
  const char* name;
  const char* contentType;
  const char* body;
};

// Null for a name that is not one of the files.
const StaticFile* FindStaticFile(const std::string& name);

}  // namespace zelgw
