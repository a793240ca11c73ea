// The archive encoding of users.dat and section.dat: little-endian words,
// floats, raw blocks and length-prefixed texts, read from or written to an
// open file (or memory) through a buffer.
//
// Failures are values: every call returns false once the archive has failed,
// and error() tells why. The first failure sticks.
#ifndef WARDEN_STORAGE_ARCHIVE_H
#define WARDEN_STORAGE_ARCHIVE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace warden {

enum class ArchiveError {
  kNone,
  kEndOfFile,       // a read past the end, or a length prefix beyond it
  kWrongDirection,  // a read on a writing archive or a write on a reading one
  kFileError,       // the file refused a read or write
  kOutOfMemory,
  kTooLong,  // a text too long for any length prefix
};

class Archive {
 public:
  // Reads `file` from its current position to its end.
  static Archive Reading(platform::File& file);
  // Reads `size` bytes at `data`, which must outlive the archive.
  static Archive Reading(const std::uint8_t* data, std::size_t size);
  // Writes to `file`; call Flush() before closing it.
  static Archive Writing(platform::File& file);
  // Appends to `sink`.
  static Archive Writing(std::vector<std::uint8_t>& sink);

  Archive(Archive&&) = default;
  Archive& operator=(Archive&&) = delete;
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool IsLoading() const { return loading_; }
  ArchiveError error() const { return error_; }
  bool ok() const { return error_ == ArchiveError::kNone; }

  [[nodiscard]] bool ReadU8(std::uint8_t* value);
  [[nodiscard]] bool ReadU16(std::uint16_t* value);
  [[nodiscard]] bool ReadI16(std::int16_t* value);
  [[nodiscard]] bool ReadU32(std::uint32_t* value);
  [[nodiscard]] bool ReadI32(std::int32_t* value);
  [[nodiscard]] bool ReadFloat(float* value);
  // A plain block read: copies up to `size` bytes and reports how many in
  // `*got`; a short read at the end of the data is not a failure.
  [[nodiscard]] bool ReadBlock(void* buffer, std::size_t size, std::size_t* got);
  // Exactly `size` bytes, or an end-of-file failure.
  [[nodiscard]] bool ReadBytes(void* buffer, std::size_t size);
  // Either form of archive text: wide, or narrow in the ANSI code page.
  [[nodiscard]] bool ReadText(std::u16string* text);

  [[nodiscard]] bool WriteU16(std::uint16_t value);
  [[nodiscard]] bool WriteI16(std::int16_t value);
  [[nodiscard]] bool WriteU32(std::uint32_t value);
  [[nodiscard]] bool WriteI32(std::int32_t value);
  [[nodiscard]] bool WriteFloat(float value);
  [[nodiscard]] bool WriteBlock(const void* data, std::size_t size);
  // Always the wide form.
  [[nodiscard]] bool WriteText(std::u16string_view text);

  // Writes out what is buffered (writing archives); true when all went.
  [[nodiscard]] bool Flush();

  // Fails as end of file, before anything is allocated for them, unless at
  // least `bytes` remain to be read.
  [[nodiscard]] bool Require(std::uint64_t bytes);

  // Bytes not yet read: buffered plus still in the file.
  std::uint64_t Remaining() const { return (end_ - pos_) + unread_; }

 private:
  Archive(bool loading, platform::File* file, std::vector<std::uint8_t>* sink);

  bool Fail(ArchiveError error);
  bool CanRead();
  bool CanWrite();
  // Makes `count` contiguous bytes available at pos_ (count <= buffer size).
  bool Need(std::size_t count);
  [[nodiscard]] bool ReadExact(void* buffer, std::size_t size);
  [[nodiscard]] bool ReadLength(bool* wide, std::uint64_t* length);
  [[nodiscard]] bool ReadTextInto(std::u16string* text);
  [[nodiscard]] bool WriteBytes(const void* data, std::size_t size);
  // Room for `count` more bytes (at most one buffer), or null after a failure.
  std::uint8_t* Room(std::size_t count);

  bool loading_;
  ArchiveError error_ = ArchiveError::kNone;
  platform::File* file_ = nullptr;
  std::vector<std::uint8_t>* sink_ = nullptr;
  std::vector<std::uint8_t> buffer_;
  const std::uint8_t* pos_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::uint64_t unread_ = 0;  // reading: bytes still in the file, past the buffer
  std::size_t used_ = 0;      // writing: bytes waiting in the buffer
};

}  // namespace warden

#endif
