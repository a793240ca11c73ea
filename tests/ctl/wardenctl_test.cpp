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
#include "resources/resource_ids.h"
#include "storage/field_cipher.h"
#include "tests/support/install_dir.h"
#include "tools/wardenctl/console.h"
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
  // A step that fails must leave every file as it was.
  void RunSteps(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(::testing::PrintToString(step.args));
      if (step.prepare) step.prepare();
      const Files before = Snapshot();
      const bool typing = !step.typed.empty();
      const Result result = Ctl(step.args, typing ? step.typed : "s3cret\r\n", typing);
      EXPECT_EQ(result.code, step.code) << result.err;
      EXPECT_NE((result.out + result.err).find(step.text), std::string::npos) << result.out;
      EXPECT_TRUE(step.code == kExitOk || Snapshot() == before);
    }
  }

  testing::InstallDir install_;
};

TEST_F(WardenctlTest, Commands) {
  EXPECT_EQ(Ctl({"list"}).out, "系统管理员组\n  系统管理员\n无组\n  无\nLine\n  ann\nbob\n");
  RunSteps(
      {{{"show", "ann"}, 0, "name: ann\ngroup: Line\ncomment: \npassword: (set)\n"},
       {{"--dir", install_.dir().path().string(), "zones"}, 0, "63\tKKK\n"},
       {{"zones"}, 0, "0\t无\n"},
       {{"rename-zone", "64", "x"}, kExitUsage, "zone: a number 0..63"},
       {{"--help"}, 0, "wardenctl"},
       {{"list", "--json"}, 0, "{\n      \"type\": \"user\",\n      \"name\": \"ann\""},
       {{"list", "--json"}, 0, "{\n      \"type\": \"group\",\n      \"name\": \"Line\""},
       {{"add-user", "ANN"}, kExitRefused, Text(IDS_NAME_EXISTS)},
       {{"delete", "Line"}, kExitRefused, "用户组\"Line\"还有用户，不能删除！\n"},
       {{"--as", "ann", "set", "bob", "--comment", "x"}, 1, Text(IDS_ONLY_LOWER_PRIORITY)},
       {{"--lang", "en", "delete", "nobody"}, 1, "There is no account named \"nobody\".\n"},
       {{"--as", "nobody", "list"}, kExitUsage, "没有名为\"nobody\"的用户，不能以其身份操作！"},
       {{"add-user", "x", "--zones", "1,"}, kExitUsage, ""},
       {{"add-user", "x", "--zones", "5-3"}, kExitUsage, ""},
       {{"set", "无", "--name", "x"}, kExitRefused, Text(IDS_CANNOT_RENAME_BUILTIN)},
       {{"import", "/nonexistent/a.json"}, kExitFile, "cannot read /nonexistent/a.json\n"},
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
  EXPECT_TRUE(install_.Has("users.bak"));  // the component's save protocol
  CUser saved;  // a zone is ticked (1) or not (0), whatever a record held before
  ASSERT_EQ(LoadAccountFile(saved, testing::InstallLocation()), kFileOk);
  for (const AccountRecord& record : saved.Records()) {
    for (std::int16_t flag : record.sectionid) EXPECT_TRUE(flag == 0 || flag == 1);
  }
}

// Without passwords in the file, the users keep the ones in place.
TEST_F(WardenctlTest, ExportImportRoundTripAndImportRefusals) {
  const auto file = install_ / "export.json";
  for (const bool passwords : {true, false}) {
    const Result exported = Ctl(passwords ? Args{"export", "--with-passwords"} : Args{"export"});
    EXPECT_EQ(exported.out.find("\"password\""),
              passwords ? exported.out.find("\"password\": \"corvinth\"") : std::string::npos);
    EXPECT_EQ(exported.out.find("\"password\": \"pw\"") != std::string::npos, passwords);
    testing::WriteText(file, exported.out);
    const Files before = Snapshot();
    ASSERT_EQ(Ctl({"add-user", "temp"}).code, kExitOk);
    ASSERT_EQ(Ctl({"rename-zone", "9", "Nine"}).code, kExitOk);
    const Result imported = Ctl({"import", file.string()});
    ASSERT_EQ(imported.code, kExitOk) << imported.err;
    for (const char* name : {"users.dat", "section.dat"})
      EXPECT_TRUE(Snapshot()[name] == before.at(name));
  }

  // Every problem is reported with its path; nothing is written.
  const std::string head = R"({"format":"warden-accounts","version":1,"accounts":)";
  const std::string good = head + R"([{"type":"group","name":"G"},{"type":"user","name":"u"})";
  const std::pair<std::string, std::string> rows[] = {
      {good + R"(,{"type":"user","name":"w","zones":[-1]}]})", "/accounts/2/zones/0"},
      {R"({"format":"other","version":1,"accounts":[]})", "/format"},
      {R"({"format":"warden-accounts","version":2,"accounts":[]})", "/version"},
      {head + "{}}", "/accounts: not an array"},
      {good + R"(,{"type":"user","name":"w","priority":"5"}]})", "/accounts/2/priority"},
      {good + R"(,{"type":70000,"name":"w"}]})", "/accounts/2/type"},
      {good + R"(,{"type":"user","name":"w","group":"Nope"}]})", "/accounts/2 (w)"},
  };
  for (const auto& [json, problem] : rows) {
    testing::WriteText(file, json);
    const Files before = Snapshot();
    const Result result = Ctl({"import", file.string()});
    EXPECT_EQ(result.code, kExitRefused) << problem;
    EXPECT_NE(result.err.find(problem), std::string::npos) << problem << result.err;
    EXPECT_TRUE(Snapshot() == before) << problem;
  }
  testing::WriteText(file, good + "]}");
  const Files before = Snapshot();
  // Acting as ann, dropping bob (priority 50) is beyond her reach.
  EXPECT_EQ(Ctl({"--as", "ann", "import", file.string()}).code, kExitRefused);
  EXPECT_EQ(Ctl({"import", "--dry-run", file.string()}).code, kExitOk);
  EXPECT_TRUE(Snapshot() == before);
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
TEST_F(WardenctlTest, VerifyAndRestoreBackup) {
  const auto users = install_ / "users.dat", backup = install_ / "users.bak";
  const auto damage_ann = [users] { DamagePasswordOfAnn(users); };
  // Fresh files with one damage each.
  const auto fresh = [this](std::function<void()> damage) { return [=] { SetUp(), damage(); }; };
  const auto damaged = [&](auto file) { return fresh([=] { testing::WriteBytes(file, {1}); }); };
  const auto missing = [&] {
    std::filesystem::remove(users), std::filesystem::remove(install_ / "section.dat");
  };
  RunSteps({{{"verify"}, 0, "users.bak: none\nsection.dat: loads\nclean\n"},
            {{"verify", "--json"}, 0, "\"exists\": false,\n    \"result\": 0,"},  // no users.bak
            {{"verify"}, 1, "record 5: password could not be unsealed", fresh(damage_ann)},
            {{"verify"}, 1, "users.bak: not readable (104)", damaged(backup)},
            {{"verify"}, kExitFile, "not readable (104)", damaged(users)},
            {{"list"}, kExitFile, "", [&] { testing::WriteBytes(install_ / "section.dat", {1}); }},
            {{"zones"}, kExitFile, ""},
            {{"verify", "--json"}, kExitFile, "\"exists\": false", missing},
            {{"add-user", "无"}, kExitRefused, Text(IDS_NAME_EXISTS)}});
  EXPECT_EQ(Ctl({"list"}).out, "系统管理员组\n  系统管理员\n无组\n  无\n");

  // The backup's changes are shown and, when confirmed, saved through the
  // save protocol, which keeps the file before it as the new backup.

  const auto same = [&] { testing::WriteBytes(backup, testing::ReadBytes(users)); };
  const auto reorder = [&] { same(), WriteUsers({kBob, kLine, kAnn}); };
  const std::string asked = "+ bob\n用users.bak的内容替换users.dat吗？[y/N] ";
  const Args yes = {"restore-backup", "--yes"};
  RunSteps({{yes, kExitFile, "没有可用的users.bak。 (104: ", [this] { SetUp(); }},
            {yes, kExitFile, "", [&] { testing::WriteBytes(backup, {1}); }},
            {yes, 0, "没有变化。\n", same},
            {yes, 0, "", reorder},  // only the order differs
            {{"list"}, 0, "  无\nLine\n  ann\nbob\n"},
            {{"delete", "bob"}, 0, ""},
            {{"restore-backup"}, kExitUsage, "+ bob\n"},  // neither a terminal nor --yes
            {{"restore-backup"}, kExitRefused, asked, nullptr, "n\n"},
            {{"restore-backup"}, 0, asked, nullptr, "Y\n"},
            {{"show", "bob"}, 0, "name: bob\n"}});
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
