// wardenctl on real files: each command's output or refusal (which writes
// nothing), the locks it holds, the JSON round trip, import judged as a
// whole, verify on damaged files, recovery from the backup.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "accounts/account_file.h"
#include "history/verifier.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "storage/field_cipher.h"
#include "tests/support/built_files.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "tests/support/stores.h"
#include "tools/wardenctl/console.h"
#include "tools/wardenctl/transfer.h"
#include "tools/wardenctl/wardenctl.h"
#include "zones/zone_file.h"

namespace warden::ctl {
namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;
using Args = std::vector<std::string>;
struct Result {
  int code;
  std::string out, err;
};

// `input` piped, or typed on a terminal; `meanwhile` runs when the tool first
// waits for it.
Result Ctl(const Args& args, std::string input = "", bool terminal = false,
           std::function<void()> meanwhile = nullptr) {
  struct Typing : std::streambuf {
    std::string typed;
    std::function<void()> meanwhile;
    int_type underflow() override {
      if (meanwhile) std::exchange(meanwhile, nullptr)();
      if (gptr() == egptr() && eback() == typed.data()) return traits_type::eof();
      setg(typed.data(), typed.data(), typed.data() + typed.size());
      return typed.empty() ? traits_type::eof() : traits_type::to_int_type(typed[0]);
    }
  } typing;
  typing.typed = std::move(input), typing.meanwhile = std::move(meanwhile);
  std::ostringstream out, err;
  std::istream in(&typing);
  const int code = RunWardenctl(args, {out, err, in, terminal});
  return {code, out.str(), err.str()};
}

// A message of the component's texts as the tool prints it.
std::string Text(std::uint16_t id, const std::u16string& argument = u"") {
  return platform::ToUtf8(platform::FormatText(platform::ResourceString(id), argument)) + "\n";
}

const std::string kSame = "没有变化。\n";

// type, zones, groupname, username, password, usercomment, userpri, limitTime, groupcomment
const AccountRecord kLine{kTypeGroup, {0, 1, 1}, u"Line", {}, {}, {}, 0, 0, u"line \U0001F600"};
const AccountRecord kAnn{kTypeUser, {0, 0, 1}, u"Line", u"ann", u"pw", {}, 5, 30, {}};
// A lone surrogate, as a host can store one, must come back as it was.
const AccountRecord kBob{kTypeUser, {0, 0, 1}, {}, u"bob", u"p\xDC00w", {}, 50, 30, {}};
const AccountRecord kBobTwin{kTypeUser, {}, {}, u"Bob", u"pw", {}, 900, 0, {}};
const AccountRecord kOp{kTypeUser, {}, {}, u"op", u"pw", {}, 60, 0, {}};

// users.dat with the built-in accounts and then `accounts`.
void WriteUsers(const std::vector<AccountRecord>& accounts) {
  std::vector<AccountRecord> table = DefaultTable();
  table.insert(table.end(), accounts.begin(), accounts.end());
  ASSERT_EQ(testing::WriteUsersFile(table), FileFailure::kNone);
}

// One command, run on the files as the steps before it left them (and
// `prepare`): its exit code and a text its output or error holds.
struct Step {
  Args args;
  int code;
  std::string text;
  std::function<void()> prepare = nullptr;
  std::string typed = "";  // on a terminal
};

class WardenctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteUsers({kLine, kAnn, kBob});
    ASSERT_EQ(testing::WriteZonesFile(DefaultZoneNames()), FileFailure::kNone);
    std::filesystem::remove(install_ / "users.bak");
  }
  Files Snapshot() const {
    Files files;
    const auto& root = install_.dir().path();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) {
        files[entry.path().lexically_relative(root).string()] = testing::ReadBytes(entry.path());
      }
    }
    return files;
  }
  // A step that fails, changes nothing or is a dry run leaves every file as it was.
  void RunSteps(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(::testing::PrintToString(step.args));
      if (step.prepare) step.prepare();
      const Files before = Snapshot();
      const bool typing = !step.typed.empty();
      const Result result = Ctl(step.args, typing ? step.typed : "s3cret\r\n", typing);
      EXPECT_EQ(result.code, step.code) << result.err;
      EXPECT_NE((result.out + result.err).find(step.text), std::string::npos) << result.out;
      const bool dry = std::count(step.args.begin(), step.args.end(), "--dry-run") > 0;
      EXPECT_TRUE((step.code == kExitOk && step.text != kSame && !dry) || Snapshot() == before);
    }
  }
  std::string Dir() const { return install_.dir().path().string(); }

  testing::InstallDir install_;
};

