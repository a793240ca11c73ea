#include "history/trail_line.h"

#include "history/history_files.h"
#include "history/json.h"
#include "history/timestamp.h"
#include "platform/digest.h"

namespace warden::history {
namespace {

// The members a line may have, as bits of what was seen.
enum Member : std::uint32_t {
  kSeq = 1 << 0,
  kTime = 1 << 1,
  kOffset = 1 << 2,
  kMachine = 1 << 3,
  kOsUser = 1 << 4,
  kProgram = 1 << 5,
  kUser = 1 << 6,
  kFrontEnd = 1 << 7,
  kFile = 1 << 8,
  kAction = 1 << 9,
  kChanges = 1 << 10,
  kBefore = 1 << 11,
  kAfter = 1 << 12,
  kGeneration = 1 << 13,
  kPrev = 1 << 14,
  kOf = 1 << 15,
  kOutcome = 1 << 16,
  kIdentity = 1 << 17,
  kDropped = 1 << 18,
};
constexpr std::uint32_t kRecordMembers = kSeq | kTime | kOffset | kMachine | kOsUser | kProgram |
                                         kUser | kFrontEnd | kFile | kAction | kChanges | kBefore |
                                         kAfter | kGeneration | kPrev;
constexpr std::uint32_t kOutcomeMembers = kOf | kOutcome | kPrev;  // identity may follow
constexpr std::uint32_t kDroppedMembers = kDropped | kTime | kOffset | kPrev;

bool OptionalDigest(const std::optional<std::string>& digest) {
  return !digest || IsDigestText(*digest);
}

void WriteIdentity(JsonWriter& json, const platform::FileIdentity& identity) {
  json.BeginObject()
      .Key("device")
      .Unsigned(identity.device)
      .Key("index")
      .Unsigned(identity.index)
      .Key("size")
      .Unsigned(identity.size)
      .Key("modified")
      .Integer(identity.modified)
      .Key("changed")
      .Integer(identity.changed)
      .EndObject();
}

bool ReadIdentity(JsonReader& json, platform::FileIdentity* identity) {
  int seen = 0;
  const bool read = json.ReadObject([&](std::string_view key) {
    ++seen;
    if (key == "device") return json.ReadUnsigned(&identity->device);
    if (key == "index") return json.ReadUnsigned(&identity->index);
    if (key == "size") return json.ReadUnsigned(&identity->size);
    if (key == "modified") return json.ReadInteger(&identity->modified);
    if (key == "changed") return json.ReadInteger(&identity->changed);
    --seen;
    return json.SkipValue();
  });
  return read && seen == 5;
}

bool ReadProgram(JsonReader& json, TrailLine* line) {
  int seen = 0;
  const bool read = json.ReadObject([&](std::string_view key) {
    ++seen;
    if (key == "image") return json.ReadString(&line->image);
    if (key == "pid") return json.ReadUnsigned(&line->pid);
    --seen;
    return json.SkipValue();
  });
  return read && seen == 2;
}

// Reads the value of member `key` into `line`; `*seen` gets its bit.
bool ReadMember(JsonReader& json, std::string_view key, TrailLine* line, std::uint32_t* seen) {
  const auto mark = [seen](Member member) {
    const bool twice = (*seen & member) != 0;
    *seen |= member;
    return !twice;
  };
  if (key == "seq") return mark(kSeq) && json.ReadUnsigned(&line->seq);
  if (key == "time") return mark(kTime) && json.ReadString(&line->time);
  if (key == "offset") return mark(kOffset) && json.ReadString(&line->offset);
  if (key == "machine") return mark(kMachine) && json.ReadString(&line->machine);
  if (key == "os_user") return mark(kOsUser) && json.ReadString(&line->os_user);
  if (key == "program") return mark(kProgram) && ReadProgram(json, line);
  if (key == "user") return mark(kUser) && json.ReadOptionalString(&line->user);
  if (key == "front_end") return mark(kFrontEnd) && json.ReadString(&line->front_end);
  if (key == "file") return mark(kFile) && json.ReadString(&line->file);
  if (key == "action") return mark(kAction) && json.ReadString(&line->action);
  if (key == "changes") {
    const std::size_t start = json.position();
    if (!mark(kChanges) || json.Peek() != '[' || !json.SkipValue()) return false;
    line->changes = std::string(json.Since(start));
    line->changes.erase(0, line->changes.find('['));
    return true;
  }
  if (key == "before") return mark(kBefore) && json.ReadOptionalString(&line->before);
  if (key == "after") return mark(kAfter) && json.ReadOptionalString(&line->after);
  if (key == "generation") return mark(kGeneration) && json.ReadOptionalString(&line->generation);
  if (key == "prev") return mark(kPrev) && json.ReadString(&line->prev);
  if (key == "of") return mark(kOf) && json.ReadUnsigned(&line->of);
  if (key == "outcome") return mark(kOutcome) && json.ReadString(&line->outcome);
  if (key == "identity") {
    return mark(kIdentity) && ReadIdentity(json, &line->identity.emplace());
  }
  if (key == "dropped") {
    line->generation.emplace();
    return mark(kDropped) && json.ReadString(&*line->generation);
  }
  return json.SkipValue();
}

bool ValidRecord(const TrailLine& line) {
  return line.seq > 0 && ParseUtc(line.time) && ParseOffset(line.offset) &&
         IsFrontEnd(line.front_end) && IsDataFileName(line.file) && IsAction(line.action) &&
         OptionalDigest(line.before) &&
         (line.after ? IsDigestText(*line.after) : line.action == "outside-change") &&
         (!line.generation || *line.generation == GenerationName(line.file, line.seq));
}

bool ValidDrop(const TrailLine& line) {
  return ParseUtc(line.time) && ParseOffset(line.offset) && ParseGenerationName(*line.generation);
}

}  // namespace

const std::string kFirstPrev(64, '0');

bool IsOutcome(std::string_view outcome) {
  return outcome == kCommitted || outcome == kFailed || outcome == kNotCommitted ||
         outcome == kCommittedLate || outcome == kUnresolved;
}

bool PutInPlace(std::string_view outcome) {
  return outcome == kCommitted || outcome == kCommittedLate;
}

bool IsFrontEnd(std::string_view front_end) {
  return front_end == "api" || front_end == "dialog" || front_end == "cli" ||
         front_end == "outside";
}

bool IsAction(std::string_view action) {
  return action == "save" || action == "create" || action == "outside-change" ||
         action == "restore";
}

bool IsDigestText(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::string LineHash(std::string_view line) {
  platform::Sha256Digest digest{};
  return platform::DigestOf(line.data(), line.size(), &digest) ? platform::ToHex(digest)
                                                               : std::string();
}

std::string FormatLine(const TrailLine& line) {
  std::string text;
  text.reserve(256 + line.changes.size());
  JsonWriter json(&text);
  json.BeginObject();
  const auto optional = [&json](std::string_view key, const std::optional<std::string>& value) {
    json.Key(key);
    value ? json.String(*value) : json.Null();
  };
  switch (line.kind) {
    case LineKind::kRecord:
      json.Key("seq").Unsigned(line.seq).Key("time").String(line.time);
      json.Key("offset").String(line.offset).Key("machine").String(line.machine);
      json.Key("os_user").String(line.os_user).Key("program").BeginObject();
      json.Key("image").String(line.image).Key("pid").Unsigned(line.pid).EndObject();
      optional("user", line.user);
      json.Key("front_end").String(line.front_end).Key("file").String(line.file);
      json.Key("action").String(line.action).Key("changes").Raw(line.changes);
      optional("before", line.before);
      optional("after", line.after);
      optional("generation", line.generation);
      break;
    case LineKind::kOutcome:
      json.Key("of").Unsigned(line.of).Key("outcome").String(line.outcome);
      if (line.identity) WriteIdentity(json.Key("identity"), *line.identity);
      break;
    case LineKind::kDropped:
      json.Key("dropped").String(line.generation.value_or(""));
      json.Key("time").String(line.time).Key("offset").String(line.offset);
      break;
  }
  json.Key("prev").String(line.prev).EndObject();
  return text;
}

std::optional<TrailLine> ParseLine(std::string_view text) {
  JsonReader json(text);
  TrailLine line;
  std::uint32_t seen = 0;
  if (!json.ReadObject([&](std::string_view key) { return ReadMember(json, key, &line, &seen); }) ||
      !json.AtEnd() || !IsDigestText(line.prev)) {
    return std::nullopt;
  }
  if ((seen & kRecordMembers) == kRecordMembers && !(seen & (kOf | kDropped))) {
    line.kind = LineKind::kRecord;
    if (ValidRecord(line)) return line;
  } else if ((seen & kOutcomeMembers) == kOutcomeMembers && !(seen & (kSeq | kDropped))) {
    line.kind = LineKind::kOutcome;
    if (IsOutcome(line.outcome)) return line;
  } else if ((seen & kDroppedMembers) == kDroppedMembers && !(seen & (kSeq | kOf))) {
    line.kind = LineKind::kDropped;
    if (ValidDrop(line)) return line;
  }
  return std::nullopt;
}

}  // namespace warden::history
