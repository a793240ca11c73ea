#include "storage/archive.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/little_endian.h"
#include "platform/text.h"

namespace warden {
namespace {

// Larger than the classic 4096 bytes: a full account file is tens of
// megabytes, and each refill is one system call.
constexpr std::size_t kBufferSize = 64 * 1024;

constexpr std::uint8_t kByteEscape = 0xFF;
constexpr std::uint16_t kWideMark = 0xFFFE;
constexpr std::uint16_t kWordEscape = 0xFFFF;
constexpr std::uint32_t kDwordEscape = 0xFFFFFFFF;

using platform::LoadU16;
using platform::LoadU32;
using platform::StoreU16;
using platform::StoreU32;

}  // namespace

Archive::Archive(bool loading, platform::File* file, std::vector<std::uint8_t>* sink)
    : loading_(loading), file_(file), sink_(sink) {}

Archive Archive::Reading(platform::File& file) {
  Archive archive(true, &file, nullptr);
  std::uint64_t size = 0;
  if (!file.Size(&size)) {
    archive.Fail(ArchiveError::kFileError);
    return archive;
  }
  archive.unread_ = size;
  try {
    archive.buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, kBufferSize)));
  } catch (const std::bad_alloc&) {
    archive.Fail(ArchiveError::kOutOfMemory);
  }
  archive.pos_ = archive.end_ = archive.buffer_.data();
  return archive;
}

Archive Archive::Reading(const std::uint8_t* data, std::size_t size) {
  Archive archive(true, nullptr, nullptr);
  archive.pos_ = data;
  archive.end_ = data + size;
  return archive;
}

Archive Archive::Writing(platform::File& file) {
  Archive archive(false, &file, nullptr);
  try {
    archive.buffer_.resize(kBufferSize);
  } catch (const std::bad_alloc&) {
    archive.Fail(ArchiveError::kOutOfMemory);
  }
  return archive;
}

Archive Archive::Writing(std::vector<std::uint8_t>& sink) { return Archive(false, nullptr, &sink); }

bool Archive::Fail(ArchiveError error) {
  if (error_ == ArchiveError::kNone) error_ = error;
  return false;
}

bool Archive::CanRead() {
  if (!ok()) return false;
  return loading_ || Fail(ArchiveError::kWrongDirection);
}

bool Archive::CanWrite() {
  if (!ok()) return false;
  return !loading_ || Fail(ArchiveError::kWrongDirection);
}

bool Archive::Need(std::size_t count) {
  const std::size_t buffered = static_cast<std::size_t>(end_ - pos_);
  if (buffered >= count) return true;
  if (count > Remaining()) return Fail(ArchiveError::kEndOfFile);
  // Only a file-backed archive has unread bytes; slide the rest to the front.
  std::memmove(buffer_.data(), pos_, buffered);
  std::size_t have = buffered;
  while (have < count) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - have, unread_));
    std::size_t got = 0;
    if (!file_->Read(buffer_.data() + have, want, &got)) return Fail(ArchiveError::kFileError);
    // The file shrank since its size was taken.
    if (got == 0) return Fail(ArchiveError::kEndOfFile);
    have += got;
    unread_ -= std::min<std::uint64_t>(got, unread_);
  }
  pos_ = buffer_.data();
  end_ = pos_ + have;
  return true;
}

bool Archive::Require(std::uint64_t bytes) {
  if (!CanRead()) return false;
  return bytes <= Remaining() || Fail(ArchiveError::kEndOfFile);
}

bool Archive::ReadExact(void* buffer, std::size_t size) {
  if (size > Remaining()) return Fail(ArchiveError::kEndOfFile);
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (size > 0) {
    if (pos_ == end_ && !Need(1)) return false;
    const std::size_t chunk = std::min<std::size_t>(size, static_cast<std::size_t>(end_ - pos_));
    std::memcpy(out, pos_, chunk);
    pos_ += chunk;
    out += chunk;
    size -= chunk;
  }
  return true;
}

bool Archive::ReadBytes(void* buffer, std::size_t size) {
  return CanRead() && ReadExact(buffer, size);
}

bool Archive::ReadU8(std::uint8_t* value) {
  if (!CanRead() || !Need(1)) return false;
  *value = *pos_++;
  return true;
}

bool Archive::ReadU16(std::uint16_t* value) {
  if (!CanRead() || !Need(2)) return false;
  *value = LoadU16(pos_);
  pos_ += 2;
  return true;
}

bool Archive::ReadI16(std::int16_t* value) {
  std::uint16_t raw = 0;
  if (!ReadU16(&raw)) return false;
  *value = static_cast<std::int16_t>(raw);
  return true;
}

bool Archive::ReadU32(std::uint32_t* value) {
  if (!CanRead() || !Need(4)) return false;
  *value = LoadU32(pos_);
  pos_ += 4;
  return true;
}

bool Archive::ReadI32(std::int32_t* value) {
  std::uint32_t raw = 0;
  if (!ReadU32(&raw)) return false;
  *value = static_cast<std::int32_t>(raw);
  return true;
}

bool Archive::ReadFloat(float* value) {
  std::uint32_t raw = 0;
  if (!ReadU32(&raw)) return false;
  std::memcpy(value, &raw, sizeof raw);
  return true;
}

bool Archive::ReadBlock(void* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  if (!CanRead()) return false;
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, Remaining()));
  if (!ReadExact(buffer, take)) return false;
  *got = take;
  return true;
}

