#include "history/json.h"

#include "platform/text.h"

namespace warden::history {
namespace {

// Objects and arrays deeper than this are refused rather than followed.
constexpr int kMaxDepth = 32;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string* text, std::uint32_t code) {
  if (code < 0x80) {
    text->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    text->push_back(static_cast<char>(0xC0 | (code >> 6)));
    text->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    text->push_back(static_cast<char>(0xE0 | (code >> 12)));
    text->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    text->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    text->push_back(static_cast<char>(0xF0 | (code >> 18)));
    text->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    text->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    text->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

bool ParseValue(JsonReader& reader, JsonValue* value, int depth);

}  // namespace

JsonWriter& JsonWriter::Open(char bracket) {
  BeforeValue();
  out_->push_back(bracket);
  need_comma_ = false;
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  out_->push_back(bracket);
  need_comma_ = true;
  return *this;
}

void JsonWriter::BeforeValue() {
  if (need_comma_) out_->push_back(',');
  need_comma_ = true;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  String(key);
  out_->push_back(':');
  need_comma_ = false;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  BeforeValue();
  out_->push_back('"');
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out_->push_back('\\');
      out_->push_back(c);
    } else if (byte < 0x20) {
      out_->append("\\u00");
      out_->push_back(kHex[byte >> 4]);
      out_->push_back(kHex[byte & 15]);
    } else {
      out_->push_back(c);
    }
  }
  out_->push_back('"');
  return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view text) { return String(platform::ToUtf8(text)); }

JsonWriter& JsonWriter::Integer(std::int64_t value) {
  BeforeValue();
  out_->append(std::to_string(value));
  return *this;
}

JsonWriter& JsonWriter::Unsigned(std::uint64_t value) {
  BeforeValue();
  out_->append(std::to_string(value));
  return *this;
}

JsonWriter& JsonWriter::Null() { return Raw("null"); }

JsonWriter& JsonWriter::Raw(std::string_view json) {
  BeforeValue();
  out_->append(json);
  return *this;
}

char JsonReader::Peek() {
  while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
  return at_ < text_.size() ? text_[at_] : '\0';
}

bool JsonReader::Take(char c) {
  if (failed_ || Peek() != c) return Fail();
  ++at_;
  return true;
}

bool JsonReader::Literal(std::string_view word) {
  Peek();
  if (failed_ || text_.substr(at_, word.size()) != word) return Fail();
  at_ += word.size();
  return true;
}

bool JsonReader::Open(char bracket) { return Take(bracket); }

// Before each member or item: false (with the bracket consumed) at the end,
// a comma taken between two.
bool JsonReader::Next(char close, bool* first) {
  if (failed_) return false;
  const char c = Peek();
  if (c == close && *first) return ++at_, false;
  if (!*first) {
    if (c == close) return ++at_, false;
    if (!Take(',')) return false;
  } else if (c == '\0') {
    return Fail();
  }
  *first = false;
  return true;
}

bool JsonReader::ReadString(std::string* text) {
  text->clear();
  if (!Take('"')) return false;
  for (;;) {
    const std::size_t start = at_;
    while (at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\\' &&
           static_cast<unsigned char>(text_[at_]) >= 0x20) {
      ++at_;
    }
    text->append(text_.substr(start, at_ - start));
    if (at_ >= text_.size() || static_cast<unsigned char>(text_[at_]) < 0x20) return Fail();
    if (text_[at_++] == '"') return true;
    if (!ReadEscape(text)) return Fail();
  }
}

