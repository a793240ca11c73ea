// A trail line as a hand or a damaged disk could leave it. Whatever the
// reader accepts must be written back as a line that reads as the same.
#include <cstdlib>
#include <string_view>

#include "history/json.h"
#include "history/trail_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  warden::history::ParseJson(text);
  const auto line = warden::history::ParseLine(text);
  if (!line) return 0;
  const std::string written = warden::history::FormatLine(*line);
  const auto again = warden::history::ParseLine(written);
  if (!again || warden::history::FormatLine(*again) != written) std::abort();
  return 0;
}
