// wardenctl on real files: each command, the refusals with their exact
// message and nothing written, the JSON round trip, import refusing a bad
// file as a whole, verify on damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "accounts/account_file.h"
#include "platform/module_file.h"
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

using platform::ToUtf8;
using Files = std::map<std::string, std::vector<std::uint8_t>>;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result Ctl(const std::vector<std::string>& args, const std::string& input = "") {
  std::ostringstream out, err;
  std::istringstream in(input);
  const int code = RunWardenctl(args, {out, err, in, false});
  return {code, out.str(), err.str()};
}

std::string Text(std::uint16_t id, const std::u16string& argument = u"") {
  return ToUtf8(platform::FormatText(platform::ResourceString(id), argument)) + "\n";
}

class WardenctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CUser store;
    store.SetDefaultTable();
    store.AddAccount(Group(u"Line"));
    store.AddAccount(User(u"ann", 5, u"Line"));
    store.AddAccount(User(u"bob", 50, u""));
    ASSERT_EQ(SaveAccountFile(store, testing::InstallLocation()), kFileOk);
    store.m_strSection = DefaultZoneNames();
    ASSERT_EQ(SaveSectionFile(store, testing::InstallLocation()), kFileOk);
  }
  static AccountRecord Group(const std::u16string& name) {
    AccountRecord record = testing::GroupRecord(name);
    record.groupcomment = u"line one";
    record.sectionid[1] = record.sectionid[2] = 1;
    return record;
  }
  static AccountRecord User(const std::u16string& name, std::int16_t priority,
                            const std::u16string& group) {
    AccountRecord record = testing::UserRecord(name, priority, group);
    record.password = u"pw";
    record.limitTime = 30;
    record.sectionid[2] = 1;
    return record;
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

  testing::InstallDir install_;
};

TEST_F(WardenctlTest, ReadingCommands) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"list"}, "系统管理员组\n  系统管理员\n无组\n  无\nLine\n  ann\nbob\n"},
      {{"show", "ann"},
       "type: \"user\"\nname: ann\ngroup: Line\ncomment: \npassword: (set)\npriority: 5\n"
       "timeout: 30\nzones: 2=B\n"},
      {{"show", "ann", "--show-password"}, "password: pw\n"},
      {{"show", "Line"}, "type: \"group\"\nname: Line\ncomment: line one\nzones: 1=A 2=B\n"},
      {{"zones"}, "0\t无\n1\tA\n"},
      {{"--dir", install_.dir().path().string(), "zones"}, "63\tKKK\n"},
      {{"list", "--json"}, "\"format\": \"warden-accounts\""},
  };
  for (const auto& [args, expected] : rows) {
    SCOPED_TRACE(args[0] + " " + args.back());
    const Result result = Ctl(args);
    EXPECT_EQ(result.code, kExitOk) << result.err;
    EXPECT_NE(result.out.find(expected), std::string::npos) << result.out;
  }
}

