#pragma once
// Golden wire vectors: the bytes of every request the library sends, every
// reply form it reads and every event record, written once by the library
// and kept in tests/data/wire-vectors.txt, with hostile ones (cut short,
// counts and lengths beyond the bytes). Each is read by the library's own
// reader and written again; the bytes must come out the same on every
// platform. A vector that does not is the library's fault there, never a
// vector to write again.
//
// One vector a line: "<kind>/<type>/<label> <hex>", kind call, reply or
// event, type the request's object type or the event type. A hostile
// vector's kind starts "hostile/" and a second hex follows: what the
// reader's record writes after reading the first.

#include <string>
#include <vector>

namespace wirevectors {

struct Vector {
  std::string name;
  std::string kind;  // call, reply or event
  int type = 0;
  std::string bytes;
  std::string expected;  // bytes itself, unless hostile
  bool hostile = false;
};

// False, with the line that is not a vector in *error.
bool Parse(const std::string& text, std::vector<Vector>& vectors, std::string* error);
// The bytes as read by the reader of kind and type and written again;
// "unknown type" or "not packed" when there is none.
std::string ReadAndWrite(const std::string& kind, int type, const std::string& bytes);
bool FromHex(const std::string& hex, std::string& bytes);

}  // namespace wirevectors
