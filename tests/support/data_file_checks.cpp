#include "tests/support/data_file_checks.h"

#include <gtest/gtest.h>

#include "accounts/account_file.h"
#include "tests/support/fault_injection.h"

namespace warden::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const DataFile& file, Content content) {
  CUser store;
  file.fill(store, content);
  return file.file_bytes(store);
}

// Runs `operation` with its 1st, 2nd, ... file call failing until a run
// makes no call fail, once with that call alone failing and once with every
// call from it on (so the clean-up fails too); `check` judges each run after
// the injector is gone.
void SweepFileFaults(const std::function<void()>& prepare, const std::function<int()>& operation,
                     const std::function<void(int result, bool persistent)>& check) {
  for (int n = 1, fired = 1; fired; ++n) {
    for (const bool persistent : {false, true}) {
      SCOPED_TRACE("failing call " + std::to_string(n) + (persistent ? " and on" : ""));
      prepare();
      int result;
      {
        FaultInjector faults;
        persistent ? faults.FailFrom(n) : faults.FailNth(n);
        result = operation();
        fired = faults.fired();
      }
      check(result, persistent);
    }
    EXPECT_TRUE(fired || n > 4);  // the injector saw every call
  }
}

// A directory of exactly `length` characters under `base`, made on disk.
std::u16string DeepDirectory(const TempDir& base, std::size_t length) {
  std::filesystem::path deep = base.path();
  std::u16string core = base.core();
  while (core.size() < length) {
    const std::string name(length - core.size() > 101 ? 99 : length - core.size() - 1, 'd');
    deep /= name;
    core += u"\\" + std::u16string(name.begin(), name.end());
  }
  std::filesystem::create_directories(deep);
  return core;
}

}  // namespace

void ExpectDirectoryRule(const DataFile& file, InstallDir& install) {
  const std::string dat = file.stem + ".dat";
  const Bytes old = BytesOf(file, Content::kOld);
  TempDir project, empty;
  WriteBytes(project / dat, old);
  CurrentDirectory here(project.path());
  // Trailing backslashes and spaces go; nothing left means the current directory.
  CUser store;
  for (const std::u16string& directory : {project.core() + u"\\ \\\\  ", std::u16string(u" \\")}) {
    ASSERT_EQ(file.load(store, LocationOf(directory)), kFileOk);
    EXPECT_EQ(file.file_bytes(store), old);
  }
  // A project directory is only read: no file there is 104 with the defaults
  // in memory, and nothing is written anywhere.
  EXPECT_EQ(file.load(store, LocationOf(empty.core())), kFileNotReadable);
  EXPECT_EQ(file.file_bytes(store), BytesOf(file, Content::kDefault));
  EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
  EXPECT_FALSE(install.Has(dat));
  // Naming the install directory itself is a load from the install directory.
  EXPECT_EQ(file.load(store, LocationOf(install.dir().core() + u"\\\\ ")), kFileOk);
  EXPECT_TRUE(install.Has(dat));
  // The longest path is 259 characters; one more is refused before any file call.
  const std::u16string fits = DeepDirectory(project, 259 - 1 - dat.size());
  const std::u16string longer = DeepDirectory(empty, fits.size() + 1);
  install.Set(fits + u"\\");
  EXPECT_EQ(file.save(store, InstallLocation()), kFileOk);
  EXPECT_EQ(file.load(store, LocationOf(fits)), kFileOk);
  install.Set(longer + u"\\");
  FaultInjector faults;
  EXPECT_EQ(file.save(store, InstallLocation()), kFileNotWritable);
  EXPECT_EQ(file.load(store, InstallLocation()), kFileNotReadable);
  EXPECT_EQ(file.load(store, LocationOf(longer)), kFileNotReadable);
  EXPECT_TRUE(faults.calls().empty());
  install.Set(install.dir().core("missing") + u"\\");
  EXPECT_EQ(file.load(store, InstallLocation()), kFileDefaultNotWritable);
}

