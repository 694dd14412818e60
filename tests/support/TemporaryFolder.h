#pragma once
// A folder of its own under the system's temporary one, removed with all
// it holds when the object goes; Path() is empty if none could be made.

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& stem) {
#ifdef _WIN32
    std::random_device random;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
      const auto path = std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(random()));
      if (std::filesystem::create_directory(path, error)) m_path = path.string();
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data())) m_path = pattern;
#endif
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