// Users whose group no group bears exactly are listed last, marked.
TEST_F(WardenctlTest, ListMarksUsersOfUnknownGroups) {
  CUser store;
  store.AddAccount(Group(u"Line"));
  store.AddAccount(User(u"lost", 1, u"LINE"));
  ASSERT_EQ(SaveAccountFile(store, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(Ctl({"list"}).out, "Line\nlost  [LINE] （用户组不存在）\n");
  EXPECT_NE(Ctl({"list", "--json"}).out.find("\"unknown_group\": true"), std::string::npos);
}

TEST_F(WardenctlTest, ChangingCommands) {
  EXPECT_EQ(Ctl({"add-group", "Pumps", "--comment", "p", "--zones", "3,5-7,12"}).code, kExitOk);
  EXPECT_EQ(Ctl({"add-user", " cy ", "--group", "Pumps", "--password-stdin", "--priority", "7",
                 "--timeout", "9", "--zones", "0"},
                "s3cret\r\n")
                .code,
            kExitOk);
  EXPECT_EQ(Ctl({"add-user", "dee"}).code, kExitOk);
  EXPECT_EQ(Ctl({"set", "Pumps", "--name", "Valves"}).code, kExitOk);  // users follow
  EXPECT_EQ(Ctl({"set", "bob", "--no-group", "--comment", "night", "--zones", ""}).code, kExitOk);
  EXPECT_EQ(Ctl({"delete", "dee"}).code, kExitOk);
  EXPECT_EQ(Ctl({"rename-zone", "3", " Boiler "}).code, kExitOk);

  const std::vector<AccountRecord> table = Table();
  ASSERT_EQ(table.size(), 9u);
  EXPECT_EQ(table[7].groupname, u"Valves");
  EXPECT_EQ(table[7].groupcomment, u"p");
  EXPECT_EQ(table[7].sectionid[6], 1);
  EXPECT_EQ(table[7].sectionid[12], 1);
  EXPECT_EQ(table[8].username, u"cy");  // trimmed
  EXPECT_EQ(table[8].groupname, u"Valves");
  EXPECT_EQ(table[8].password, u"s3cret");
  EXPECT_EQ(table[8].userpri, 7);
  EXPECT_EQ(table[8].limitTime, 9);
  EXPECT_EQ(table[8].sectionid[0], 1);
  EXPECT_EQ(table[6].usercomment, u"night");
  EXPECT_EQ(table[6].sectionid[2], 0);
  CUser zones;
  ASSERT_EQ(LoadSectionFile(zones, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(zones.m_strSection[3], u" Boiler ");
  EXPECT_TRUE(install_.Has("users.bak"));  // the component's save protocol
}

// Each row is refused with exactly this message and leaves every file as it was.
TEST_F(WardenctlTest, RefusalsWriteNothing) {
  const std::string pw32(32, 'p');
  struct Row {
    std::vector<std::string> args;
    int code;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"add-user", "ANN"}, kExitRefused, Text(IDS_NAME_EXISTS)},
      {{"add-group", "Bob"}, kExitRefused, Text(IDS_NAME_EXISTS)},
      {{"add-user", "x", "--priority", "1000"}, kExitRefused, Text(IDS_PRIORITY_RANGE)},
      {{"add-user", "x", "--timeout", "256"}, kExitRefused, Text(IDS_TIMEOUT_RANGE)},
      {{"add-user", "x", "--password", pw32}, kExitRefused, Text(IDS_PASSWORD_TOO_LONG, u"31")},
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
      {{"--as", "ann", "set", "bob", "--comment", "x"},
       kExitRefused,
       Text(IDS_ONLY_LOWER_PRIORITY)},
      {{"--as", "bob", "add-user", "x", "--priority", "50"},
       kExitRefused,
       Text(IDS_PRIORITY_ABOVE_CURRENT)},
      {{"rename-zone", "3", "A-1"},
       kExitRefused,
       ToUtf8(platform::ResourceString(IDS_ZONE_NAME_ILLEGAL)) + "-1\n"},
      {{"rename-zone", "3", "b"}, kExitRefused, Text(IDS_ZONE_NAME_REPEATED)},
      {{"rename-zone", "3", "   "}, kExitRefused, Text(IDS_ZONE_NAME_EMPTY)},
      {{"--lang", "en", "add-user", "ANN"},
       kExitRefused,
       "This name already exists. Please choose another name!\n"},
      {{"--as", "nobody", "list"}, kExitUsage, "没有名为\"nobody\"的用户，不能以其身份操作！\n"},
      {{"add-user", "x", "--zones", "64"}, kExitUsage, ""},
      {{"add-user", "x", "--zones", "1,99999999999"}, kExitUsage, ""},
      {{"add-user", "x", "--zones", "5-3"}, kExitUsage, ""},
      {{"rename-zone", "64", "x"}, kExitUsage, ""},
      {{"frobnicate"}, kExitUsage, ""},
      {{"--lang", "fr", "list"}, kExitUsage, ""},
      {{"set", "Line", "--priority", "3"}, kExitUsage, ""},
  };
  const Files before = Snapshot();
  for (const Row& row : rows) {
    std::string label;
    for (const std::string& arg : row.args) label += arg + ' ';
    SCOPED_TRACE(label);
    const Result result = Ctl(row.args);
    EXPECT_EQ(result.code, row.code);
    if (!row.message.empty()) {
      EXPECT_EQ(result.err, row.message);
    }
    EXPECT_TRUE(Snapshot() == before);
  }
}

TEST_F(WardenctlTest, ExportImportRoundTripIsByteIdentical) {
  const Result exported = Ctl({"export", "--with-passwords"});
  ASSERT_EQ(exported.code, kExitOk);
  const auto file = install_.dir() / "export.json";
  testing::WriteText(file, exported.out);
  const Files before = Snapshot();
  ASSERT_EQ(Ctl({"add-user", "temp"}).code, kExitOk);
  ASSERT_EQ(Ctl({"rename-zone", "9", "Nine"}).code, kExitOk);
  const Result imported = Ctl({"import", file.string()});
  ASSERT_EQ(imported.code, kExitOk) << imported.err;
  const Files after = Snapshot();
  EXPECT_TRUE(after.at("users.dat") == before.at("users.dat"));
  EXPECT_TRUE(after.at("section.dat") == before.at("section.dat"));
  EXPECT_EQ(exported.out.find("\"password\""), exported.out.find("\"password\": \"corvinth\""));

  // Without passwords in the file, the users keep the ones in place.
  const Result without = Ctl({"export"});
  EXPECT_EQ(without.out.find("\"password\""), std::string::npos);
  testing::WriteText(file, without.out);
  ASSERT_EQ(Ctl({"add-user", "temp"}).code, kExitOk);
  ASSERT_EQ(Ctl({"import", file.string()}).code, kExitOk);
  EXPECT_TRUE(Snapshot().at("users.dat") == before.at("users.dat"));
}

// Every problem is reported with its path; nothing is written.
TEST_F(WardenctlTest, ImportRefusesABadFileAsAWhole) {
  const std::string head = R"({"format": "warden-accounts", "version": 1, "accounts": [)";
  const std::string good = R"({"type": "group", "name": "G"}, {"type": "user", "name": "u"})";
  const std::vector<std::pair<std::string, std::string>> rows = {
      {head + good + R"(, {"type": "user", "name": "v", "colour": 1}]})",
       "/accounts/2/colour: unknown field"},
      {head + good + R"(, {"type": "group", "name": "U"}]})", Text(IDS_NAME_EXISTS)},
      {head + good + R"(, {"type": "user", "name": "w", "priority": 1000}]})",
       Text(IDS_PRIORITY_RANGE)},
      {head + good + R"(, {"type": "user", "name": "w", "group": "H"}]})",
       "/accounts/2 (w): 没有名为\"H\"的用户组！"},
      {head + good + R"(, {"type": "user", "name": "w", "zones": [64]}]})", "/accounts/2/zones/0"},
      {head + good + R"(], "zones": ["a"]})", "/zones: not an array of 64 names"},
      {R"({"format": "other", "version": 1, "accounts": []})", "/format"},
      {head + good, "not JSON"},
  };
  const Files before = Snapshot();
  const auto file = install_.dir() / "import.json";
  for (const auto& [json, problem] : rows) {
    SCOPED_TRACE(problem);
    testing::WriteText(file, json);
    Files expected = before;
    expected["import.json"] = testing::ReadBytes(file);
    const Result result = Ctl({"import", file.string()});
    EXPECT_EQ(result.code, kExitRefused);
    EXPECT_NE(result.err.find(problem.substr(0, problem.size() - (problem.back() == '\n'))),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(Snapshot() == expected);
  }
  testing::WriteText(file, head + good + "]}");
  EXPECT_EQ(Ctl({"import", "--dry-run", file.string()}).code, kExitOk);
  // Acting as ann (5), the import may not drop bob (50) nor the administrator.
  const Result as_ann = Ctl({"--as", "ann", "import", "--dry-run", file.string()});
  EXPECT_EQ(as_ann.code, kExitRefused);
  EXPECT_NE(as_ann.err.find("(bob): " + Text(IDS_ONLY_LOWER_PRIORITY)), std::string::npos);
  EXPECT_EQ(Table().size(), 7u);
}

// The password of ann sealed, with its first hex digit changed, no longer unseals.
void DamagePasswordOfAnn(const std::filesystem::path& users) {
  std::u16string sealed;
  ASSERT_TRUE(EncipherText(u"pw", &sealed));
  std::vector<std::uint8_t> bytes = testing::ReadBytes(users);
  std::vector<std::uint8_t> wide;
  for (char16_t c : sealed) wide.insert(wide.end(), {static_cast<std::uint8_t>(c), 0});
  auto at = std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end());
  ASSERT_NE(at, bytes.end());
  *at = *at == '0' ? '1' : '0';
  testing::WriteBytes(users, bytes);
}

TEST_F(WardenctlTest, VerifyReportsDamage) {
  EXPECT_EQ(Ctl({"verify"}).code, kExitOk);
  const auto users = install_.dir() / "users.dat";
  struct Row {
    const char* label;
    std::function<void()> damage;
    int code;
    std::string report;
  };
  CUser odd;
  odd.AddAccount(Group(u"Line"));
  odd.AddAccount(User(u"Ann", 1, u"Line"));
  odd.AddAccount(User(u"ann", 1, u"Gone"));
  const std::vector<Row> rows = {
      {"field not unsealed", [&users] { DamagePasswordOfAnn(users); }, kExitRefused,
       "record 5: password could not be unsealed"},
      {"case and group", [&odd] { SaveAccountFile(odd, testing::InstallLocation()); }, kExitRefused,
       "names differing only in case: Ann ann"},
      {"case and group", [&odd] { SaveAccountFile(odd, testing::InstallLocation()); }, kExitRefused,
       "record 2: user ann of unknown group Gone"},
      {"truncated",
       [&users] {
         testing::WriteBytes(users, {1, 2, 3});
       },
       kExitFile, "not readable (104)"},
      {"backup damaged", [this] { testing::WriteBytes(install_.dir() / "users.bak", {1}); },
       kExitRefused, "users.bak: not readable (104)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    SetUp();
    std::filesystem::remove(install_.dir() / "users.bak");
    row.damage();
    const Files before = Snapshot();
    const Result result = Ctl({"verify"});
    EXPECT_EQ(result.code, row.code);
    EXPECT_NE(result.out.find(row.report), std::string::npos) << result.out;
    EXPECT_TRUE(Snapshot() == before);
  }
  // Without the files: verify fails, reading commands see the defaults, a
  // refused command creates nothing, a done one writes the defaults with it.
  std::filesystem::remove(users);
  std::filesystem::remove(install_.dir() / "section.dat");
  EXPECT_EQ(Ctl({"verify", "--json"}).code, kExitFile);
  EXPECT_EQ(Ctl({"list"}).out, "系统管理员组\n  系统管理员\n无组\n  无\n");
  EXPECT_EQ(Ctl({"zones"}).code, kExitOk);
  EXPECT_EQ(Ctl({"add-user", "无"}).code, kExitRefused);
  EXPECT_TRUE(!install_.Has("users.dat") && !install_.Has("section.dat"));
  EXPECT_EQ(Ctl({"add-user", "x"}).code, kExitOk);
  EXPECT_EQ(Table().size(), 5u);
}

TEST_F(WardenctlTest, RestoreBackupShowsChangesAndSavesThroughTheProtocol) {
  EXPECT_EQ(Ctl({"restore-backup", "--yes"}).code, kExitFile);  // none yet
  ASSERT_EQ(Ctl({"add-user", "eve"}).code, kExitOk);            // users.bak: the file before
  const auto before = Table();
  ASSERT_EQ(Ctl({"delete", "bob"}).code, kExitOk);
  EXPECT_EQ(Ctl({"restore-backup"}).code, kExitUsage);  // not a terminal, no --yes
  const Result restored = Ctl({"restore-backup", "--yes"});
  EXPECT_EQ(restored.code, kExitOk);
  EXPECT_EQ(restored.out, "+ bob\n");  // each run's save kept the file before it
  EXPECT_EQ(Table(), before);
}

}  // namespace
}  // namespace warden::ctl
