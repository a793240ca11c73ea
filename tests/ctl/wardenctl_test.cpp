// wardenctl on real files: each command's output or refusal (which writes
// nothing), the JSON round trip, import refusing a bad file as a whole,
// verify on damaged files, restoring the backup.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "accounts/account_file.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "resources/resource_ids.h"
#include "storage/field_cipher.h"
#include "tests/support/install_dir.h"
#include "tests/support/records.h"
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

Result Ctl(const Args& args, const std::string& input = "", bool terminal = false) {
  std::ostringstream out, err;
  std::istringstream in(input);
  const int code = RunWardenctl(args, {out, err, in, terminal});
  return {code, out.str(), err.str()};
}

// A message of the component's texts as the tool prints it.
std::string Text(std::uint16_t id, const std::u16string& argument = u"") {
  return platform::ToUtf8(platform::FormatText(platform::ResourceString(id), argument)) + "\n";
}

// type, zones, groupname, username, password, usercomment, userpri, limitTime, groupcomment
const AccountRecord kLine{kTypeGroup, {0, 1, 1}, u"Line", {}, {}, {}, 0, 0, u"line one"};
const AccountRecord kAnn{kTypeUser, {0, 0, 1}, u"Line", u"ann", u"pw", {}, 5, 30, {}};
const AccountRecord kBob{kTypeUser, {0, 0, 1}, {}, u"bob", u"pw", {}, 50, 30, {}};

// users.dat with the built-in accounts (if `defaults`) and then `accounts`.
void WriteUsers(const std::vector<AccountRecord>& accounts, bool defaults = true) {
  CUser store;
  if (defaults) store.SetDefaultTable();
  for (const AccountRecord& record : accounts) store.AddAccount(record);
  ASSERT_EQ(SaveAccountFile(store, testing::InstallLocation()), kFileOk);
}

// One command, run on the files as the steps before it left them: its exit
// code and a text its output or error holds.
struct Step {
  Args args;
  int code;
  std::string text;
};

class WardenctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteUsers({kLine, kAnn, kBob});
    CUser zones;
    zones.m_strSection = DefaultZoneNames();
    ASSERT_EQ(SaveSectionFile(zones, testing::InstallLocation()), kFileOk);
    std::filesystem::remove(install_ / "users.bak");
  }
  Files Snapshot() const {
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(install_.dir().path())) {
      files[entry.path().filename().string()] = testing::ReadBytes(entry.path());
    }
    return files;
  }
  std::vector<AccountRecord> Table() const {
    CUser store;
    EXPECT_EQ(LoadAccountFile(store, testing::InstallLocation()), kFileOk);
    return store.Records();
  }
  // A step that fails must leave every file as it was.
  void RunSteps(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(::testing::PrintToString(step.args));
      const Files before = Snapshot();
      const Result result = Ctl(step.args, "s3cret\r\n");
      EXPECT_EQ(result.code, step.code) << result.err;
      EXPECT_NE((result.out + result.err).find(step.text), std::string::npos) << result.out;
      EXPECT_TRUE(step.code == kExitOk || Snapshot() == before);
    }
  }

  testing::InstallDir install_;
};