TEST_F(WardenctlTest, Commands) {
  EXPECT_EQ(Ctl({"list"}).out, "系统管理员组\n  系统管理员\n无组\n  无\nLine\n  ann\nbob\n");
  const std::string comment40(40, 'c');
  const auto twins = [] { WriteUsers({kBobTwin, kBob, kOp}); };
  const std::string illegal = "NAME: " + Text(IDS_ZONE_NAME_ILLEGAL).substr(0, 30) + "\n";
  RunSteps(
      {{{"show", "ann"}, 0, "name: ann\ngroup: Line\ncomment: \npassword: (set)\n"},
       {{"--dir", Dir(), "zones"}, 0, "63\tKKK\n"},
       {{"zones"}, 0, "0\t无\n"},
       {{"rename-zone", "64", "x"}, kExitUsage, "N: not a zone number 0..63"},
       {{"rename-zone", "3", "a b"}, 1, illegal},
       {{"--help"}, 0, "Exit codes: 0 done"},
       {{}, kExitUsage, "A subcommand is required"},
       {{"add-user", "--help"}, 0, "--allow-empty-passwords"},
       {{"lst"}, kExitUsage, "unknown command \"lst\"; did you mean list?"},
       {{"list", "--json"}, 0, "\"warden-account-tree\""},
       {{"list", "--json"}, 0, "{\n      \"type\": \"user\",\n      \"name\": \"ann\""},
       {{"show", "ann", "--json"}, 0, "\"format\": \"warden-account\","},
       {{"zones", "--json"}, 0, "\"format\": \"warden-zones\","},
       {{"verify", "--json"}, 0, "\"format\": \"warden-verify-report\","},
       {{"add-user", "ANN", "--password", ""}, kExitRefused, "NAME: " + Text(IDS_NAME_EXISTS)},
       {{"add-user", "x", "--comment", comment40, "--allow-empty-passwords"}, 1, "--comment: "},
       {{"add-user", "x", "--priority", "1000", "--password", "p"}, 1, "--priority: "},
       {{"add-user", "x"}, 1, "--password: 密码为空"},  // no password, no terminal
       {{"add-user", "x", "--password-stdin"}, 1, "--password-stdin: 密码为空", nullptr, "\n"},
       {{"add-user", "x"}, 1, "两次输入的密码不同。", nullptr, "a\nb\n"},
       {{"delete", "Line"}, kExitRefused, "用户组\"Line\"还有用户，不能删除！\n"},
       {{"--as", "ann", "set", "bob", "--comment", "x"}, 1, Text(IDS_ONLY_LOWER_PRIORITY)},
       {{"--lang", "en", "delete", "nobody"}, 1, "There is no account named \"nobody\".\n"},
       {{"--as", "nobody", "list"},
        kExitUsage,
        "--as: 没有名为\"nobody\"的用户，不能以其身份操作！"},
       {{"add-user", "x", "--zones", "1,"}, kExitUsage, ""},
       {{"add-user", "x", "--zones", "5-3"}, kExitUsage, ""},
       {{"set", "无", "--name", "x"}, kExitRefused, "--name: " + Text(IDS_CANNOT_RENAME_BUILTIN)},
       {{"set", "bob", "--comment", ""}, 0, kSame},
       {{"rename-zone", "3", "C"}, 0, kSame},
       {{"add-group", "Pumps", "--comment", "p", "--zones", "3,5-7,12"}, 0, ""},
       {{"add-user", " cy ", "--group", "Pumps", "--password-stdin", "--priority", "7", "--timeout",
         "9", "--zones", "0"},
        0,
        ""},
       {{"add-user", "dee"}, 0, "", nullptr, "pw\npw\n"},  // typed on the terminal
       {{"add-user", "eve", "--allow-empty-passwords"}, 0, ""},
       {{"set", "Pumps", "--name", "Valves"}, 0, ""},  // its users follow
       {{"set", "bob", "--no-group", "--comment", "night", "--zones", ""}, 0, ""},
       {{"delete", "dee"}, 0, ""},
       {{"rename-zone", "3", " Boiler "}, 0, ""},
       {{"show", "cy", "--show-password"}, 0, "cy\ngroup: Valves\ncomment: \npassword: s3cret\n"},
       {{"show", "cy"}, 0, "priority: 7\ntimeout: 9\nzones: 0=无\n"},
       {{"show", "Valves"}, 0, "name: Valves\ncomment: p\nzones: 3= Boiler  5=E 6=F 7=G 12=L\n"},
       {{"show", "bob"}, 0, "group: \ncomment: night\npassword: (set)\npriority: 50\n"},
       {{"show", "bob"}, 0, "timeout: 30\nzones:\n"},
       {{"show", "dee"}, kExitRefused, "没有名为\"dee\"的账户"},
       // Set and delete act on the record of exactly the name, not its case twin.
       {{"--as", "op", "set", "bob", "--comment", "hi"}, 0, "", twins},
       {{"--as", "op", "delete", "bob"}, 0, ""},
       {{"show", "Bob"}, 0, "name: Bob\ngroup: \ncomment: \npassword: (set)\npriority: 900\n"}});
  EXPECT_TRUE(install_.Has("users.bak"));  // the component's save protocol
  // A zone is ticked (1) or not (0), whatever a record held before.
  for (const AccountRecord& record : testing::ReadUsersFile())
    for (std::int16_t flag : record.sectionid) EXPECT_TRUE(flag == 0 || flag == 1);
}

