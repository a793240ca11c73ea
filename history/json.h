// The little JSON the trail needs: a writer of compact one-line values and a
// strict reader of them (integers only, nesting bounded), fast enough to walk
// a trail of a hundred thousand lines in well under a second.
#ifndef WARDEN_HISTORY_JSON_H
#define WARDEN_HISTORY_JSON_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace warden::history {

// Appends one value to a string. Texts are UTF-8 as given, with quotes,
// backslashes and control characters escaped: the value never holds a line
// break. The caller keeps keys and values in order; commas are its own work.
class JsonWriter {
 public:
  explicit JsonWriter(std::string* out) : out_(out) {}

  JsonWriter& BeginObject() { return Open('{'); }
  JsonWriter& EndObject() { return Close('}'); }
  JsonWriter& BeginArray() { return Open('['); }
  JsonWriter& EndArray() { return Close(']'); }
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view utf8);
  JsonWriter& String(std::u16string_view text);
  JsonWriter& Integer(std::int64_t value);
  JsonWriter& Unsigned(std::uint64_t value);
  JsonWriter& Null();
  // A value that is JSON already.
  JsonWriter& Raw(std::string_view json);

 private:
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);
  void BeforeValue();

  std::string* out_;
  bool need_comma_ = false;
};

// Reads values one after another from a text; the first fault makes every
// later read fail. Strict: no comments, no fractions, no trailing commas.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  // Calls `member(key)` for each member of the object at the cursor; the
  // callback reads the member's value (the key lasts until then) and returns
  // false to stop with a fault.
  template <typename Member>
  bool ReadObject(Member&& member);
  // Calls `item()` for each item of the array at the cursor; it reads the item.
  template <typename Item>
  bool ReadArray(Item&& item);

  bool ReadString(std::string* text);
  bool ReadInteger(std::int64_t* value);
  bool ReadUnsigned(std::uint64_t* value);
  // A text or null; null leaves `*text` empty.
  bool ReadOptionalString(std::optional<std::string>* text);
  bool SkipValue() { return Skip(0); }
  // The first character of the next value, not consumed; 0 at the end.
  char Peek();
  // True when only white space is left and nothing failed.
  bool AtEnd();
  bool failed() const { return failed_; }
  // The text of the value read since `start` (a position from position()).
  std::size_t position() const { return at_; }
  std::string_view Since(std::size_t start) const { return text_.substr(start, at_ - start); }

 private:
  bool Fail() { return failed_ = true, false; }
  bool Take(char c);
  bool Literal(std::string_view word);
  bool Skip(int depth);
  bool ReadEscape(std::string* text);
  bool Open(char bracket);
  bool Next(char close, bool* first);

  std::string_view text_;
  std::size_t at_ = 0;
  bool failed_ = false;
  std::string key_;
};

template <typename Member>
bool JsonReader::ReadObject(Member&& member) {
  if (!Open('{')) return false;
  for (bool first = true; Next('}', &first);) {
    if (!ReadString(&key_) || !Take(':') || !member(std::string_view(key_))) return Fail();
  }
  return !failed_;
}

template <typename Item>
bool JsonReader::ReadArray(Item&& item) {
  if (!Open('[')) return false;
  for (bool first = true; Next(']', &first);) {
    if (!item()) return Fail();
  }
  return !failed_;
}

// A parsed value, for readers that want the whole of one.
struct JsonValue {
  enum class Kind { kNull, kBool, kInteger, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::int64_t integer = 0;
  std::string text;
  std::vector<JsonValue> items;   // an array's items, or an object's member values
  std::vector<std::string> keys;  // an object's member names, beside `items`

  // The member `key` of an object; null when missing or not an object.
  const JsonValue* Find(std::string_view key) const;
};

// The one value `text` holds, or none when it is not one strict JSON value.
std::optional<JsonValue> ParseJson(std::string_view text);

}  // namespace warden::history

#endif