// After the backslash; \u with a surrogate pair makes one character.
bool JsonReader::ReadEscape(std::string* text) {
  if (at_ >= text_.size()) return false;
  const char c = text_[at_++];
  static constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
  if (const std::size_t simple = kFrom.find(c); simple != std::string_view::npos) {
    text->push_back(kTo[simple]);
    return true;
  }
  const auto unit = [this](std::uint32_t* code) {
    if (at_ + 4 > text_.size()) return false;
    *code = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = HexValue(text_[at_++]);
      if (digit < 0) return false;
      *code = *code * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  };
  std::uint32_t code = 0, low = 0;
  if (c != 'u' || !unit(&code)) return false;
  if (code >= 0xD800 && code < 0xDC00 && text_.substr(at_, 2) == "\\u") {
    const std::size_t mark = at_;
    at_ += 2;
    if (unit(&low) && low >= 0xDC00 && low < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else {
      at_ = mark;
    }
  }
  // A lone surrogate has no UTF-8 form.
  AppendUtf8(text, code >= 0xD800 && code < 0xE000 ? 0xFFFD : code);
  return true;
}

bool JsonReader::ReadUnsigned(std::uint64_t* value) {
  *value = 0;
  if (failed_) return false;
  const char first = Peek();
  if (first < '0' || first > '9') return Fail();
  for (; at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; ++at_) {
    const auto digit = static_cast<std::uint64_t>(text_[at_] - '0');
    if (*value > (UINT64_MAX - digit) / 10) return Fail();
    *value = *value * 10 + digit;
  }
  // Fractions and exponents have no place in the trail.
  if (at_ < text_.size() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E')) {
    return Fail();
  }
  return true;
}

bool JsonReader::ReadInteger(std::int64_t* value) {
  *value = 0;
  const bool negative = Peek() == '-';
  if (negative) ++at_;
  std::uint64_t magnitude = 0;
  if (!ReadUnsigned(&magnitude)) return false;
  if (magnitude > std::uint64_t{INT64_MAX} + (negative ? 1 : 0)) return Fail();
  *value =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

bool JsonReader::ReadOptionalString(std::optional<std::string>* text) {
  if (Peek() == 'n') {
    text->reset();
    return Literal("null");
  }
  return ReadString(&text->emplace());
}

bool JsonReader::Skip(int depth) {
  if (depth > kMaxDepth) return Fail();
  std::string ignored;
  std::int64_t number = 0;
  switch (Peek()) {
    case '{':
      return ReadObject([&](std::string_view) { return Skip(depth + 1); });
    case '[':
      return ReadArray([&] { return Skip(depth + 1); });
    case '"':
      return ReadString(&ignored);
    case 't':
      return Literal("true");
    case 'f':
      return Literal("false");
    case 'n':
      return Literal("null");
    default:
      return ReadInteger(&number);
  }
}

bool JsonReader::AtEnd() { return !failed_ && Peek() == '\0' && at_ == text_.size(); }

const JsonValue* JsonValue::Find(std::string_view key) const {
  if (kind != Kind::kObject) return nullptr;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == key) return &items[i];
  }
  return nullptr;
}

namespace {

bool ParseValue(JsonReader& reader, JsonValue* value, int depth) {
  if (depth > kMaxDepth) return false;
  const char first = reader.Peek();
  using Kind = JsonValue::Kind;
  switch (first) {
    case '{':
      value->kind = Kind::kObject;
      return reader.ReadObject([&](std::string_view key) {
        value->keys.emplace_back(key);
        return ParseValue(reader, &value->items.emplace_back(), depth + 1);
      });
    case '[':
      value->kind = Kind::kArray;
      return reader.ReadArray(
          [&] { return ParseValue(reader, &value->items.emplace_back(), depth + 1); });
    case '"':
      value->kind = Kind::kString;
      return reader.ReadString(&value->text);
    case 't':
    case 'f':
      value->kind = Kind::kBool;
      value->boolean = first == 't';
      return reader.SkipValue();
    case 'n':
      return reader.SkipValue();
    default:
      value->kind = Kind::kInteger;
      return reader.ReadInteger(&value->integer);
  }
}

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text) {
  JsonReader reader(text);
  JsonValue value;
  if (!ParseValue(reader, &value, 0) || !reader.AtEnd()) return std::nullopt;
  return value;
}

}  // namespace warden::history