// Without passwords in the file, the users keep the ones in place.
TEST_F(WardenctlTest, ExportImportRoundTrip) {
  const auto file = install_ / "export.json";
  for (const bool passwords : {true, false}) {
    const Result exported = Ctl(passwords ? Args{"export", "--with-passwords"} : Args{"export"});
    EXPECT_EQ(exported.out.find("\"password\""),
              passwords ? exported.out.find("\"password\": \"corvinth\"") : std::string::npos);
    EXPECT_EQ(exported.out.find("\"password\": \"pw\"") != std::string::npos, passwords);
    EXPECT_NE(exported.out.find("\"comment\": \"line 😀\""), std::string::npos);
    testing::WriteText(file, exported.out);
    const Files before = Snapshot();
    ASSERT_EQ(Ctl({"add-user", "temp", "--password", "t"}).code, kExitOk);
    ASSERT_EQ(Ctl({"rename-zone", "9", "Nine"}).code, kExitOk);
    const Result imported = Ctl({"import", file.string(), "--yes"});
    ASSERT_EQ(imported.code, kExitOk) << imported.err;
    EXPECT_EQ(imported.out, "- temp\n新增0个，删除1个，修改0个\n~ zone 9: I\n");
    for (const char* name : {"users.dat", "section.dat"})
      EXPECT_TRUE(Snapshot()[name] == before.at(name));
  }
  // Passwords the new place has none of are not made up.
  testing::TempDir other;
  const Result refused = Ctl({"--dir", other.path().string(), "import", file.string()});
  EXPECT_NE(refused.err.find("/accounts/5/password (ann): 密码为空"), std::string::npos);
  EXPECT_EQ(refused.code, kExitRefused);
  EXPECT_FALSE(std::filesystem::exists(other / "users.dat"));
}

