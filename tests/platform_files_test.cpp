#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace warden::platform {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class FilesTest : public ::testing::Test {
 protected:
  std::u16string Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    WriteBytes(dir_ / name, bytes);
    return dir_.core(name);
  }
  TempDir dir_;
};

// Nothing is lost at the edges: a one-byte write, and a copy whose last read
// brings one byte past its 16 KiB buffer.
TEST_F(FilesTest, WritesAndCopiesKeepTheLastByte) {
  File out = File::OpenWrite(dir_.core("a.bin"));
  EXPECT_TRUE(out.Write("x", 1));
  EXPECT_TRUE(out.Flush());
  EXPECT_TRUE(out.Close());
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(ReadBytes(dir_ / "a.bin"), std::vector<std::uint8_t>{'x'});

  std::vector<std::uint8_t> bytes(16384 + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  EXPECT_TRUE(Files().copy(Put("b.bin", bytes), dir_.core("c.bin")));
  EXPECT_EQ(ReadBytes(dir_ / "c.bin"), bytes);

  File in = File::OpenRead(dir_.core("c.bin"));
  std::size_t got = 99;
  EXPECT_TRUE(in.Read(bytes.data(), bytes.size() + 5, &got));
  EXPECT_EQ(got, bytes.size());
  EXPECT_TRUE(in.Read(bytes.data(), bytes.size(), &got));
  EXPECT_EQ(got, 0u);  // the end of the file is a successful empty read
}

TEST_F(FilesTest, OpenWriteTruncatesAndMissingFilesFail) {
  const auto path = Put("a.bin", {1, 2, 3});
  EXPECT_TRUE(Files().exists(path));
  File(File::OpenWrite(path)).Close();
  EXPECT_TRUE(ReadBytes(dir_ / "a.bin").empty());

  EXPECT_FALSE(Files().exists(dir_.core("none")));
  EXPECT_FALSE(File::OpenRead(dir_.core("none")).IsOpen());
  EXPECT_FALSE(Files().remove(dir_.core("none")));
  EXPECT_FALSE(File::OpenWrite(dir_.core("no-such-dir\\x")).IsOpen());
}

// Windows rename refuses an existing target; the POSIX layer must too.
TEST_F(FilesTest, RenameRefusesAnExistingTarget) {
  const auto a = Put("a", {1});
  const auto b = Put("b", {2});
  EXPECT_FALSE(Files().rename(a, b));
  EXPECT_EQ(ReadBytes(dir_ / "b"), std::vector<std::uint8_t>{2});
  EXPECT_TRUE(Files().remove(b));
  EXPECT_TRUE(Files().rename(a, b));
  EXPECT_FALSE(Files().exists(a));
  EXPECT_EQ(ReadBytes(dir_ / "b"), std::vector<std::uint8_t>{1});
}

TEST_F(FilesTest, ReplaceAndCopyOverwriteTheTarget) {
  const auto a = Put("a", {1, 1});
  const auto b = Put("b", {2});
  EXPECT_TRUE(Files().replace(a, b));
  EXPECT_FALSE(Files().exists(a));
  EXPECT_EQ(ReadBytes(dir_ / "b"), (std::vector<std::uint8_t>{1, 1}));

  const auto c = Put("c", {3});
  EXPECT_TRUE(Files().copy(b, c));
  EXPECT_EQ(ReadBytes(dir_ / "c"), (std::vector<std::uint8_t>{1, 1}));
  EXPECT_TRUE(Files().exists(b));
  EXPECT_FALSE(Files().copy(dir_.core("none"), c));
  EXPECT_FALSE(Files().replace(dir_.core("none"), c));
}

// The lock excludes any other holder, another open in this very process
// too, until released; a waiter gives up after its bound.
TEST_F(FilesTest, LockExcludesAnotherHolderUntilReleased) {
  const std::u16string path = dir_.core("a.lck");
  const FileHandle first = Files().lock(path, 0);
  ASSERT_NE(first, kInvalidFile);
  EXPECT_EQ(Files().lock(path, 20), kInvalidFile);
  EXPECT_TRUE(Files().unlock(first));
  const FileHandle second = Files().lock(path, 0);
  EXPECT_NE(second, kInvalidFile);
  EXPECT_TRUE(Files().unlock(second));
  EXPECT_EQ(Files().lock(dir_.core("no-such-dir\\a.lck"), 0), kInvalidFile);
}

}  // namespace
}  // namespace warden::platform
