// The recorder around a save as the data file makes it (temporary file,
// BeforeReplace, the replacing move, AfterReplace): what it records, how a
// dead writer's record is settled, the generations it keeps and lets go, and
// every file operation failing in turn, each followed by verify telling
// exactly which content is in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "accounts/account_file.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/manage_dialog.h"
#include "dialogs/zone_dialog.h"
#include "history/change_sources.h"
#include "history/history_files.h"
#include "history/history_observer.h"
#include "history/trail_file.h"
#include "history/verifier.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/com_server.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"
#include "shell/stores.h"
#include "storage/field_cipher.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "tests/support/records.h"
#include "tests/support/stores.h"
#include "tests/support/temp_dir.h"
#ifndef _WIN32
#include "tools/wardenctl/wardenctl.h"
#include "ui/headless_driver.h"
#endif

namespace warden::history {
namespace {

#ifndef _WIN32
namespace hl = ui::headless;
#endif
using testing::GroupRecord;
using testing::UserRecord;
using Table = std::vector<AccountRecord>;

std::string FileBytes(const Table& table) {
  Bytes bytes;
  EXPECT_EQ(AccountFileContent(table, &bytes), FileFailure::kNone);
  return std::string(bytes.begin(), bytes.end());
}

std::string Text(const std::filesystem::path& path) {
  const auto bytes = testing::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// users.dat of a directory, saved through the data file with the history's
// observer; the table it loaded or saved and that file's identity, as a
// front end keeps them.
class Writer {
 public:
  std::u16string directory() const { return dir.core() + u"\\"; }
  std::filesystem::path path(const std::string& name = "users.dat") const { return dir / name; }

  // True when the new table is in place.
  bool Save(const Table& table) {
    Bytes content;
    EXPECT_EQ(AccountFileContent(table, &content), FileFailure::kNone);
    const AccountChanges changes = ChangesOf(loaded_, table);
    HistoryObserver recording({"cli", u"admin"}, &changes);
    const bool saved = file_.Save(content, &recording) == FileFailure::kNone;
    if (saved) loaded_.Take(table, file_);
    return saved;
  }
  // The table is what users.dat holds now.
  void Loaded(const Table& table) {
    loaded_.table = table;
    platform::FileIdentity identity{};
    loaded_.from = platform::Files().identity(dir.core("users.dat"), &identity)
                       ? std::optional(identity)
                       : std::nullopt;
  }
  VerifyReport Verify() const { return VerifyHistory(directory()); }
  std::vector<std::string> Lines() const {
    std::string text;
    ReadWholeFile(dir.core("History\\trail.jsonl"), &text);
    std::vector<std::string> lines;
    for (std::string_view line : SplitLines(text).lines) lines.emplace_back(line);
    return lines;
  }

  testing::TempDir dir;

 private:
  DataFile file_ = AccountFileIn(directory(), Access::kReadWrite, MissingFile::kLeave);
  LoadedAccounts loaded_;
};

const Table kFirst = {GroupRecord(u"G"), UserRecord(u"ann", 5, u"G")};
const Table kSecond = {GroupRecord(u"G"), UserRecord(u"ann", 6, u"G")};
const Table kThird = {GroupRecord(u"G")};

// A trail damaged by a hand or cut by a full disk: the next save still
// records, after the damage and never glued to it; verify names the damage.
TEST(RecorderTest, SavesAfterDamagedTrail) {
  for (const char* damage : {"{\"seq\":", "not json\n"}) {
    SCOPED_TRACE(damage);
    Writer writer;
    ASSERT_TRUE(writer.Save(kFirst));
    ASSERT_TRUE(writer.Save(kSecond));
    std::ofstream(writer.path("History/trail.jsonl"), std::ios::app) << damage;
    ASSERT_TRUE(writer.Save(kThird));
    const std::vector<std::string> lines = writer.Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5].rfind("{\"seq\":3,", 0), 0u) << lines[5];
    const VerifyReport report = writer.Verify();
    EXPECT_EQ(report.findings, std::vector<std::string>{"line 5: not a trail line"});
    EXPECT_EQ(report.files[0].state, FileState::kAsRecorded);
  }
}

// history.ini keeps two generations (a size that is no plain number keeps
// its default): the older go, each with its line.
TEST(RecorderTest, OldestGenerationsGo) {
  Writer writer;
  std::filesystem::create_directory(writer.dir / "History");
  testing::WriteText(writer.path("History/history.ini"),
                     "[History]\nKeepGenerations=2\nKeepMegabytes=-1\n");
  for (const Table& table : {kFirst, kSecond, kThird, kFirst, kSecond}) {
    ASSERT_TRUE(writer.Save(table));
  }
  std::string drops;
  for (const std::string& line : writer.Lines()) {
    if (line.find("\"dropped\"") != std::string::npos) drops += line.substr(12, 18) + ' ';
  }
  EXPECT_EQ(drops, "users.00000002.dat users.00000003.dat ");
  for (const char* name : {"users.00000002.dat", "users.00000003.dat"}) {
    EXPECT_FALSE(std::filesystem::exists(writer.path(std::string("History/") + name)));
  }
  EXPECT_TRUE(std::filesystem::exists(writer.path("History/users.00000005.dat")));
  EXPECT_EQ(writer.Verify().status, VerifyStatus::kClean);
}

// Every file operation of a save failing, once and from then on: the save
// reports success only with the new content in place and otherwise leaves
// users.dat as it was; verify then names exactly the content in place, and
// a save without faults leaves the history clean.
TEST(RecorderTest, FaultSweep) {
  for (const bool from_then_on : {false, true}) {
    bool fired = true;
    for (int n = 1; fired; ++n) {
      SCOPED_TRACE(::testing::Message() << "call " << n << (from_then_on ? " on" : ""));
      Writer writer;
      ASSERT_TRUE(writer.Save(kFirst));
      writer.Save(kSecond);
      ASSERT_TRUE(writer.Save(kThird));
      bool saved = false;
      {
        testing::FaultInjector faults;
        from_then_on ? faults.FailFrom(n) : faults.FailNth(n);
        saved = writer.Save(kFirst);
        fired = faults.fired();
      }
      const std::string now = Text(writer.path());
      EXPECT_TRUE(now == FileBytes(saved ? kFirst : kThird) ||
                  (!saved && now == FileBytes(kFirst)));
      const VerifyReport report = writer.Verify();
      const FileState state = report.files.empty() ? FileState::kUnrecorded : report.files[0].state;
      const bool in_place = now == FileBytes(kFirst);
      if (in_place) {
        EXPECT_TRUE(state == FileState::kAsRecorded || state == FileState::kPendingInPlace);
      } else {
        EXPECT_TRUE(state == FileState::kAsRecorded || state == FileState::kPendingNotInPlace);
      }
      EXPECT_EQ(report.files.empty() ? 0 : report.files[0].seq, in_place ? 4u
                                                                : state == FileState::kAsRecorded
                                                                    ? 3u
                                                                    : 4u);
      writer.Loaded(in_place ? kFirst : kThird);
      ASSERT_TRUE(writer.Save(kSecond));
      const VerifyReport after = writer.Verify();
      EXPECT_EQ(after.status, VerifyStatus::kClean)
          << (after.findings.empty() ? "" : after.findings[0]);
    }
  }
}

// Passwords set, changed and cleared: none of them under History\, neither
// plain (UTF-8, UTF-16) nor sealed, but in the generations, which hold the
// files as Warden wrote them, byte for byte.
TEST(RecorderTest, NoPasswordUnderHistory) {
  const std::u16string passwords[] = {u"s3cret-one", u"\u5BC6\u7801-two", u"third-pw"};
  Table table = {GroupRecord(u"G"), UserRecord(u"ann", 5, u"G")};
  std::vector<std::string> written;
  Writer writer;
  for (const std::u16string& password : passwords) {
    table[1].password = password;
    ASSERT_TRUE(writer.Save(table));
    written.push_back(FileBytes(table));
  }
  table[1].password.clear();
  ASSERT_TRUE(writer.Save(table));
  for (const auto& entry : std::filesystem::directory_iterator(writer.dir / "History")) {
    const std::string bytes = Text(entry.path());
    const bool generation = entry.path().filename().string().rfind("users.0", 0) == 0;
    SCOPED_TRACE(entry.path().filename().string());
    for (const std::u16string& password : passwords) {
      std::u16string sealed;
      ASSERT_TRUE(EncipherText(password, &sealed));
      const std::string utf16(reinterpret_cast<const char*>(password.data()), password.size() * 2);
      const std::string sealed16(reinterpret_cast<const char*>(sealed.data()), sealed.size() * 2);
      for (const std::string& form :
           {platform::ToUtf8(password), utf16, platform::ToUtf8(sealed)}) {
        EXPECT_EQ(bytes.find(form), std::string::npos);
      }
      EXPECT_TRUE(generation || bytes.find(sealed16) == std::string::npos);
    }
    EXPECT_TRUE(!generation || std::find(written.begin(), written.end(), bytes) != written.end());
  }
}

#ifndef _WIN32
// Four processes saving side by side, each under the data file's lock: the
// trail's seq strictly increases, one record for each save that succeeded.
TEST(RecorderTest, FourWriters) {
  Writer writer;
  ASSERT_TRUE(writer.Save(kFirst));
  constexpr int kWriters = 4, kSaves = 5;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int saved = 0;
      for (int s = 0; s < kSaves; ++s)
        saved += writer.Save({UserRecord(u"w", static_cast<std::int16_t>(w * 10 + s))});
      std::_Exit(saved);
    }
    children.push_back(child);
  }
  int saves = 1;
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    saves += WEXITSTATUS(status);
  }
  EXPECT_EQ(saves, 1 + kWriters * kSaves);
  std::uint64_t last = 0;
  int records = 0;
  for (const std::string& text : writer.Lines()) {
    const std::optional<TrailLine> line = ParseLine(text);
    ASSERT_TRUE(line);
    if (line->kind != LineKind::kRecord) continue;
    EXPECT_GT(line->seq, last);
    last = line->seq;
    ++records;
  }
  EXPECT_EQ(records, saves);
  const VerifyReport report = writer.Verify();
  EXPECT_EQ(report.status, VerifyStatus::kClean)
      << (report.findings.empty() ? "" : report.findings[0]);
}