TEST_F(WardenctlTest, Commands) {
  const std::string illegal = platform::ToUtf8(platform::ResourceString(IDS_ZONE_NAME_ILLEGAL));
  const std::string p32(32, 'p');
  RunSteps(
      {{{"list"}, 0, "系统管理员组\n  系统管理员\n无组\n  无\nLine\n  ann\nbob\n"},
       {{"show", "ann"}, 0, "name: ann\ngroup: Line\ncomment: \npassword: (set)\n"},
       {{"show", "ann", "--show-password"},
        0,
        "password: pw\npriority: 5\ntimeout: 30\nzones: 2=B\n"},
       {{"show", "Line"}, 0, "type: \"group\"\nname: Line\ncomment: line one\nzones: 1=A 2=B\n"},
       {{"zones"}, 0, "0\t无\n1\tA\n"},
       {{"--dir", install_.dir().path().string(), "zones"}, 0, "63\tKKK\n"},
       {{"list", "--json"}, 0, "{\n      \"type\": \"user\",\n      \"name\": \"ann\""},
       {{"verify", "--json"}, 0, "\"exists\": false,\n    \"result\": 0,"},  // no users.bak
       {{"add-user", "ANN"}, kExitRefused, Text(IDS_NAME_EXISTS)},
       {{"add-group", "Bob"}, kExitRefused, Text(IDS_NAME_EXISTS)},
       {{"add-user", "x", "--priority", "1000"}, kExitRefused, Text(IDS_PRIORITY_RANGE)},
       {{"add-user", "x", "--timeout", "256"}, kExitRefused, Text(IDS_TIMEOUT_RANGE)},
       {{"add-user", "x", "--password", p32}, kExitRefused, Text(IDS_PASSWORD_TOO_LONG, u"31")},
       {{"add-group", "x", "--zones", "0,4"}, kExitRefused, Text(IDS_ZONE_NONE_WITH_OTHERS)},
       {{"add-group", std::string(32, 'g')}, kExitRefused, Text(IDS_TEXT_TOO_LONG, u"31")},
       {{"add-user", "\t"}, kExitRefused, Text(IDS_ENTER_NAME)},
       {{"add-user", "x", "--group", "Nope"}, kExitRefused, "没有名为\"Nope\"的用户组！\n"},
       {{"set", "无", "--name", "x"}, kExitRefused, Text(IDS_CANNOT_RENAME_BUILTIN)},
       {{"set", "ann", "--name", "bob"}, kExitRefused, Text(IDS_NAME_EXISTS)},
       {{"delete", "无组"}, kExitRefused, "不能删除内置账户\"无组\"！\n"},
       {{"delete", "Line"}, kExitRefused, "用户组\"Line\"还有用户，不能删除！\n"},
       {{"delete", "nobody"}, kExitRefused, "没有名为\"nobody\"的账户！\n"},
       {{"--as", "ann", "delete", "bob"}, kExitRefused, Text(IDS_ONLY_LOWER_PRIORITY)},
       {{"--as", "ann", "set", "bob", "--comment", "x"}, 1, Text(IDS_ONLY_LOWER_PRIORITY)},
       {{"--as", "bob", "add-user", "x", "--priority", "50"}, 1, Text(IDS_PRIORITY_ABOVE_CURRENT)},
       {{"rename-zone", "3", "A-1"}, kExitRefused, illegal + "-1\n"},
       {{"rename-zone", "3", "b"}, kExitRefused, Text(IDS_ZONE_NAME_REPEATED)},
       {{"rename-zone", "3", "   "}, kExitRefused, Text(IDS_ZONE_NAME_EMPTY)},
       {{"--lang", "en", "add-user", "ANN"}, 1, "This name already exists. Please choose"},
       {{"--lang", "en", "delete", "nobody"}, 1, "There is no account named \"nobody\".\n"},
       {{"--as", "nobody", "list"}, kExitUsage, "没有名为\"nobody\"的用户，不能以其身份操作！"},
       {{"add-user", "x", "--zones", "64"}, kExitUsage, ""},
       {{"add-user", "x", "--zones", "1,99999999999"}, kExitUsage, ""},
       {{"add-user", "x", "--zones", "5-3"}, kExitUsage, ""},
       {{"add-user", "x", "--zones", "1,"}, kExitUsage, ""},
       {{"import", "/nonexistent/a.json"}, kExitFile, "cannot read /nonexistent/a.json\n"},
       {{"rename-zone", "64", "x"}, kExitUsage, ""},
       {{"frobnicate"}, kExitUsage, ""},
       {{"--lang", "fr", "list"}, kExitUsage, ""},
       {{"set", "Line", "--priority", "3"}, kExitUsage, ""},
       {{"add-group", "Pumps", "--comment", "p", "--zones", "3,5-7,12"}, 0, ""},
       {{"add-user", " cy ", "--group", "Pumps", "--password-stdin", "--priority", "7", "--timeout",
         "9", "--zones", "0"},
        0,
        ""},
       {{"add-user", "dee"}, 0, ""},
       {{"set", "Pumps", "--name", "Valves"}, 0, ""},  // its users follow
       {{"set", "bob", "--no-group", "--comment", "night", "--zones", ""}, 0, ""},
       {{"delete", "dee"}, 0, ""},
       {{"rename-zone", "3", " Boiler "}, 0, ""},
       {{"show", "cy", "--show-password"}, 0, "cy\ngroup: Valves\ncomment: \npassword: s3cret\n"},
       {{"show", "cy"}, 0, "priority: 7\ntimeout: 9\nzones: 0=无\n"},
       {{"show", "Valves"}, 0, "name: Valves\ncomment: p\nzones: 3= Boiler  5=E 6=F 7=G 12=L\n"},
       {{"show", "bob"}, 0, "group: \ncomment: night\npassword: (set)\npriority: 50\n"},
       {{"show", "bob"}, 0, "timeout: 30\nzones:\n"},
       {{"show", "dee"}, kExitRefused, "没有名为\"dee\"的账户"}});
  EXPECT_EQ(Table().size(), 9u);
  EXPECT_TRUE(install_.Has("users.bak"));  // the component's save protocol
  // Users whose group no group bears exactly are listed last, marked.
  WriteUsers({kLine, testing::UserRecord(u"lost", 1, u"LINE")}, false);
  RunSteps({{{"list"}, 0, "Line\nlost  [LINE] （用户组不存在）\n"},
            {{"list", "--json"}, 0, "\"unknown_group\": true"}});
}

