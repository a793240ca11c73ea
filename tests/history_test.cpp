// The history: trail lines pinned by tests/data/trail.jsonl, what a diff
// says, and the verifier against every kind of damage to the trail, the
// generations and the data files.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "history/event_report.h"
#include "history/history_files.h"
#include "history/retention.h"
#include "history/table_diff.h"
#include "history/timestamp.h"
#include "history/trail_file.h"
#include "history/trail_writer.h"
#include "history/verifier.h"
#include "platform/digest.h"
#include "tests/support/built_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trail_lines.h"

namespace warden::history {
namespace {

using testing::Drop;
using testing::FileText;
using testing::Outcome;
using testing::Record;
using testing::TempDir;

std::string DigestText(const std::string& bytes) {
  platform::Sha256Digest digest{};
  EXPECT_TRUE(platform::DigestOf(bytes.data(), bytes.size(), &digest));
  return platform::ToHex(digest);
}

AccountRecord User(std::u16string name, std::u16string group, std::u16string password,
                   std::int16_t priority, ZoneFlags zones = {}) {
  return {kTypeUser, zones, group, name, password, {}, priority, 0, {}};
}

AccountRecord Group(std::u16string name, std::u16string comment = {}) {
  return {kTypeGroup, {}, name, {}, {}, {}, 0, 0, comment};
}

ZoneFlags Zones(std::initializer_list<std::pair<int, std::int16_t>> flags) {
  ZoneFlags zones{};
  for (const auto& [zone, flag] : flags) zones[zone] = flag;
  return zones;
}

// The lines of tests/data/trail.jsonl: a creation, a save with every kind of
// account change (a rename among them) that failed, a zone rename, a drop and
// a change made outside Warden.
std::vector<TrailLine> GoldenLines() {
  const std::vector<AccountRecord> first = {
      Group(u"Plant", u"crew"), User(u"anna", u"Plant", u"pw", 10, Zones({{1, 1}, {2, 1}, {3, 1}})),
      User(u"bob", u"Plant", u"", 5), User(u"carl", u"", u"x\"y", 1)};
  const std::vector<AccountRecord> second = {
      Group(u"Plant", u"crew, night"),
      User(u"anna", u"Plant", u"new", 20, Zones({{1, 1}, {3, 1}, {6, -1}})),
      User(u"robert", u"Plant", u"pw", 5), User(u"dora", u"Plant", u"", 0)};
  ZoneNames zones_before, zones_after;
  zones_after[5] = u"Boiler \u9505\u7089";
  std::vector<TrailLine> lines = {
      Record(1, "users.dat", "create", DiffAccounts({}, first), std::nullopt, DigestText("one")),
      Outcome(1, kCommitted),
      Record(2, "users.dat", "save", DiffAccounts(first, second, RenameHint{u"bob", u"robert"}),
             DigestText("one"), DigestText("two")),
      Outcome(2, kFailed),
      Record(3, "section.dat", "save", DiffZones(zones_before, zones_after), DigestText("z"),
             DigestText("z2")),
      Outcome(3, kCommitted),
      Drop("users.00000002.dat", -330),
      Record(4, "users.dat", "outside-change", "[]", DigestText("one"), DigestText("three")),
      Outcome(4, kCommittedLate)};
  lines[2].user.reset(), lines[4].front_end = "cli";
  lines[7].front_end = "outside", lines[7].user.reset(), lines[7].generation.reset();
  return lines;
}

// Written through the writer (which makes History\ and chains each line),
// the lines are the golden file's bytes, and each reads back as itself.
TEST(TrailTest, GoldenLines) {
  TempDir dir;
  TrailWriter writer(dir.core() + u"\\", kFirstPrev);
  for (TrailLine line : GoldenLines()) ASSERT_TRUE(writer.Append(line));
  const std::string written = FileText(dir / "History" / "trail.jsonl");
  EXPECT_EQ(written, FileText(testing::TestDataFile("trail.jsonl")));
  const TrailLines split = SplitLines(written);
  ASSERT_EQ(split.lines.size(), GoldenLines().size());
  EXPECT_FALSE(split.cut_off);
  for (std::string_view text : split.lines) {
    const std::optional<TrailLine> line = ParseLine(text);
    ASSERT_TRUE(line) << text;
    EXPECT_EQ(FormatLine(*line), text);
  }
  EXPECT_EQ(ParseLine(split.lines[1])->prev, LineHash(split.lines[0]));
}

// Lines a hand or a fault could leave: each refused, none followed to a file.
TEST(TrailTest, MalformedLinesRefused) {
  TrailLine record = GoldenLines()[2], outcome_line = Outcome(3, kCommitted);
  record.prev = outcome_line.prev = kFirstPrev;
  const std::string good = FormatLine(record), outcome = FormatLine(outcome_line);
  ASSERT_TRUE(ParseLine(good) && ParseLine(outcome));
  const auto with = [&good](std::string_view from, std::string_view to) {
    std::string text = good;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const std::string rows[] = {
      with("\"seq\":2", "\"seq\":0"),
      with("\"seq\":2", "\"seq\":2.0"),
      with("\"seq\":2", "\"seq\":18446744073709551616"),
      with("\"seq\":2,", "\"seq\":2,\"seq\":3,"),
      with("users.00000002.dat", "..\\\\users.dat"),
      with("users.00000002.dat", "users.00000003.dat"),
      with("\"front_end\":\"dialog\"", "\"front_end\":\"host\""),
      with("\"action\":\"save\"", "\"action\":\"\""),
      with(".125Z", ".125"),
      with("\"changes\":[", "\"changes\":{\"a\":["),
      with("\"after\":\"", "\"after\":\"0"),
      good.substr(0, good.size() - 3) + "G\"}",
      with("\"machine\":\"PLANT-HMI-01\"", "\"machine\":\"a\tb\""),
      good + " x",
      good.substr(0, good.size() - 1),
      with("\"changes\":[", "\"changes\":[" + std::string(40, '[') + std::string(40, ']') + ","),
      outcome.substr(0, outcome.find(",\"outcome\"")) + ",\"seq\":3" +
          outcome.substr(outcome.find(",\"outcome\"")),
      std::string("{\"of\":3,\"outcome\":\"done\",\"prev\":\"") + kFirstPrev + "\"}",
      std::string("{\"dropped\":\"trail.jsonl\",\"time\":\"1970-01-01T00:00:00.000Z\","
                  "\"offset\":\"+00:00\",\"prev\":\"") +
          kFirstPrev + "\"}",
  };
  for (const std::string& row : rows) EXPECT_FALSE(ParseLine(row)) << row;
  // Unknown members are passed over, white space too; escapes are read as what
  // they stand for.
  const std::optional<TrailLine> line =
      ParseLine(with("\"machine\":\"PLANT-HMI-01\"",
                     "\"new\" : [ { } ] ,\r\n\t\"machine\":\"\\ud83d\\ude00\\u00e9\\n\""));
  ASSERT_TRUE(line);
  EXPECT_EQ(line->machine, "\xF0\x9F\x98\x80\xC3\xA9\n");
}

// Rows: before, after, the writer's rename, the changes.
TEST(TableDiffTest, Changes) {
  using Table = std::vector<AccountRecord>;
  AccountRecord odd = Group(u"odd");
  odd.type = 7;
  AccountRecord odd_changed = odd;
  odd_changed.sectionid[63] = 1;
  const AccountRecord anna = User(u"anna", u"G", u"", 1);
  AccountRecord anna_comment = anna;
  anna_comment.usercomment = u"c";
  anna_comment.groupcomment = u"not stored for a user";
  const std::tuple<Table, Table, std::optional<RenameHint>, std::string> rows[] = {
      {{anna}, {anna}, std::nullopt, "[]"},
      // a field the file does not keep for a user is no change
      {{anna},
       {anna_comment},
       std::nullopt,
       R"([{"op":"changed","account":"anna","type":"user","fields":{"comment":["","c"]}}])"},
      // a hint that does not fit (the new name was there) is not taken
      {{anna, User(u"bea", u"G", u"", 1)},
       {User(u"bea", u"G", u"", 1)},
       RenameHint{u"anna", u"bea"},
       R"([{"op":"deleted","account":"anna","type":"user","fields":{"group":"G","comment":"","timeout":0,"priority":1,"zones":""}}])"},
      // a group's rename carries its users, each a change of group
      {{Group(u"G"), anna},
       {Group(u"H"), User(u"anna", u"H", u"", 1)},
       RenameHint{u"G", u"H"},
       R"([{"op":"changed","account":"H","type":"group","renamed_from":"G","fields":{}},)"
       R"({"op":"changed","account":"anna","type":"user","fields":{"group":["G","H"]}}])"},
      // a user and a group of one name are two accounts; twins pair in order
      {{Group(u"anna"), anna, anna},
       {anna, User(u"anna", u"G", u"pw", 1)},
       std::nullopt,
       R"([{"op":"changed","account":"anna","type":"user","fields":{"password":"set"}},)"
       R"({"op":"deleted","account":"anna","type":"group","fields":{"comment":"","zones":""}}])"},
      {{User(u"anna", u"G", u"pw", 1)},
       {anna},
       std::nullopt,
       R"([{"op":"changed","account":"anna","type":"user","fields":{"password":"cleared"}}])"},
      // records of other types by their place among such records
      {{odd, anna},
       {anna, odd_changed, odd},
       std::nullopt,
       R"([{"op":"changed","record":0,"type":7,"fields":{"zones":["","63"]}},)"
       R"({"op":"added","record":1,"type":7,"fields":{"type":7,"group":"odd","zones":""}}])"},
  };
  for (const auto& [before, after, rename, changes] : rows) {
    EXPECT_EQ(DiffAccounts(before, after, rename), changes);
  }
  EXPECT_EQ(ZoneSetText(Zones({{0, 1}, {1, 1}, {2, 1}, {4, 1}, {5, 2}, {62, 1}, {63, 1}})),
            "0-2,4,5:2,62-63");
}

// Rows: a text, the instant it names (none: refused), whether local.
TEST(TimestampTest, FormsAndBounds) {
  constexpr std::int64_t kDay = 86400000;
  const std::tuple<std::string, std::optional<std::int64_t>, bool> rows[] = {
      {"1970-01-01", 0, true},
      {"2024-02-29", 19782 * kDay, true},
      {"2023-02-29", std::nullopt, false},
      {"2024-13-01", std::nullopt, false},
      {"1969-12-31T23:59", -60000, true},
      {"2024-05-01T08:15:30.123Z", 19844 * kDay + 29730123, false},
      {"2024-05-01T08:15+08:00", 19844 * kDay + 900000, false},
      {"2024-05-01T08:15:30-05:30", 19844 * kDay + 29730000 + 19800000, false},
      {"2024-05-01T24:00", std::nullopt, false},
      {"2024-05-01T08:60", std::nullopt, false},
      {"2024-05-01 08:15", std::nullopt, false},
      {"2024-05-01T08:15Zx", std::nullopt, false},
  };
  for (const auto& [text, ms, local] : rows) {
    const std::optional<TimeBound> bound = ParseTimeBound(text);
    EXPECT_EQ(bound ? std::optional(bound->ms) : std::nullopt, ms) << text;
    EXPECT_EQ(bound && bound->local, local) << text;
  }
  for (std::int64_t ms : {0LL, -1LL, 951782400000LL, 253402300799999LL}) {
    EXPECT_EQ(ParseUtc(FormatUtc(ms)), ms) << FormatUtc(ms);
  }
  EXPECT_EQ(FormatUtc(-1), "1969-12-31T23:59:59.999Z");
  EXPECT_EQ(FormatOffset(-330) + FormatOffset(0), "-05:30+00:00");
}

// Each action and outcome has the event id of its message.
TEST(EventReportTest, IdsByActionAndOutcome) {
  const std::pair<std::string_view, std::uint32_t> records[] = {
      {"save", 100}, {"create", 101}, {"outside-change", 102}, {"restore", 103}};
  for (const auto& [action, id] : records) {
    EXPECT_EQ(EventFor(testing::Record(1, "users.dat", std::string(action), "[]", {}, ""), "").id,
              id);
  }
  const std::pair<std::string_view, std::uint32_t> outcomes[] = {{kCommitted, 105},
                                                                 {kCommittedLate, 106},
                                                                 {kFailed, 110},
                                                                 {kNotCommitted, 111},
                                                                 {kUnresolved, 112}};
  for (const auto& [outcome, id] : outcomes) {
    EXPECT_EQ(EventFor(testing::Outcome(1, outcome), "").id, id) << outcome;
  }
  EXPECT_EQ(EventFor(testing::Drop("users.00000001.dat"), "").id, 104u);
}

// The oldest go first, until both the count and the size fit.
TEST(RetentionTest, OldestGoUntilBothLimitsHold) {
  const std::vector<KeptGeneration> kept = {{"a", 50}, {"b", 10}, {"c", 30}, {"d", 40}};
  const std::tuple<std::uint64_t, std::uint64_t, std::vector<std::string>> rows[] = {
      {4, 130, {}}, {3, 1000, {"a"}}, {4, 79, {"a", "b"}}, {0, 1000, {"a", "b", "c", "d"}}};
  for (const auto& [count, bytes, dropped] : rows) {
    EXPECT_EQ(GenerationsToDrop(kept, {count, bytes}), dropped) << count << ' ' << bytes;
  }
}

// A history made by saves as the recorder makes them: the generation linked,
// the record, the move, the outcome.
class SavedHistory {
 public:
  SavedHistory() {
    Save("users.dat", "one");
    Save("section.dat", "zones");
    Save("users.dat", "two");
    Save("users.dat", "three");
  }
  std::u16string directory() const { return dir.core() + u"\\"; }
  std::filesystem::path trail() const { return dir / "History" / "trail.jsonl"; }

  // Writes `content` as `file` in a save of record `seq`; `move` and
  // `outcome` false leave it where the saving program died.
  void Save(const std::string& file, const std::string& content, bool move = true,
            bool outcome = true) {
    const std::filesystem::path path = dir / file;
    std::optional<std::string> before;
    if (std::filesystem::exists(path)) before = DigestText(FileText(path));
    TrailLine record = Record(++seq_, file, "save", "[]", before, DigestText(content));
    if (before) {
      std::filesystem::create_directories(dir / "History");
      std::filesystem::create_hard_link(path, dir / "History" / *record.generation);
    }
    TrailWriter writer(directory(), head_);  // closed again, as after each save
    ASSERT_TRUE(writer.Append(record));
    if (move) {
      testing::WriteText(dir / "new", content);
      std::filesystem::rename(dir / "new", path);
    }
    TrailLine end = Outcome(seq_, kCommitted);
    ASSERT_TRUE(!outcome || writer.Append(end));
    head_ = writer.head();
  }

  TempDir dir;

 private:
  std::string head_ = kFirstPrev;
  std::uint64_t seq_ = 0;
};

// Rows: what is done to a history of four saves (lines 1-8), the status,
// a finding it must hold, and what verify says users.dat is.
TEST(VerifyTest, FindsEveryDamage) {
  using Damage = std::function<void(SavedHistory&)>;
  const auto edit_lines = [](std::function<void(std::vector<std::string>&)> edit) {
    return [edit](SavedHistory& h) {
      std::vector<std::string> lines = testing::TrailFileLines(h.trail());
      edit(lines);
      std::string text;
      for (const std::string& line : lines) text += line + '\n';
      testing::WriteText(h.trail(), text);
    };
  };
  // Lines appended to the whole chain: pairing and order are checked on their own.
  const auto append = [](std::vector<TrailLine> lines) {
    return [lines](SavedHistory& h) {
      TrailWriter writer(h.directory(), LineHash(testing::TrailFileLines(h.trail()).back()));
      for (TrailLine line : lines) ASSERT_TRUE(writer.Append(line));
    };
  };
  const VerifyStatus kFound = VerifyStatus::kFound;
  const FileState kAsRecorded = FileState::kAsRecorded;
  const std::tuple<Damage, VerifyStatus, std::string, FileState> rows[] = {
      {[](SavedHistory&) {}, VerifyStatus::kClean, "", kAsRecorded},
      // A trail longer than one read: lines run across the read's pieces.
      {[](SavedHistory& h) {
         for (int i = 0; i < 150; ++i) h.Save("users.dat", std::to_string(i));
       },
       VerifyStatus::kClean, "", kAsRecorded},
      {edit_lines([](auto& lines) { lines[2][lines[2].find("HMI")] = 'h'; }), kFound,
       "line 4: prev does not match", kAsRecorded},
      {edit_lines([](auto& lines) { lines.erase(lines.begin() + 1); }), kFound,
       "line 2: prev does not match", kAsRecorded},
      {edit_lines([](auto& lines) { std::swap(lines[4], lines[5]); }), kFound,
       "line 5: prev does not match", kAsRecorded},
      {[](SavedHistory& h) {
         const std::string text = FileText(h.trail());
         testing::WriteText(h.trail(), text.substr(0, text.size() - 20));
       },
       kFound, "line 8: cut off", FileState::kPendingInPlace},
      {edit_lines([](auto& lines) { lines.resize(6); }), kFound,
       "users.dat: changed since record 3", FileState::kChangedOutside},
      {[](SavedHistory& h) { std::filesystem::remove(h.dir / "History" / "users.00000003.dat"); },
       kFound, "generation users.00000003.dat of record 3 is missing", kAsRecorded},
      {[](SavedHistory& h) { testing::WriteText(h.dir / "History" / "users.00000004.dat", "x"); },
       kFound, "generation users.00000004.dat does not hold", kAsRecorded},
      {[](SavedHistory& h) { testing::WriteText(h.dir / "users.dat", "x"); }, kFound,
       "users.dat: changed since record 4", FileState::kChangedOutside},
      {[](SavedHistory& h) { h.Save("users.dat", "four", true, false); }, kFound,
       "record 5 has no outcome; its new content is in place", FileState::kPendingInPlace},
      {[](SavedHistory& h) { h.Save("users.dat", "four", false, false); }, kFound,
       "record 5 has no outcome; its new content is not in place", FileState::kPendingNotInPlace},
      {[](SavedHistory& h) {
         h.Save("users.dat", "four", false, false);
         h.Save("users.dat", "five");
       },
       kFound, "record 5 has no outcome, yet later saves", kAsRecorded},
      {append({Outcome(4, kCommitted)}), kFound, "line 9: a second outcome of record 4",
       kAsRecorded},
      {append({Outcome(9, kFailed)}), kFound,
       "line 9: outcome of record 9, which no line before has", kAsRecorded},
      {append({Record(2, "section.dat", "save", "[]", std::nullopt, DigestText("x"))}), kFound,
       "line 9: record 2 does not follow record 4", kAsRecorded},
      {append({Drop("users.00000004.dat"), Drop("users.00000004.dat")}), kFound,
       "line 10: drops users.00000004.dat, which no record before keeps", kAsRecorded},
      {[](SavedHistory& h) { std::filesystem::remove(h.dir / "users.dat"); }, kFound,
       "users.dat: missing", FileState::kMissing},
      {[](SavedHistory& h) { std::filesystem::remove(h.trail()); }, kFound,
       "trail.jsonl is missing", FileState::kUnrecorded},
      {[](SavedHistory& h) { std::filesystem::remove_all(h.dir / "History"); },
       VerifyStatus::kUnreadable, "no history is kept here", FileState::kUnrecorded},
  };
  for (const auto& [damage, status, finding, users] : rows) {
    SCOPED_TRACE(finding);
    SavedHistory history;
    damage(history);
    const VerifyReport report = VerifyHistory(history.directory());
    EXPECT_EQ(report.status, status);
    std::string findings;
    for (const std::string& line : report.findings) findings += line + '\n';
    EXPECT_NE(findings.find(finding), std::string::npos) << findings;
    const FileState state = report.files.empty() ? FileState::kUnrecorded : report.files[0].state;
    EXPECT_EQ(state, users) << findings;
  }
}

}  // namespace
}  // namespace warden::history