// Every writer we ship records its saves as its own: front end, user, file,
// action and what changed, the writers in turn on one directory. Rows: the
// writer, how many records it adds, what their lines hold.
TEST(RecorderTest, EveryWriterRecords) {
  testing::InstallDir install;
  testing::ResetStores();
  ui::SetStandardTexts(kDialogTexts);
  IClassFactory* factory = nullptr;
  GetClassObject(kClsidConfig, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  IConfig* config = nullptr;
  factory->CreateInstance(nullptr, kIidIConfig, reinterpret_cast<void**>(&config));
  factory->Release();
  BSTR none = platform::ToOle(u"");
  short count = 0;
  static char16_t ann[] = u"ann", bob[] = u"bob", group[] = u"G", boiler[] = u"Boiler";
  std::vector<USER_idl> users(3);
  users[0] = {kTypeGroup, {}, platform::ToOle(group)};
  users[1] = {kTypeUser, {}, platform::ToOle(group), platform::ToOle(ann), nullptr, nullptr, 500};
  users[2] = {kTypeUser, {}, platform::ToOle(group), platform::ToOle(bob)};
  std::vector<Section_idl> zones(kZoneCount);
  using Write = std::function<void()>;
  const auto manage = [](std::vector<hl::Step> steps) -> Write {
    return [steps] {
      hl::Reset();
      for (const hl::Step& step : steps) hl::Push(step);
      ManageDialog(nullptr, ManagedApplicationStore()).DoModal();
      EXPECT_EQ(hl::PendingSteps() + hl::Unanswered(), 0u);
    };
  };
  const auto ctl = [](std::vector<std::string> args) -> Write {
    return [args] {
      std::ostringstream out, err;
      std::istringstream in;
      EXPECT_EQ(ctl::RunWardenctl(args, {out, err, in}), 0) << err.str();
    };
  };
  const std::tuple<Write, std::size_t, std::vector<const char*>> rows[] = {
      {[&] { config->GetUserNum(&count, none); },
       1,
       {R"("user":null,"front_end":"api","file":"users.dat","action":"create")"}},
      {[&] { config->GetAllSection(zones.data(), none); },
       1,
       {R"("front_end":"api","file":"section.dat","action":"create")"}},
      {[&] { config->SetCurUser(&users[1]), config->SaveAllUsers(3, users.data()); },
       1,
       {R"("user":"ann","front_end":"api","file":"users.dat","action":"save")",
        R"({"op":"added","account":"bob")", R"({"op":"deleted","account":"无")"}},
      {[&] {
         zones[7].sectionname = platform::ToOle(boiler), config->SaveAllSection(zones.data());
       },
       1,
       {R"("user":"ann","front_end":"api","file":"section.dat")", R"("zone":7,"from":"G")"}},
      // another program drops bob: its change first, from the table loaded
      {[&] {
         ASSERT_EQ(testing::WriteUsersFile({GroupRecord(u"G"), UserRecord(u"ann", 500, u"G")}),
                   FileFailure::kNone);
         config->SaveAllUsers(3, users.data());
       },
       2,
       {R"("front_end":"outside","file":"users.dat","action":"outside-change","changes":[{"op":"deleted","account":"bob")",
        R"("front_end":"api","file":"users.dat","action":"save","changes":[{"op":"added","account":"bob")"}},
      {manage({[](hl::Driver& d) {
                 d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, u"bob"));
                 d.Click(IDC_MODIFY), d.Ok();
               },
               [](hl::Driver& d) { d.Type(IDC_USER_NAME, u"rob"), d.Ok(); }}),
       1,
       {R"("user":"ann","front_end":"dialog","file":"users.dat")",
        R"({"op":"changed","account":"rob","type":"user","renamed_from":"bob")"}},
      {[&] {
         ApplicationStore().zones[8] = u"Press";  // shown in the list, saved by its OK
         const ManagedStore store = ManagedApplicationStore();
         hl::Reset(), hl::Push(hl::PressOk());
         ZoneDialog(nullptr, store.zones, store.zones_file, {"dialog", u"ann"}, &store.zones_loaded)
             .DoModal();
       },
       1,
       {R"("front_end":"dialog","file":"section.dat")", R"("zone":8,"from":"H","to":"Press")"}},
      {ctl({"set", "ann", "--name", "anna"}),
       1,
       {R"("user":null,"front_end":"cli","file":"users.dat")", R"("renamed_from":"ann")"}},
      {ctl({"restore-backup", "--yes"}), 1, {R"("cli","file":"users.dat","action":"restore")"}},
      {ctl({"rename-zone", "9", "Dock"}), 1, {R"("cli","file":"section.dat","action":"save")"}},
  };
  std::size_t seen = 0;
  for (const auto& [write, added, parts] : rows) {
    SCOPED_TRACE(parts[0]);
    write();
    std::string text, records;
    ReadWholeFile(install.dir().core("History\\trail.jsonl"), &text);
    std::size_t now = 0;
    for (std::string_view line : SplitLines(text).lines) {
      if (line.rfind("{\"seq\":", 0) == 0 && ++now > seen) records += std::string(line) + '\n';
    }
    ASSERT_EQ(now, seen += added);
    for (const char* part : parts) EXPECT_NE(records.find(part), std::string::npos) << records;
  }
  EXPECT_EQ(VerifyHistory(install.dir().core() + u"\\").status, VerifyStatus::kClean);
  // No History\ to be had: the save fails as any failed save and changes
  // nothing; reading goes on.
  std::filesystem::rename(install / "History", install / "kept");
  testing::WriteText(install / "History", "");
  const auto before = testing::ReadBytes(install / "users.dat");
  short code = 0;
  EXPECT_EQ(config->SaveAllUsers(1, users.data()), E_FAIL);
  EXPECT_TRUE(config->GetLastError(&code) == S_OK && code == kErrorSaveUsers);
  EXPECT_EQ(testing::ReadBytes(install / "users.dat"), before);
  EXPECT_TRUE(config->GetUserNum(&count, none) == S_OK && count == 3);
  config->Release();
  testing::ResetStores();
}

