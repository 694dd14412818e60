#pragma once
// The framework's string: a text in a buffer from TBaseMemory. The buffer is
// released with TBaseMemory::Deallocate when the string is destroyed.

#include <cstddef>
#include <string>

#include "zelclnt/ZelExport.h"

namespace Tstd {

class ZELCLNT_API string {
 public:
  explicit string(const std::string& text);
  ~string();
  string(string&& other) noexcept;
  string& operator=(string&& other) noexcept;
  string(const string&) = delete;
  string& operator=(const string&) = delete;

  const char* c_str() const { return m_buffer ? m_buffer : ""; }
  std::size_t size() const { return m_size; }
  std::string str() const { return std::string(c_str(), m_size); }

 private:
  char* m_buffer = nullptr;
  std::size_t m_size = 0;
};

}  // namespace Tstd
