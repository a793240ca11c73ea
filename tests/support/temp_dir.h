// A fresh directory for one test, removed with everything in it afterwards.
#ifndef WARDEN_TESTS_SUPPORT_TEMP_DIR_H
#define WARDEN_TESTS_SUPPORT_TEMP_DIR_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace warden::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory in the core's path form ('\' separators), no trailing one.
  std::u16string core() const;
  // The core path of `name` inside the directory.
  std::u16string core(const std::string& name) const;
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::filesystem::path& file, const std::string& utf8);

}  // namespace warden::testing

#endif
