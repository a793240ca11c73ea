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
  for (int n = 1;; ++n) {
    std::string failed = "none";
    for (const bool persistent : {false, true}) {
      prepare();
      int result;
      {
        FaultInjector faults;
        if (persistent) {
          faults.FailFrom(n);
        } else {
          faults.FailNth(n);
        }
        result = operation();
        if (faults.fired()) failed = FileOpName(faults.calls()[n - 1]);
      }
      SCOPED_TRACE("failing call " + std::to_string(n) + (persistent ? " on: " : ": ") + failed);
      check(result, persistent);
    }
    if (failed == "none") {
      EXPECT_GT(n, 4);  // the injector saw every call
      return;
    }
  }
}

}  // namespace

void ExpectSaveProtocol(const DataFile& file, InstallDir& install) {
  const std::string dat = file.stem + ".dat", bak = file.stem + ".bak", temp = file.stem + ".111";
  const Bytes defaults = BytesOf(file, Content::kDefault);
  CUser store;
  ASSERT_EQ(file.load(store, InstallLocation()), kFileOk);  // no file: the defaults are written
  EXPECT_EQ(file.file_bytes(store), defaults);
  EXPECT_EQ(ReadBytes(install / dat), defaults);
  EXPECT_FALSE(install.Has(bak));
  EXPECT_TRUE(file.backup_due(store));
  // The first save after a load backs up the file as loaded; the second leaves the backup.
  for (Content content : {Content::kOld, Content::kNew}) {
    file.fill(store, content);
    ASSERT_EQ(file.save(store, InstallLocation()), kFileOk);
    EXPECT_FALSE(file.backup_due(store));
    EXPECT_EQ(ReadBytes(install / bak), defaults);
    EXPECT_EQ(ReadBytes(install / dat), BytesOf(file, content));
  }
  // A file that fails to load is never taken as the backup.
  WriteBytes(install / dat, Bytes(defaults.begin(), defaults.begin() + 133));
  EXPECT_EQ(file.load(store, InstallLocation()), kFileNotReadable);
  file.fill(store, Content::kNew);
  ASSERT_EQ(file.save(store, InstallLocation()), kFileOk);
  EXPECT_EQ(ReadBytes(install / bak), defaults);
  // A save without a load takes no backup and clears a .111 left by a failed save.
  std::filesystem::remove(install / bak);
  WriteBytes(install / temp, Bytes(5000, 0xEE));
  CUser fresh;
  file.fill(fresh, Content::kOld);
  ASSERT_EQ(file.save(fresh, InstallLocation()), kFileOk);
  EXPECT_EQ(ReadBytes(install / dat), BytesOf(file, Content::kOld));
  EXPECT_FALSE(install.Has(bak) || install.Has(temp));
}

