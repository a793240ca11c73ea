// A fresh directory for one test, removed with everything in it afterwards.
#ifndef WARDEN_TESTS_SUPPORT_TEMP_DIR_H
#define WARDEN_TESTS_SUPPORT_TEMP_DIR_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text.h"

namespace warden::testing {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("warden-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory in the core's path form ('\' separators), no trailing one.
  std::u16string core() const {
    std::u16string text = platform::FromUtf8(path_.u8string());
    for (char16_t& c : text) c = c == u'/' ? u'\\' : c;
    return text;
  }
  // The core path of `name` inside the directory.
  std::u16string core(const std::string& name) const {
    return core() + u"\\" + platform::FromUtf8(name);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void WriteText(const std::filesystem::path& file, const std::string& utf8) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << utf8;
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  WriteText(file, std::string(bytes.begin(), bytes.end()));
}

}  // namespace warden::testing

#endif