void ExpectSaveSurvivesAnyFailingFileCall(const DataFile& file, InstallDir& install) {
  const std::string dat = file.stem + ".dat", bak = file.stem + ".bak";
  const Bytes old_bytes = BytesOf(file, Content::kOld), new_bytes = BytesOf(file, Content::kNew);
  // Whether the file exists before the save, and whether the store has loaded it.
  const struct {
    bool old_file, backup_due;
  } cases[] = {{true, true}, {true, false}, {false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.old_file ? "file, " : "no file, ") +
                 (c.backup_due ? "backup due" : ""));
    CUser store;
    const auto prepare = [&] {
      for (const std::string& name : {bak, dat, file.stem + ".111", file.stem + ".112"}) {
        std::filesystem::remove(install / name);
      }
      if (c.old_file) WriteBytes(install / dat, old_bytes);
      file.fill(store, Content::kNew);
      file.backup_due(store) = c.backup_due;
    };
    const auto check = [&](int result, bool persistent) {
      const bool saved = result == kFileOk;
      EXPECT_TRUE(saved || result == kFileNotWritable) << result;
      const Bytes backup = install.Has(bak) ? ReadBytes(install / bak) : Bytes();
      // The first save after a load backs up the file as loaded; the flag is
      // cleared once the backup is in place.
      EXPECT_TRUE(backup.empty() || backup == old_bytes);
      EXPECT_TRUE(!saved || backup.empty() != (c.old_file && c.backup_due));
      EXPECT_EQ(file.backup_due(store), c.backup_due && backup.empty());
      // Side files stay only where removing them failed too.
      EXPECT_FALSE(!persistent &&
                   (install.Has(file.stem + ".111") || install.Has(file.stem + ".112")));
      // Never left without the file; it holds exactly what the result says.
      ASSERT_EQ(install.Has(dat), c.old_file || saved);
      if (!install.Has(dat)) return;
      EXPECT_EQ(ReadBytes(install / dat), saved ? new_bytes : old_bytes);
      CUser reader;
      ASSERT_EQ(file.load(reader, InstallLocation()), kFileOk);
      EXPECT_EQ(file.file_bytes(reader), saved ? new_bytes : old_bytes);
      if (!saved || file.backup_due(store)) return;
      // A second save leaves the backup as it is.
      ASSERT_EQ(file.save(store, InstallLocation()), kFileOk);
      EXPECT_EQ(install.Has(bak) ? ReadBytes(install / bak) : Bytes(), backup);
    };
    SweepFileFaults(
        prepare, [&] { return file.save(store, InstallLocation()); }, check);
  }
}

void ExpectLoadSurvivesAnyFailingFileCall(const DataFile& file, InstallDir& install) {
  const std::string dat = file.stem + ".dat";
  for (bool file_exists : {true, false}) {
    SCOPED_TRACE(file_exists ? "existing file" : "default creation");
    const Bytes expected = BytesOf(file, file_exists ? Content::kOld : Content::kDefault);
    CUser store;
    const auto prepare = [&] {
      std::filesystem::remove(install / dat);
      std::filesystem::remove(install / (file.stem + ".111"));
      if (file_exists) WriteBytes(install / dat, expected);
      store = CUser();
    };
    const auto check = [&](int result, bool persistent) {
      EXPECT_TRUE(result == kFileOk || result == kFileNotReadable ||
                  result == kFileDefaultNotWritable)
          << result;
      EXPECT_EQ(file.backup_due(store), result == kFileOk);  // only a whole file read
      EXPECT_TRUE(result != kFileOk || file.file_bytes(store) == expected);
      EXPECT_FALSE(!persistent && install.Has(file.stem + ".111"));
      // What is on disk is never lost or replaced by the defaults.
      ASSERT_TRUE(install.Has(dat) || !file_exists);
      if (!install.Has(dat)) return;
      CUser reader;
      ASSERT_EQ(file.load(reader, InstallLocation()), kFileOk);
      EXPECT_EQ(file.file_bytes(reader), expected);
    };
    SweepFileFaults(
        prepare, [&] { return file.load(store, InstallLocation()); }, check);
  }
}

}  // namespace warden::testing