// Each row imports the fixture's export changed by `edit`. The file as a
// whole is refused with every problem, or its changes listed and, unless a
// dry run or refused, written.
TEST_F(WardenctlTest, ImportIsJudgedAsAWhole) {
  const Json exported = Json::parse(Ctl({"export", "--with-passwords"}).out);
  const auto file = (install_ / "import.json").string();
  // Fresh files and the export changed by `edit`.
  const auto edited = [&](std::function<void(Json&)> edit) -> std::function<void()> {
    return [=] {
      SetUp();
      Json document = exported;
      edit(document);
      testing::WriteText(file, document.dump());
    };
  };
  const Args plain{"import", file}, as_ann{"--as", "ann", "import", file},
      merge{"import", file, "--merge"};
  const auto drop_bob = edited([](Json& d) { d["accounts"].erase(6); });
  const auto add = [&](Json user) {
    return edited([user](Json& d) { d["accounts"].push_back(user); });
  };
  const Json eve{{"type", "user"}, {"name", "eve"}};
  RunSteps({
      {{"--as", "系统管理员", "import", file}, 0, kSame, edited([](Json&) {})},
      {{"import", file, "--yes"},
       1,
       "- 系统管理员组: 不能删除内置账户\"系统管理员组\"！",
       edited([](Json& d) { d["accounts"] = Json::array(); })},
      {plain, kExitUsage, "- bob\n新增0个，删除1个，修改0个\n", drop_bob},
      {{"--as", "ann", "import", file, "--yes"}, 1, "- bob: ", drop_bob},
      {{"import", file, "--dry-run"}, 0, "- bob\n", drop_bob},
      {as_ann, 1, "~ bob: ", edited([](Json& d) { d["accounts"][6]["priority"] = 40; })},
      {merge, 0, "+ new\n新增1个，删除0个", edited([](Json& d) {
         d["accounts"] = {{{"type", "user"}, {"name", "new"}, {"password", "p"}}};
       })},
      {merge, 1, "/accounts/0/name (BOB): ", edited([](Json& d) {
         d["accounts"] = {{{"type", "user"}, {"name", "BOB"}, {"password", "p"}}};
       })},
      {plain, 1, "/accounts/7/name: ", add({{"type", 7}, {"name", std::string(40, 'n')}})},
      {plain, 1, "/accounts/0/type: not",
       edited([](Json& d) { d["accounts"][0]["type"] = 18446744073709551615ull; })},
      {plain, 1, "/accounts/7/password (eve): 密码为空", add(eve)},
      {{"import", file, "--allow-empty-passwords"}, 0, "+ eve\n", add(eve)},
      // Every problem in one run: each wrong field, and the group check.
      {plain, 1,
       "/accounts/6/zones/0: not a zone number 0..63\n/accounts/6/priority: not an integer\n"
       "/accounts/6/timeout: not an integer\n/accounts/5/group (ann): 没有名为\"Nope\"的用户组！",
       edited([](Json& d) {
         d["accounts"][5]["group"] = "Nope", d["accounts"][6]["zones"] = {-1};
         d["accounts"][6]["priority"] = "5", d["accounts"][6]["timeout"] = true;
       })},
      {plain, 1, "/format: \"warden-account\" is",
       edited([](Json& d) { d["format"] = "warden-account"; })},
      {plain, 1, "/version: not 1 or 2", edited([](Json& d) { d["version"] = 3; })},
      {plain, 1, "/zones/3 (A): " + Text(IDS_ZONE_NAME_REPEATED),
       edited([](Json& d) { d["zones"][3] = "A"; })},
  });
  // Not JSON, or not a file.
  testing::WriteText(file, "{\n  \"format\": x");
  EXPECT_EQ(Ctl({"import", file}).err, file +
                                           ": not JSON: line 2, column 13: syntax error while "
                                           "parsing value - invalid literal; last read: "
                                           "'\"format\": x'\n");
  EXPECT_EQ(Ctl({"import", Dir()}).err, Dir() + " is a directory\n");
  EXPECT_EQ(Ctl({"import", "/nonexistent/a.json"}).code, kExitFile);
}

// ann's password sealed, with its first hex digit changed, no longer unseals.
void DamagePasswordOfAnn(const std::filesystem::path& users) {
  std::u16string sealed;
  ASSERT_TRUE(EncipherText(u"pw", &sealed));
  std::vector<std::uint8_t> bytes = testing::ReadBytes(users), wide;
  for (char16_t c : sealed) wide.insert(wide.end(), {static_cast<std::uint8_t>(c), 0});
  auto at = std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end());
  ASSERT_NE(at, bytes.end());
  *at = *at == '0' ? '1' : '0';
  testing::WriteBytes(users, bytes);
}