// Length prefixes: a byte below FF is a narrow length; FF FFFE marks a wide
// text whose length follows in the same escalating byte/word/dword form.
bool Archive::ReadLength(bool* wide, std::uint64_t* length) {
  *wide = false;
  std::uint8_t byte = 0;
  if (!ReadU8(&byte)) return false;
  if (byte < kByteEscape) {
    *length = byte;
    return true;
  }
  std::uint16_t word = 0;
  if (!ReadU16(&word)) return false;
  if (word == kWideMark) {
    *wide = true;
    if (!ReadU8(&byte)) return false;
    if (byte < kByteEscape) {
      *length = byte;
      return true;
    }
    if (!ReadU16(&word)) return false;
  }
  if (word < kWordEscape) {
    *length = word;
    return true;
  }
  std::uint32_t dword = 0;
  if (!ReadU32(&dword)) return false;
  if (dword < kDwordEscape) {
    *length = dword;
    return true;
  }
  // A 64-bit length; no file of ours has one, but it is read as a length.
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  if (!ReadU32(&low) || !ReadU32(&high)) return false;
  *length = (static_cast<std::uint64_t>(high) << 32) | low;
  return true;
}

bool Archive::ReadText(std::u16string* text) {
  if (ReadTextInto(text)) return true;
  text->clear();
  return false;
}

// Reuses `text`'s storage: a scratch string of the same length is not refilled.
bool Archive::ReadTextInto(std::u16string* text) {
  bool wide = false;
  std::uint64_t length = 0;
  if (!CanRead() || !ReadLength(&wide, &length)) return false;
  // Checked before allocating: a damaged prefix must not reserve gigabytes.
  if (length > Remaining() || (wide && length * 2 > Remaining())) {
    return Fail(ArchiveError::kEndOfFile);
  }
  const std::size_t units = static_cast<std::size_t>(length);
  try {
    if (!wide) {
      std::string narrow(units, '\0');
      if (!ReadExact(narrow.data(), units)) return false;
      *text = platform::FromAnsi(narrow);
      return true;
    }
    text->resize(units);
  } catch (const std::bad_alloc&) {
    return Fail(ArchiveError::kOutOfMemory);
  }
  char16_t* out = text->data();
  std::size_t left = units;
  while (left > 0) {
    if (!Need(2)) return false;
    const std::size_t chunk =
        std::min<std::size_t>(left, static_cast<std::size_t>(end_ - pos_) / 2);
    for (std::size_t i = 0; i < chunk; ++i) out[i] = static_cast<char16_t>(LoadU16(pos_ + 2 * i));
    pos_ += 2 * chunk;
    out += chunk;
    left -= chunk;
  }
  return true;
}

std::uint8_t* Archive::Room(std::size_t count) {
  if (!CanWrite()) return nullptr;
  if (sink_ != nullptr) {
    try {
      const std::size_t used = sink_->size();
      sink_->resize(used + count);
      return sink_->data() + used;
    } catch (const std::bad_alloc&) {
      Fail(ArchiveError::kOutOfMemory);
      return nullptr;
    }
  }
  if (kBufferSize - used_ < count && !Flush()) return nullptr;
  std::uint8_t* at = buffer_.data() + used_;
  used_ += count;
  return at;
}

bool Archive::WriteBytes(const void* data, std::size_t size) {
  const auto* in = static_cast<const std::uint8_t*>(data);
  do {
    const std::size_t chunk = std::min(size, kBufferSize);
    std::uint8_t* at = Room(chunk);
    if (at == nullptr) return false;
    std::memcpy(at, in, chunk);
    in += chunk;
    size -= chunk;
  } while (size > 0);
  return true;
}

bool Archive::WriteU16(std::uint16_t value) {
  std::uint8_t bytes[2];
  StoreU16(bytes, value);
  return WriteBytes(bytes, sizeof bytes);
}

bool Archive::WriteI16(std::int16_t value) { return WriteU16(static_cast<std::uint16_t>(value)); }

bool Archive::WriteU32(std::uint32_t value) {
  std::uint8_t bytes[4];
  StoreU32(bytes, value);
  return WriteBytes(bytes, sizeof bytes);
}

bool Archive::WriteI32(std::int32_t value) { return WriteU32(static_cast<std::uint32_t>(value)); }

bool Archive::WriteFloat(float value) {
  std::uint32_t raw = 0;
  std::memcpy(&raw, &value, sizeof raw);
  return WriteU32(raw);
}

bool Archive::WriteBlock(const void* data, std::size_t size) { return WriteBytes(data, size); }

bool Archive::WriteText(std::u16string_view text) {
  if (!CanWrite()) return false;
  const std::uint64_t n = text.size();
  if (n >= kDwordEscape) return Fail(ArchiveError::kTooLong);
  std::uint8_t prefix[10] = {kByteEscape};
  StoreU16(prefix + 1, kWideMark);
  std::size_t used = 3;
  if (n < kByteEscape) {
    prefix[used++] = static_cast<std::uint8_t>(n);
  } else if (n < kWideMark) {
    prefix[used++] = kByteEscape;
    StoreU16(prefix + used, static_cast<std::uint16_t>(n));
    used += 2;
  } else {
    prefix[used++] = kByteEscape;
    StoreU16(prefix + used, kWordEscape);
    StoreU32(prefix + used + 2, static_cast<std::uint32_t>(n));
    used += 6;
  }
  if (!WriteBytes(prefix, used)) return false;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t units = std::min<std::size_t>(text.size() - i, kBufferSize / 2);
    std::uint8_t* at = Room(2 * units);
    if (at == nullptr) return false;
    for (std::size_t k = 0; k < units; ++k) StoreU16(at + 2 * k, text[i + k]);
    i += units;
  }
  return true;
}

bool Archive::Flush() {
  if (!CanWrite()) return false;
  if (file_ == nullptr || used_ == 0) return true;
  const std::size_t used = used_;
  used_ = 0;
  return file_->Write(buffer_.data(), used) || Fail(ArchiveError::kFileError);
}

}  // namespace warden
