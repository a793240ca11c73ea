#include "tests/support/fault_injection.h"

#include <set>

#include "platform/files.h"

namespace warden::testing {
namespace {

using platform::FileHandle;
using platform::FileOps;
using platform::SystemFiles;

struct State {
  int fail_at = 0;
  bool fired = false;
  std::set<FileOp> failing;
  std::vector<FileOp> calls;
};
State g_state;

// Records the call; true when it is to fail.
bool Fails(FileOp op) {
  g_state.calls.push_back(op);
  if (g_state.failing.count(op) ||
      (g_state.fail_at > 0 && static_cast<int>(g_state.calls.size()) == g_state.fail_at)) {
    g_state.fired = true;
    return true;
  }
  return false;
}

// The system's call, or `failed` without calling it.
template <FileOp op, auto member, auto failed, typename... Args>
auto Counted(Args... args) -> decltype((SystemFiles().*member)(args...)) {
  return Fails(op) ? failed : (SystemFiles().*member)(args...);
}

bool Read(FileHandle f, void* b, std::size_t n, std::size_t* got) {
  *got = 0;
  return !Fails(FileOp::kRead) && SystemFiles().read(f, b, n, got);
}
bool Close(FileHandle f) {  // closes even when it reports failure: nothing leaks
  const bool fail = Fails(FileOp::kClose);
  return SystemFiles().close(f) && !fail;
}
bool Size(FileHandle f, std::uint64_t* bytes) {
  *bytes = 0;
  return !Fails(FileOp::kSize) && SystemFiles().size(f, bytes);
}

}  // namespace

const char* FileOpName(FileOp op) {
  static const char* const kNames[] = {"exists", "open_read", "open_write", "read",
                                       "write",  "flush",     "close",      "copy",
                                       "remove", "rename",    "replace",    "size"};
  return kNames[static_cast<int>(op)];
}

FaultInjector::FaultInjector() {
  g_state = State{};
  platform::Files() =
      FileOps{Counted<FileOp::kExists, &FileOps::exists, false>,
              Counted<FileOp::kOpenRead, &FileOps::open_read, platform::kInvalidFile>,
              Counted<FileOp::kOpenWrite, &FileOps::open_write, platform::kInvalidFile>,
              Read,
              Counted<FileOp::kWrite, &FileOps::write, false>,
              Counted<FileOp::kFlush, &FileOps::flush, false>,
              Close,
              Counted<FileOp::kCopy, &FileOps::copy, false>,
              Counted<FileOp::kRemove, &FileOps::remove, false>,
              Counted<FileOp::kRename, &FileOps::rename, false>,
              Counted<FileOp::kReplace, &FileOps::replace, false>,
              Size};
}

FaultInjector::~FaultInjector() {
  platform::Files() = SystemFiles();
  g_state = State{};
}

void FaultInjector::FailNth(int n) {
  Reset();
  g_state.fail_at = n;
}

void FaultInjector::FailEvery(FileOp op) { g_state.failing.insert(op); }

const std::vector<FileOp>& FaultInjector::calls() const { return g_state.calls; }

bool FaultInjector::fired() const { return g_state.fired; }

void FaultInjector::Reset() { g_state = State{}; }

}  // namespace warden::testing