// A writer killed at each file operation of its save in turn (a child
// process ended at call N): verify names the content in place, and the next
// save leaves the history clean.
TEST(RecorderTest, KillLoop) {
  std::set<std::string> settle_outcomes;
  bool killed = true;
  int n = 1;
  for (; killed; ++n) {
    SCOPED_TRACE(::testing::Message() << "killed at call " << n);
    Writer writer;
    ASSERT_TRUE(writer.Save(kFirst));
    ASSERT_TRUE(writer.Save(kThird));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      testing::FaultInjector faults;
      faults.KillAt(n);
      std::_Exit(writer.Save(kFirst) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    killed = WIFEXITED(status) && WEXITSTATUS(status) == testing::kKilledExitCode;
    const bool in_place = Text(writer.path()) == FileBytes(kFirst);
    EXPECT_TRUE(in_place || Text(writer.path()) == FileBytes(kThird));
    const FileVerdict verdict = writer.Verify().files[0];
    const bool as_told =
        in_place ? (verdict.state == FileState::kPendingInPlace && verdict.seq == 3) ||
                       (verdict.state == FileState::kAsRecorded && verdict.seq == 3)
                 : (verdict.state == FileState::kPendingNotInPlace && verdict.seq == 3) ||
                       (verdict.state == FileState::kAsRecorded && verdict.seq == 2);
    EXPECT_TRUE(as_told) << DescribeVerdict(verdict);
    writer.Loaded(in_place ? kFirst : kThird);
    ASSERT_TRUE(writer.Save(kSecond));
    EXPECT_EQ(writer.Verify().status, VerifyStatus::kClean);
    // The next save settles a record left without outcome by the file it finds.
    if (verdict.state == FileState::kAsRecorded) continue;
    const std::string settled = in_place ? "committed-late" : "not-committed";
    const std::vector<std::string> lines = writer.Lines();
    EXPECT_EQ(lines[5].rfind("{\"of\":3,\"outcome\":\"" + settled + "\"", 0), 0u) << lines[5];
    settle_outcomes.insert(settled);
  }
  EXPECT_GT(n, 20);  // the save was killed at each of its many calls
  EXPECT_EQ(settle_outcomes.size(), 2u);
}
#endif

}  // namespace
}  // namespace warden::history