// Each damage in turn, on fresh files. Damaged files are not read as missing
// ones; without the files, reading commands see the defaults, a refused
// command creates nothing, a done one writes the defaults with it.
TEST_F(WardenctlTest, VerifyAndRecovery) {
  const auto users = install_ / "users.dat", backup = install_ / "users.bak";
  const auto damage_ann = [users] { DamagePasswordOfAnn(users); };
  // Fresh files with one damage each.
  const auto fresh = [this](std::function<void()> damage) { return [=] { SetUp(), damage(); }; };
  const auto damaged = [&](auto file) { return fresh([=] { testing::WriteBytes(file, {1}); }); };
  const auto zones_too = [&] { testing::WriteBytes(install_ / "section.dat", {1}); };
  const auto missing = [&] {
    std::filesystem::remove(users), std::filesystem::remove(install_ / "section.dat");
  };
  RunSteps({{{"verify"}, 0, "users.bak: none\nsection.dat: loads\nclean\n"},
            {{"verify", "--json"}, 0, "\"exists\": false,\n    \"result\": 0,"},  // no users.bak
            {{"verify"}, 1, "record 5: password could not be unsealed", fresh(damage_ann)},
            {{"verify"}, 1, "users.bak: not readable (104)", damaged(backup)},
            {{"verify"}, kExitFile, "not readable (104)", damaged(users)},
            {{"list"}, kExitFile, "wardenctl verify ", zones_too},
            {{"zones"}, kExitFile, ""},
            {{"verify"}, kExitFile, "section.dat: not readable (104)"},
            {{"verify"}, 0, "missing: the defaults apply\nclean\n", missing},
            {{"add-user", "无", "--password", "x"}, kExitRefused, Text(IDS_NAME_EXISTS)}});
  EXPECT_EQ(Ctl({"list"}).out, "系统管理员组\n  系统管理员\n无组\n  无\n");

  // The backup's changes are shown and, when confirmed, saved through the
  // save protocol, which keeps the file before it as the new backup; with
  // users.dat unreadable, the backup's content is listed and put in place.
  const auto same = [&] { testing::WriteBytes(backup, testing::ReadBytes(users)); };
  const auto reorder = [&] { same(), WriteUsers({kBob, kLine, kAnn}); };
  const Args yes = {"restore-backup", "--yes"};
  RunSteps({{yes, kExitFile, "没有可用的users.bak。 (104: ", [this] { SetUp(); }},
            {yes, kExitFile, "", [&] { testing::WriteBytes(backup, {1}); }},
            {yes, 0, kSame, same},
            {yes, 0, "记录顺序改变", reorder},
            {{"list"}, 0, "  无\nLine\n  ann\nbob\n"},
            {{"delete", "bob"}, 0, ""},
            {{"restore-backup"}, kExitUsage, "+ bob\n"},  // neither a terminal nor --yes
            {{"--as", "ann", "restore-backup", "--yes"}, 1, "+ bob: "},
            {{"restore-backup"}, kExitRefused, "+ bob\n", nullptr, "n\n"}});
  const Result asked = Ctl({"restore-backup"}, " YES\n", true);
  EXPECT_EQ(asked.err, "用users.bak的内容替换users.dat吗？[y/N] ");
  EXPECT_EQ(asked.out, "+ bob\n新增1个，删除0个，修改0个\n");

  // With users.dat unreadable, the backup or an export replaces it whole.
  const auto good = (install_ / "good.json").string();
  const auto cut = [&] { same(), std::filesystem::resize_file(users, 300); };
  const auto export_and_cut = [&] {
    testing::WriteText(good, Ctl({"export", "--with-passwords"}).out), cut();
  };
  RunSteps({{{"import", "--dry-run", good}, 0, "users.dat无法读取", export_and_cut},
            {{"--as", "ann", "restore-backup", "--yes"}, kExitFile, "wardenctl verify"},
            {yes, 0, "users.dat无法读取，将被整个替换为：\n+ 系统管理员组\n"},
            {{"import", good, "--yes"}, 0, "+ bob\n", cut},
            {{"list"}, 0, "  无\nLine\n  ann\nbob\n"}});
}