// Without passwords in the file, the users keep the ones in place.
TEST_F(WardenctlTest, ExportImportRoundTripIsByteIdentical) {
  const auto file = install_ / "export.json";
  for (const bool passwords : {true, false}) {
    const Result exported = Ctl(passwords ? Args{"export", "--with-passwords"} : Args{"export"});
    EXPECT_EQ(exported.out.find("\"password\""),
              passwords ? exported.out.find("\"password\": \"corvinth\"") : std::string::npos);
    testing::WriteText(file, exported.out);
    const Files before = Snapshot();
    ASSERT_EQ(Ctl({"add-user", "temp"}).code, kExitOk);
    ASSERT_EQ(Ctl({"rename-zone", "9", "Nine"}).code, kExitOk);
    const Result imported = Ctl({"import", file.string()});
    ASSERT_EQ(imported.code, kExitOk) << imported.err;
    const Files after = Snapshot();
    EXPECT_TRUE(after.at("users.dat") == before.at("users.dat"));
    EXPECT_TRUE(after.at("section.dat") == before.at("section.dat"));
  }
}

// Every problem is reported with its path; nothing is written.
TEST_F(WardenctlTest, ImportRefusesABadFileAsAWhole) {
  const std::string head = R"({"format":"warden-accounts","version":1,"accounts":)";
  const std::string good = head + R"([{"type":"group","name":"G"},{"type":"user","name":"u"})";
  const std::pair<std::string, std::string> rows[] = {
      {good + R"(,{"type":"user","name":"v","colour":1}]})", "/accounts/2/colour: unknown field"},
      {good + R"(,{"type":"group","name":"U"}]})", Text(IDS_NAME_EXISTS)},
      {good + R"(,{"type":"user","name":"w","priority":1000}]})", Text(IDS_PRIORITY_RANGE)},
      {good + R"(,{"type":"user","name":"w","group":"H"}]})",
       "/accounts/2 (w): 没有名为\"H\"的用户组"},
      {good + R"(,{"type":"user","name":"w","zones":[64]}]})", "/accounts/2/zones/0"},
      {good + R"(,{"type":"user","name":"w","zones":[-1]}]})", "/accounts/2/zones/0"},
      {good + R"(],"zones":["a"]})", "/zones: not an array of 64 names"},
      {R"({"format":"other","version":1,"accounts":[]})", "/format"},
      {R"({"format":"warden-accounts","version":2,"accounts":[]})", "/version"},
      {head + "{}}", "/accounts: not an array"},
      {good, "not JSON"},
  };
  const auto file = install_ / "import.json";
  for (const auto& [json, problem] : rows) {
    testing::WriteText(file, json);
    const Files before = Snapshot();
    const Result result = Ctl({"import", file.string()});
    EXPECT_EQ(result.code, kExitRefused) << problem;
    EXPECT_NE(result.err.find(problem), std::string::npos) << problem << result.err;
    EXPECT_TRUE(Snapshot() == before) << problem;
  }
  testing::WriteText(file, good + "]}");
  EXPECT_EQ(Ctl({"import", "--dry-run", file.string()}).code, kExitOk);
  // Acting as ann (5), the import may not drop bob (50) nor the administrator.
  const Result as_ann = Ctl({"--as", "ann", "import", "--dry-run", file.string()});
  EXPECT_EQ(as_ann.code, kExitRefused);
  EXPECT_NE(as_ann.err.find("(bob): " + Text(IDS_ONLY_LOWER_PRIORITY)), std::string::npos);
  EXPECT_EQ(Table().size(), 7u);
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

TEST_F(WardenctlTest, VerifyReportsDamage) {
  const auto users = install_ / "users.dat";
  const auto odd = [] {
    WriteUsers(
        {kLine, testing::UserRecord(u"Ann", 1, u"Line"), testing::UserRecord(u"ann", 1, u"Gone")},
        false);
  };
  const struct {
    std::function<void()> damage;
    int code;
    std::string report;
  } rows[] = {
      {[] {}, kExitOk, "clean"},
      {[&] { DamagePasswordOfAnn(users); }, kExitRefused,
       "record 5: password could not be unsealed"},
      {odd, kExitRefused, "names differing only in case: Ann ann"},
      {odd, kExitRefused, "record 2: user ann of unknown group Gone"},
      {[&] {
         testing::WriteBytes(users, {1, 2, 3});
       },
       kExitFile, "not readable (104)"},
      {[&] { testing::WriteBytes(install_ / "users.bak", {1}); }, 1,
       "users.bak: not readable (104)"},
  };
  for (const auto& row : rows) {
    SetUp();
    row.damage();
    const Files before = Snapshot();
    const Result result = Ctl({"verify"});
    EXPECT_EQ(result.code, row.code) << row.report;
    EXPECT_NE(result.out.find(row.report), std::string::npos) << result.out;
    EXPECT_TRUE(Snapshot() == before) << row.report;
  }
  testing::WriteBytes(users, {1, 2, 3});  // damaged, not missing: no defaults
  testing::WriteBytes(install_ / "section.dat", {1});
  RunSteps({{{"list"}, kExitFile, ""}, {{"zones"}, kExitFile, ""}});
  // Without the files: verify fails, reading commands see the defaults, a
  // refused command creates nothing, a done one writes the defaults with it.
  std::filesystem::remove(users);
  std::filesystem::remove(install_ / "section.dat");
  RunSteps({{{"verify", "--json"}, kExitFile, "\"exists\": false"},
            {{"list"}, 0, "系统管理员组\n  系统管理员\n无组\n  无\n"},
            {{"zones"}, 0, "0\t"},
            {{"add-user", "无"}, kExitRefused, Text(IDS_NAME_EXISTS)},
            {{"add-user", "x"}, 0, ""}});
  EXPECT_EQ(Table().size(), 5u);
}

// The backup's changes are shown and, when confirmed, saved through the save
// protocol, which keeps the file before it as the new backup.
TEST_F(WardenctlTest, RestoreBackup) {
  const std::string asked = "+ bob\n用users.bak的内容替换users.dat吗？[y/N] ";
  const auto same = [&] {
    std::filesystem::copy_file(install_ / "users.dat", install_ / "users.bak");
  };
  const auto reorder = [&] {
    same();
    WriteUsers({kBob, kLine, kAnn});
  };
  const auto drop_bob = [] { ASSERT_EQ(Ctl({"delete", "bob"}).code, kExitOk); };
  const struct {
    std::function<void()> change;
    std::string input;  // typed on a terminal
    int code;
    std::string out;
  } rows[] = {
      {[] {}, "", kExitFile, ""},  // no backup
      {[&] { testing::WriteBytes(install_ / "users.bak", {1}); }, "", kExitFile, ""},
      {same, "", kExitOk, "没有变化。\n"},
      {reorder, "", kExitOk, ""},             // only the order differs
      {drop_bob, "", kExitUsage, "+ bob\n"},  // neither a terminal nor --yes
      {drop_bob, "n\n", kExitRefused, asked},
      {drop_bob, "Y\n", kExitOk, asked},
  };
  for (const auto& row : rows) {
    SetUp();
    row.change();
    const Files before = Snapshot();
    const bool yes = row.code != kExitUsage && row.input.empty();
    const Result result = Ctl(yes ? Args{"restore-backup", "--yes"} : Args{"restore-backup"},
                              row.input, !row.input.empty());
    EXPECT_EQ(result.code, row.code) << row.out << result.err;
    EXPECT_EQ(result.out, row.out);
    const Files after = Snapshot();
    EXPECT_TRUE(row.code == kExitOk && before.count("users.bak")
                    ? after.at("users.dat") == before.at("users.bak")
                    : after == before);
  }
}

}  // namespace
}  // namespace warden::ctl
