// The recorder around a save as the data file makes it (temporary file,
// BeforeReplace, the replacing move, AfterReplace): what it records, how a
// dead writer's record is settled, the generations it keeps and lets go, and
// every file operation failing in turn, each followed by verify telling
// exactly which content is in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
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
#include "history/history_files.h"
#include "history/history_observer.h"
#include "history/trail_file.h"
#include "history/trail_line.h"
#include "history/verifier.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"
#include "shell/stores.h"
#include "storage/field_cipher.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "tests/support/records.h"
#include "tests/support/stores.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trail_lines.h"
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
  // Loads users.dat again, as a front end does before its next edit.
  void Reload() {
    AccountTable table;
    EXPECT_EQ(LoadAccountFile(table, file_), FileFailure::kNone);
    loaded_.Take(table.records(), file_);
  }
  VerifyReport Verify() const { return VerifyHistory(directory()); }

  testing::TempDir dir;

 private:
  DataFile file_ = AccountFileIn(directory(), Access::kReadWrite, MissingFile::kLeave);
  LoadedAccounts loaded_;
};

const Table kFirst = {GroupRecord(u"G"), UserRecord(u"ann", 5, u"G")};
const Table kSecond = {GroupRecord(u"G"), UserRecord(u"ann", 6, u"G")};
const Table kThird = {GroupRecord(u"G")};

// After a save of kFirst over kThird (record `next`) cut short: verify
// names exactly the content in place, and the next save leaves the history
// clean. Returns what verify said and whether kFirst was in place.
std::pair<FileVerdict, bool> ExpectToldThenClean(Writer& writer, std::uint64_t next) {
  const bool in_place = testing::FileText(writer.path()) == FileBytes(kFirst);
  EXPECT_TRUE(in_place || testing::FileText(writer.path()) == FileBytes(kThird));
  const FileVerdict verdict = writer.Verify().files.at(0);
  const FileState pending = in_place ? FileState::kPendingInPlace : FileState::kPendingNotInPlace;
  EXPECT_TRUE((verdict.state == pending && verdict.seq == next) ||
              (verdict.state == FileState::kAsRecorded && verdict.seq == next - !in_place))
      << DescribeVerdict(verdict);
  writer.Reload();
  EXPECT_TRUE(writer.Save(kSecond));
  EXPECT_EQ(writer.Verify().status, VerifyStatus::kClean);
  return {verdict, in_place};
}

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
    const std::vector<std::string> lines =
        testing::TrailFileLines(writer.path("History/trail.jsonl"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5].rfind("{\"seq\":3,", 0), 0u) << lines[5];
    const VerifyReport report = writer.Verify();
    EXPECT_EQ(report.findings, std::vector<std::string>{"line 5: not a trail line"});
    EXPECT_EQ(report.files[0].state, FileState::kAsRecorded);
  }
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
      const bool in_place = ExpectToldThenClean(writer, 4).second;
      EXPECT_TRUE(in_place || !saved);  // a save that says so is in place
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
    const std::string bytes = testing::FileText(entry.path());
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
// Every writer we ship records its saves as its own: front end, user, file,
// action and what changed, the writers in turn on one directory. Rows: the
// writer, how many records it adds, what their lines hold.
TEST(RecorderTest, EveryWriterRecords) {
  testing::InstallDir install;
  testing::ResetStores();
  ui::SetStandardTexts(kDialogTexts);
  IConfig* config = nullptr;
  IUnknown* object = ConfigObject::Create(nullptr);
  object->QueryInterface(kIidIConfig, reinterpret_cast<void**>(&config)), object->Release();
  BSTR none = platform::ToOle(u"");
  short count = 0;
  static char16_t ann[] = u"ann", bob[] = u"bob", group[] = u"G", boiler[] = u"Boiler";
  const auto entry = [](std::int16_t type, char16_t* name, std::int16_t priority) {
    USER_idl user{};
    user.type = type, user.groupname = platform::ToOle(group), user.userpri = priority;
    if (type == kTypeUser) user.username = platform::ToOle(name);
    return user;
  };
  std::vector<USER_idl> users = {entry(kTypeGroup, group, 0), entry(kTypeUser, ann, 500),
                                 entry(kTypeUser, bob, 0)};
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
  std::filesystem::create_directory(install / "History");
  testing::WriteText(install / "History" / "history.ini",
                     "[History]\nKeepGenerations=2\nKeepMegabytes=-1\n");
  std::size_t seen = 0;
  std::string text;
  for (const auto& [write, added, parts] : rows) {
    SCOPED_TRACE(parts[0]);
    write();
    std::string records;
    ReadWholeFile(install.dir().core("History\\trail.jsonl"), &text);
    std::size_t now = 0;
    for (std::string_view line : SplitLines(text).lines) {
      if (line.rfind("{\"seq\":", 0) == 0 && ++now > seen) records += std::string(line) + '\n';
    }
    ASSERT_EQ(now, seen += added);
    for (const char* part : parts) EXPECT_NE(records.find(part), std::string::npos) << records;
  }
  EXPECT_EQ(VerifyHistory(install.dir().core() + u"\\").status, VerifyStatus::kClean);
  // history.ini keeps two generations of each file (a size that is no plain
  // number keeps its default): the older went, each with its line.
  std::map<std::string, std::vector<std::string>> kept;  // by file, oldest first
  std::set<std::string> dropped, older;
  for (std::string_view line : SplitLines(text).lines) {
    const std::optional<TrailLine> parsed = ParseLine(line);
    if (parsed->kind == LineKind::kDropped) dropped.insert(*parsed->generation);
    if (parsed->kind == LineKind::kRecord && parsed->generation)
      kept[parsed->file].push_back(*parsed->generation);
  }
  for (const auto& [file, names] : kept) older.insert(names.begin(), names.end() - 2);
  EXPECT_EQ(dropped, older);
  EXPECT_EQ(older.size(), 4u);  // users.dat 5 kept, section.dat 3
  for (const std::string& name : dropped) EXPECT_FALSE(install.Has("History/" + name));
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
    const auto [verdict, in_place] = ExpectToldThenClean(writer, 3);
    // The next save settles a record left without outcome by the file it finds.
    if (verdict.state == FileState::kAsRecorded) continue;
    const std::string settled = in_place ? "committed-late" : "not-committed";
    const std::vector<std::string> lines =
        testing::TrailFileLines(writer.path("History/trail.jsonl"));
    EXPECT_EQ(lines[5].rfind("{\"of\":3,\"outcome\":\"" + settled + "\"", 0), 0u) << lines[5];
    settle_outcomes.insert(settled);
  }
  EXPECT_GT(n, 20);  // the save was killed at each of its many calls
  EXPECT_EQ(settle_outcomes.size(), 2u);
}
#endif

}  // namespace
}  // namespace warden::history