// A wrong place is never read as the defaults; reading creates nothing; a
// lock held elsewhere is named.
TEST_F(WardenctlTest, PlacesAndLocks) {
  testing::TempDir empty, bare;  // no files; the files without their lock files
  for (const char* name : {"users.dat", "section.dat"})
    std::filesystem::copy_file(install_ / name, bare / name);
  const auto count = [](const testing::TempDir& dir) {
    return std::distance(std::filesystem::directory_iterator(dir.path()), {});
  };
  const std::string file = (install_ / "users.dat").string();
  for (const Args& args : {Args{"list"}, Args{"show", "无"}, Args{"zones"}, Args{"export"},
                           Args{"verify"}, Args{"import", "--dry-run", "-"}}) {
    for (const testing::TempDir* dir : {&empty, &bare}) {
      Args here{"--dir", dir->path().string()};
      here.insert(here.end(), args.begin(), args.end());
      EXPECT_EQ(Ctl(here, Ctl({"export", "--with-passwords"}).out).code, kExitOk) << args[0];
      EXPECT_EQ(count(*dir), dir == &empty ? 0 : 2) << args[0];
      for (const std::string& wrong : {std::string("/nonexistent"), file}) {
        here[1] = wrong;
        EXPECT_EQ(Ctl(here).code, kExitFile) << args[0] << wrong;
      }
    }
  }
  EXPECT_EQ(Ctl({"--dir", file, "list"}).err, "不是目录：" + file + "\n");
  install_.Set(u"");  // no profile entry: not the current directory either
  EXPECT_EQ(Ctl({"add-user", "x", "--password", "p"}).code, kExitFile);

  // Each lock file is there; none can be had, as while another program holds it.
  testing::FaultInjector faults;
  faults.FailEvery(testing::FileOp::kLock);
  EXPECT_EQ(Ctl({"--dir", Dir(), "list"}).err, "另一个程序正在使用" + file + "，请稍后再试。\n");
  EXPECT_NE(Ctl({"--dir", Dir(), "zones"}).err.find("section.dat，请稍后再试。"),
            std::string::npos);
}

// While a person is asked, the host can read and save: no lock is held; what
// it saved meanwhile is not written over.
TEST_F(WardenctlTest, NoLockWhileAPersonAnswers) {
  const auto lock_is_free = [this] {
    const auto lock = platform::Files().lock(install_.dir().core("users.lck"), 0);
    ASSERT_NE(lock, platform::kInvalidFile);
    platform::Files().unlock(lock);
  };
  std::filesystem::copy_file(install_ / "users.dat", install_ / "users.bak");
  WriteUsers({});
  EXPECT_EQ(Ctl({"add-user", "eve"}, "pw\npw\n", true, lock_is_free).code, kExitOk);
  EXPECT_EQ(Ctl({"restore-backup"}, "y\n", true, lock_is_free).code, kExitOk);
  const auto host_saves = [] { WriteUsers({kBob}); };
  const Result meanwhile = Ctl({"restore-backup"}, "y\n", true, host_saves);
  EXPECT_EQ(meanwhile.code, kExitFile);
  EXPECT_NE(meanwhile.err.find("等待回答期间另一个程序改变了文件"), std::string::npos);
  EXPECT_EQ(Ctl({"list"}).out, "系统管理员组\n  系统管理员\n无组\n  无\nbob\n");
}

// Writers started together each keep their change: every one holds the
// lock from its load to its save. Each leaves one record, in strictly
// increasing seq (which verify checks).
TEST_F(WardenctlTest, ParallelWriters) {
  const std::string script = "for n in 0 1 2 3 4 5 6 7 8 9; do '" WARDENCTL "' --dir '" + Dir() +
                             "' add-user u$n --allow-empty-passwords >/dev/null & p=\"$p $!\"; "
                             "done; for n in $p; do wait $n || exit 1; done";
  EXPECT_EQ(std::system(script.c_str()), 0);
  EXPECT_EQ(testing::ReadUsersFile().size(), 7u + 10u);
  const history::VerifyReport report = history::VerifyHistory(GetInstallDirectory());
  EXPECT_TRUE(report.status == history::VerifyStatus::kClean && report.records == 10u);
}