void ExpectDirectoryRule(const DataFile& file, InstallDir& install) {
  const std::string dat = file.stem + ".dat";
  const Bytes old = BytesOf(file, Content::kOld);
  TempDir project;
  WriteBytes(project / dat, old);
  CurrentDirectory here(project.path());
  // Trailing backslashes and spaces go; nothing left means the current directory.
  for (const std::u16string& directory :
       {project.core() + u"\\ \\\\  ", std::u16string(u" \\\\")}) {
    CUser store;
    ASSERT_EQ(file.load(store, LocationOf(directory)), kFileOk);
    EXPECT_EQ(file.file_bytes(store), old);
  }
  // A project directory is only read: no file there is 104 with the defaults
  // in memory, and nothing is written anywhere.
  TempDir empty;
  const std::u16string elsewhere = empty.core();
  CUser store;
  EXPECT_EQ(file.load(store, LocationOf(elsewhere)), kFileNotReadable);
  EXPECT_EQ(file.file_bytes(store), BytesOf(file, Content::kDefault));
  EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
  EXPECT_FALSE(install.Has(dat));
  // Naming the install directory itself is a load from the install directory.
  const std::u16string named = install.dir().core() + u"\\\\ ";
  EXPECT_EQ(file.load(store, LocationOf(named)), kFileOk);
  EXPECT_TRUE(install.Has(dat));

  // The longest path is 259 characters; one more is refused before any file call.
  std::filesystem::path deep = project.path();
  std::u16string fits = project.core();
  ASSERT_LT(fits.size() + 2, 259 - 1 - dat.size());
  for (std::size_t left = 259 - 1 - dat.size() - fits.size(); left > 0;) {
    const std::size_t step = left > 101 ? 100 : left;  // '\' and a name; never leaves 1
    const std::string name(step - 1, 'd');
    deep /= name;
    fits += u"\\" + std::u16string(name.begin(), name.end());
    left -= step;
  }
  const std::u16string longer = fits + u"e";
  std::filesystem::path longer_dir = deep;
  longer_dir += "e";
  std::filesystem::create_directories(deep);
  std::filesystem::create_directories(longer_dir);
  install.Set(fits + u"\\");
  EXPECT_EQ(file.save(store, InstallLocation()), kFileOk);
  EXPECT_TRUE(std::filesystem::exists(deep / dat));
  EXPECT_EQ(file.load(store, LocationOf(fits)), kFileOk);
  install.Set(longer + u"\\");
  EXPECT_EQ(file.save(store, InstallLocation()), kFileNotWritable);
  EXPECT_EQ(file.load(store, LocationOf(longer)), kFileNotReadable);
  EXPECT_TRUE(std::filesystem::is_empty(longer_dir));
  install.Set(install.dir().core("missing") + u"\\");
  CUser unwritable;
  EXPECT_EQ(file.load(unwritable, InstallLocation()), kFileDefaultNotWritable);

  // An empty install directory is the current one, for loads and saves.
  install.Set(u"");
  ASSERT_EQ(file.load(store, InstallLocation()), kFileOk);
  EXPECT_EQ(file.file_bytes(store), old);
  ASSERT_EQ(file.save(store, InstallLocation()), kFileOk);
  EXPECT_TRUE(std::filesystem::exists(project / (file.stem + ".bak")));
}

void ExpectSaveSurvivesAnyFailingFileCall(const DataFile& file, InstallDir& install) {
  const std::string dat = file.stem + ".dat", bak = file.stem + ".bak";
  const Bytes old_bytes = BytesOf(file, Content::kOld), new_bytes = BytesOf(file, Content::kNew);
  const struct {
    const char* name;
    bool old_file;    // the file exists before the save
    bool backup_due;  // the store has loaded it
  } cases[] = {
      {"backup due", true, true}, {"no backup due", true, false}, {"no file", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
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
      const bool has_bak = install.Has(bak);
      EXPECT_EQ(has_bak ? ReadBytes(install / bak) : old_bytes, old_bytes);  // any backup: old
      if (saved) {
        EXPECT_EQ(has_bak, c.old_file && c.backup_due);
      } else {  // the flag is cleared only once the backup is in place
        EXPECT_EQ(file.backup_due(store), c.backup_due && !has_bak);
      }
      // Side files stay only where removing them failed too.
      if (!persistent) {
        EXPECT_FALSE(install.Has(file.stem + ".111") || install.Has(file.stem + ".112"));
      }
      // Never left without the file; it holds exactly what the result says.
      ASSERT_EQ(install.Has(dat), c.old_file || saved);
      if (!install.Has(dat)) return;
      EXPECT_EQ(ReadBytes(install / dat), saved ? new_bytes : old_bytes);
      CUser reader;
      ASSERT_EQ(file.load(reader, InstallLocation()), kFileOk);
      EXPECT_EQ(file.file_bytes(reader), saved ? new_bytes : old_bytes);
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
      if (result == kFileOk) {
        EXPECT_EQ(file.file_bytes(store), expected);
      } else {
        EXPECT_TRUE(result == kFileNotReadable || result == kFileDefaultNotWritable) << result;
      }
      if (!persistent) {
        EXPECT_FALSE(install.Has(file.stem + ".111"));
      }
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
