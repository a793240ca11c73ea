// The recorder around a save as the data file makes it (temporary file,
// BeforeReplace, the replacing move, AfterReplace): what it records, how a
// dead writer's record is settled, the generations it keeps and lets go, and
// every file operation failing in turn, each followed by verify telling
// exactly which content is in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "accounts/account_file.h"
#include "history/change_sources.h"
#include "history/history_files.h"
#include "history/trail_file.h"
#include "history/verifier.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/field_cipher.h"
#include "storage/file_header.h"
#include "tests/support/fault_injection.h"
#include "tests/support/records.h"
#include "tests/support/temp_dir.h"

namespace warden::history {
namespace {

using testing::GroupRecord;
using testing::UserRecord;
using Table = std::vector<AccountRecord>;

std::string FileBytes(const Table& table) {
  std::vector<std::uint8_t> bytes;
  Archive archive = Archive::Writing(bytes);
  FileHeader header;
  EXPECT_TRUE(header.Write(archive) && WriteAccountTable(archive, table) && archive.Flush());
  return std::string(bytes.begin(), bytes.end());
}

std::string Text(const std::filesystem::path& path) {
  const auto bytes = testing::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// users.dat of a directory, saved as the data file saves it; the table it
// holds and the identity it was loaded from, as a front end keeps them.
class Writer {
 public:
  enum Stop { kNone, kBeforeMove, kAfterMove };  // where the writer "dies"

  std::u16string directory() const { return dir.core() + u"\\"; }
  std::filesystem::path path(const std::string& name = "users.dat") const { return dir / name; }

  // True when the new table is in place. Holds users.lck, as a save does.
  bool Save(const Table& table, Stop stop = kNone, std::string action = "save") {
    const std::string bytes = FileBytes(table);
    const std::u16string dat = dir.core("users.dat"), temp = dir.core("users.111");
    const platform::FileHandle lock = platform::Files().lock(dir.core("users.lck"), 20000);
    if (lock == platform::kInvalidFile) return false;
    struct Unlock {
      platform::FileHandle handle;
      ~Unlock() { platform::Files().unlock(handle); }
    } unlock{lock};
    platform::Files().remove(temp);  // a dead writer's
    platform::File file = platform::File::Create(temp);
    if (!file.Write(bytes.data(), bytes.size()) || !file.Close()) return false;
    AccountChanges changes(loaded_ ? &*loaded_ : nullptr, loaded_from_, table, std::nullopt);
    SaveRecorder recorder(directory(), kUsersFile, std::move(action), {"cli", u"admin"}, bytes,
                          changes);
    if (!recorder.BeforeReplace()) return platform::Files().remove(temp), false;
    if (stop == kBeforeMove) return false;
    const bool replaced = platform::Files().replace(temp, dat);
    if (stop == kAfterMove) return replaced;
    recorder.AfterReplace(replaced);
    if (replaced) Loaded(table);
    return replaced;
  }
  void Loaded(const Table& table) {
    loaded_ = table;
    platform::FileIdentity identity{};
    loaded_from_ = platform::Files().identity(dir.core("users.dat"), &identity)
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
  std::optional<Table> loaded_;
  std::optional<platform::FileIdentity> loaded_from_;
};

const Table kFirst = {GroupRecord(u"G"), UserRecord(u"ann", 5, u"G")};
const Table kSecond = {GroupRecord(u"G"), UserRecord(u"ann", 6, u"G")};
const Table kThird = {GroupRecord(u"G")};

// A creation, a save, a change by another program, a save: each recorded,
// with what changed; the outside one found by its digest, its changes from
// the table the writer had loaded; each replaced file kept.
TEST(RecorderTest, RecordsSavesAndOutsideChanges) {
  Writer writer;
  ASSERT_TRUE(writer.Save(kFirst, Writer::kNone, "create"));
  ASSERT_TRUE(writer.Save(kSecond));
  testing::WriteText(writer.path("outside"), FileBytes(kThird));
  std::filesystem::rename(writer.path("outside"), writer.path());
  ASSERT_TRUE(writer.Save(kFirst));
  const std::vector<std::string> lines = writer.Lines();
  ASSERT_EQ(lines.size(), 8u);
  const std::tuple<std::size_t, std::string> expected[] = {
      {0, R"("action":"create","changes":[{"op":"added","account":"G","type":"group")"},
      {1, R"({"of":1,"outcome":"committed","identity":{)"},
      {2,
       R"("changes":[{"op":"changed","account":"ann","type":"user","fields":{"priority":[5,6]}}])"},
      {2, R"("generation":"users.00000002.dat")"},
      {4, R"("user":null,"front_end":"outside","file":"users.dat","action":"outside-change",)"
          R"("changes":[{"op":"deleted","account":"ann")"},
      {5, R"({"of":3,"outcome":"committed")"},
      {6,
       R"("user":"admin","front_end":"cli","file":"users.dat","action":"save","changes":[{"op":"added","account":"ann")"},
      {6, R"("generation":"users.00000004.dat")"},
  };
  for (const auto& [line, text] : expected)
    EXPECT_NE(lines[line].find(text), std::string::npos) << lines[line];
  EXPECT_EQ(Text(writer.path("History/users.00000004.dat")), FileBytes(kThird));
  EXPECT_EQ(writer.Verify().status, VerifyStatus::kClean);
}

// A writer that died before or after its move: verify tells which; the next
// save settles the record accordingly, and verify is clean again.
TEST(RecorderTest, DeadWritersRecordIsSettled) {
  const std::tuple<Writer::Stop, FileState, std::string, std::string> rows[] = {
      {Writer::kBeforeMove, FileState::kPendingNotInPlace, "not-committed", ""},
      {Writer::kAfterMove, FileState::kPendingInPlace, "committed-late", ""},
  };
  for (const auto& [stop, state, outcome, unused] : rows) {
    SCOPED_TRACE(outcome);
    Writer writer;
    ASSERT_TRUE(writer.Save(kFirst));
    writer.Save(kSecond, stop);
    const VerifyReport report = writer.Verify();
    EXPECT_EQ(report.status, VerifyStatus::kFound);
    EXPECT_EQ(report.files[0].state, state);
    EXPECT_EQ(report.files[0].seq, 2u);
    ASSERT_TRUE(writer.Save(kThird));
    const std::vector<std::string> lines = writer.Lines();
    EXPECT_NE(lines[3].find("{\"of\":2,\"outcome\":\"" + outcome + "\""), std::string::npos)
        << lines[3];
    EXPECT_EQ(writer.Verify().status, VerifyStatus::kClean) << writer.Verify().findings[0];
  }
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
    const std::vector<std::string> lines = writer.Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5].rfind("{\"seq\":3,", 0), 0u) << lines[5];
    const VerifyReport report = writer.Verify();
    EXPECT_EQ(report.findings, std::vector<std::string>{"line 5: not a trail line"});
    EXPECT_EQ(report.files[0].state, FileState::kAsRecorded);
  }
}

// history.ini keeps two generations: the older go, each with its line.
TEST(RecorderTest, OldestGenerationsGo) {
  Writer writer;
  std::filesystem::create_directory(writer.dir / "History");
  testing::WriteText(writer.path("History/history.ini"), "[History]\nKeepGenerations=2\n");
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

// A writer killed at each file operation of its save in turn (a child
// process ended at call N): verify names the content in place, and the next
// save leaves the history clean.
TEST(RecorderTest, KillLoop) {
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
  }
  EXPECT_GT(n, 20);  // the save was killed at each of its many calls
}
#endif

}  // namespace
}  // namespace warden::history
