#include "tests/support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/text.h"

namespace warden::testing {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("warden-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::u16string TempDir::core() const {
  std::u16string text = platform::FromUtf8(path_.u8string());
  for (char16_t& c : text) {
    if (c == u'/') c = u'\\';
  }
  return text;
}

std::u16string TempDir::core(const std::string& name) const {
  return core() + u"\\" + platform::FromUtf8(name);
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::filesystem::path& file, const std::string& utf8) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << utf8;
}

}  // namespace warden::testing