// The trail of tests/data read back: as text, CSV (one row per field,
// quoted where needed), JSON; chosen by time, user and account; and checked.
TEST_F(WardenctlTest, History) {
  const std::string row2 =
      "2,2024-05-01T08:17:32.125Z,+08:00,users.dat,save,failed,,dialog,"
      "Velmaris.exe,4242,PLANT\\operator,PLANT-HMI-01,changed,";
  const auto kept = [this] {
    std::filesystem::create_directory(install_ / "History");
    std::filesystem::copy_file(testing::ExecutableFolder().parent_path() / "data" / "trail.jsonl",
                               install_ / "History" / "trail.jsonl");
  };
  RunSteps(
      {{{"history"}, kExitFile, "no history is kept here"},
       {{"history", "verify"}, kExitFile, "no history is kept here"},
       {{"history"}, 0, "#2  2024-05-01 16:17:32.125 +08:00  users.dat  save  failed\n", kept},
       {{"history"}, 0, "    changed user robert: name bob -> robert, password set\n"},
       {{"history"}, 0, "1969-12-31 18:30:00.000 -05:30  generation users.00000002.dat"},
       {{"history"}, 0, "renamed zone 5: name  -> Boiler 锅炉\n"},
       {{"history", "--csv"}, 0, row2 + "Plant,comment,crew,\"crew, night\"\r\n"},
       {{"history", "--csv", "--account", "BOB"}, 0, row2 + "robert,name,bob,robert\r\n"},
       {{"history", "--user", "系统", "--since", "2024-05-01T16:18"}, 0, "#3  "},
       {{"history", "--json", "--until", "2024-05-01T08:17Z"}, 0, "\"outcome\": \"committed\""},
       {{"history", "--since", "2024-13-01"}, kExitUsage, "history: a time is"},
       {{"history", "verify"}, 1, "section.00000003.dat of record 3 is missing"},
       {{"verify"}, 1, "users.dat: changed since record 4 left it"}});
  // The generation each save keeps put back, as the backup is. (Each save
  // records the other program's change first: the trail is the sample's.)
  const Args restore = {"restore-backup", "--yes", "--generation"};
  // History\ a file, and back: a save that cannot be recorded is not made.
  const auto swap = [this](bool away) {
    return [=] {
      std::filesystem::remove(install_ / (away ? "H" : "History"));
      std::filesystem::rename(install_ / (away ? "History" : "H"),
                              install_ / (away ? "H" : "History"));
      if (away) testing::WriteText(install_ / "History", "");
    };
  };
  RunSteps({{{"--lang", "en", "delete", "bob"}, kExitFile, "recorded in History\\, so", swap(true)},
            {{"delete", "bob"}, 0, "", swap(false)},
            {{"rename-zone", "3", "Boiler"}, 0, ""},
            {{"--as", "ann", "restore-backup", "--generation", "6", "--yes"}, 1, "+ bob: "},
            {{"--lang", "en", "restore-backup", "--generation", "9"},
             kExitFile,
             "There is no readable generation 9 in History\\."},
            {{restore[0], restore[1], restore[2], "6"}, 0, "+ bob\n"},
            {{restore[0], restore[1], restore[2], "8"}, 0, "~ 3: Boiler -> C\n"},
            {{"show", "bob"}, 0, "name: bob\n"},
            {{"zones"}, 0, "3\tC\n"}});
  EXPECT_EQ(Ctl({"history", "--user", "系统", "--since", "2024-05-01T16:18"}).out.find("#1"),
            std::string::npos);
  EXPECT_EQ(Ctl({"history", "--csv", "--account", "bob"}).out.find("anna"), std::string::npos);
  EXPECT_EQ(Ctl({"history", "--json", "--until", "2024-05-01T08:17Z"}).out.find("\"seq\": 2"),
            std::string::npos);
}

// What goes to a Windows console: whole lines once a block has gathered; a
// flush hands on the rest but half a character; a failing console ("z") makes
// the stream bad.
TEST(ConsoleTest, WholeLinesAndCharacters) {
  std::vector<std::u16string> handed;
  LineBuffer buffer(
      [&](const std::u16string& text) { return handed.push_back(text), text != u"z"; });
  std::ostream out(&buffer);
  for (int i = 0; i < 5; ++i) out << "\xE7\xB3\xBB" << std::string(1000, 'x') << "\n";
  out << "ab\xE7" << std::flush << "\xB3\xBB" << std::flush << std::endl;
  const std::u16string line = u"\u7CFB" + std::u16string(1000, u'x') + u"\n";
  EXPECT_EQ(handed, (std::vector<std::u16string>{line + line + line + line, line + u"ab", u"\u7CFB",
                                                 u"\n"}));
  EXPECT_FALSE(out << "z" << std::flush);
}

}  // namespace
}  // namespace warden::ctl
