#include "history/trail_file.h"

#include "platform/digest.h"
#include "platform/files.h"

namespace warden::history {
namespace {

// Reads `path` in pieces, handing each to `take`, after telling `expect`
// how many bytes to expect.
template <typename Expect, typename Take>
ReadResult ReadPieces(const std::u16string& path, bool appended, Expect&& expect, Take&& take) {
  platform::File file =
      appended ? platform::File::OpenReadAppended(path) : platform::File::OpenRead(path);
  if (!file.IsOpen()) {
    return platform::Files().exists(path) ? ReadResult::kUnreadable : ReadResult::kMissing;
  }
  std::uint64_t size = 0;
  if (file.Size(&size)) expect(size);
  std::vector<char> buffer(1 << 16);
  for (std::size_t got = 0;;) {
    if (!file.Read(buffer.data(), buffer.size(), &got)) return ReadResult::kUnreadable;
    if (got == 0) return ReadResult::kOk;
    take(buffer.data(), got);
  }
}

}  // namespace

ReadResult ReadWholeFile(const std::u16string& path, std::string* bytes) {
  bytes->clear();
  return ReadPieces(
      path, true, [bytes](std::uint64_t size) { bytes->reserve(static_cast<std::size_t>(size)); },
      [bytes](const char* data, std::size_t size) { bytes->append(data, size); });
}

ReadResult DigestOfFile(const std::u16string& path, std::string* digest) {
  digest->clear();
  platform::Sha256 hasher;
  const ReadResult read = ReadPieces(
      path, false, [](std::uint64_t) {},
      [&hasher](const char* data, std::size_t size) { hasher.Update(data, size); });
  platform::Sha256Digest value{};
  if (read != ReadResult::kOk) return read;
  if (!hasher.Finish(&value)) return ReadResult::kUnreadable;
  *digest = platform::ToHex(value);
  return ReadResult::kOk;
}

ReadResult ReadLines(const std::u16string& path,
                     const std::function<void(std::string_view line, bool terminated)>& line) {
  std::string carried;
  const ReadResult read = ReadPieces(
      path, true, [](std::uint64_t) {},
      [&](const char* data, std::size_t size) {
        const std::string_view piece(data, size);
        std::size_t start = 0;
        for (std::size_t end; (end = piece.find('\n', start)) != std::string_view::npos;
             start = end + 1) {
          if (carried.empty()) {
            line(piece.substr(start, end - start), true);
          } else {
            line(carried.append(piece.substr(start, end - start)), true);
            carried.clear();
          }
        }
        carried.append(piece.substr(start));
      });
  if (read == ReadResult::kOk && !carried.empty()) line(carried, false);
  return read;
}

TrailLines SplitLines(std::string_view bytes) {
  TrailLines split;
  split.lines.reserve(bytes.size() / 256);
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) {
      split.lines.push_back(bytes.substr(start));
      split.cut_off = true;
      break;
    }
    split.lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return split;
}

}  // namespace warden::history
