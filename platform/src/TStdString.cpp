#include "zelclnt/platform/TStdString.h"

#include <cstring>
#include <utility>

#include "zelclnt/platform/TMemory.h"

namespace Tstd {

string::string(const std::string& text) : m_size(text.size()) {
  m_buffer = static_cast<char*>(TBaseMemory::Allocate(text.size() + 1));
  if (!m_buffer) throw std::bad_alloc();
  std::memcpy(m_buffer, text.c_str(), text.size() + 1);
}

string::~string() { TBaseMemory::Deallocate(m_buffer); }

string::string(string&& other) noexcept
    : m_buffer(std::exchange(other.m_buffer, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

string& string::operator=(string&& other) noexcept {
  if (this != &other) {
    TBaseMemory::Deallocate(m_buffer);
    m_buffer = std::exchange(other.m_buffer, nullptr);
    m_size = std::exchange(other.m_size, 0);
  }
  return *this;
}

}  // namespace Tstd
