#pragma once
// A folder of its own under the system's temporary one, removed with all
// it holds when the object goes; Path() is empty if none could be made.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data())) m_path = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};
