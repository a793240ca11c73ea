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
  bool persistent = false;  // every call from fail_at on fails
  bool fired = false;
  std::set<FileOp> failing;
  int calls = 0;  // since construction or the last FailNth
};
State g_state;

// Records the call; true when it is to fail.
bool Fails(FileOp op) {
  const int call = ++g_state.calls;
  const bool fails = call == g_state.fail_at || g_state.failing.count(op) > 0 ||
                     (g_state.persistent && call > g_state.fail_at);
  g_state.fired = g_state.fired || fails;
  return fails;
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
bool Size(FileHandle f, std::uint64_t* bytes) {
  *bytes = 0;
  return !Fails(FileOp::kSize) && SystemFiles().size(f, bytes);
}
// Close and unlock release the file even when they report failure: nothing leaks.
template <FileOp op, auto member>
bool Release(FileHandle f) {
  const bool fail = Fails(op);
  return (SystemFiles().*member)(f) && !fail;
}

}  // namespace

FaultInjector::FaultInjector() {
  g_state = State{};
  FileOps& ops = platform::Files();
  ops.exists = Counted<FileOp::kExists, &FileOps::exists, false>;
  ops.open_read = Counted<FileOp::kOpenRead, &FileOps::open_read, platform::kInvalidFile>;
  ops.create = Counted<FileOp::kCreate, &FileOps::create, platform::kInvalidFile>;
  ops.read = Read;
  ops.write = Counted<FileOp::kWrite, &FileOps::write, false>;
  ops.flush = Counted<FileOp::kFlush, &FileOps::flush, false>;
  ops.close = Release<FileOp::kClose, &FileOps::close>;
  ops.copy = Counted<FileOp::kCopy, &FileOps::copy, false>;
  ops.remove = Counted<FileOp::kRemove, &FileOps::remove, false>;
  ops.rename = Counted<FileOp::kRename, &FileOps::rename, false>;
  ops.replace = Counted<FileOp::kReplace, &FileOps::replace, false>;
  ops.size = Size;
  ops.lock = Counted<FileOp::kLock, &FileOps::lock, platform::kInvalidFile>;
  ops.unlock = Release<FileOp::kUnlock, &FileOps::unlock>;
}

FaultInjector::~FaultInjector() {
  platform::Files() = SystemFiles();
  g_state = State{};
}

void FaultInjector::FailNth(int n) {
  g_state = State{};
  g_state.fail_at = n;
}

void FaultInjector::FailFrom(int n) {
  FailNth(n);
  g_state.persistent = true;
}

void FaultInjector::FailEvery(FileOp op) { g_state.failing.insert(op); }

bool FaultInjector::fired() const { return g_state.fired; }

}  // namespace warden::testing
