#include "tests/support/fault_injection.h"

#include <cstdlib>
#include <set>

#include "platform/files.h"

namespace warden::testing {
namespace {

using platform::FileHandle;
using platform::FileOps;
using platform::kInvalidFile;
using platform::SystemFiles;

struct State {
  int fail_at = 0;
  int kill_at = 0;
  bool persistent = false;  // every call from fail_at on fails
  bool fired = false;
  std::set<FileOp> failing;
  int calls = 0;  // since construction or the last FailNth
};
State g_state;

// Records the call; true when it is to fail.
bool Fails(FileOp op) {
  const int call = ++g_state.calls;
  if (call == g_state.kill_at) std::_Exit(kKilledExitCode);
  const bool fails = call == g_state.fail_at || g_state.failing.count(op) > 0 ||
                     (g_state.persistent && call > g_state.fail_at);
  g_state.fired = g_state.fired || fails;
  return fails;
}

// The system's call, or `failed` without calling it.
template <auto member, auto failed, FileOp op = FileOp::kOther, typename... Args>
auto Counted(Args... args) -> decltype((SystemFiles().*member)(args...)) {
  return Fails(op) ? failed : (SystemFiles().*member)(args...);
}

bool Read(FileHandle f, void* b, std::size_t n, std::size_t* got) {
  *got = 0;
  return !Fails(FileOp::kOther) && SystemFiles().read(f, b, n, got);
}
bool Size(FileHandle f, std::uint64_t* bytes) {
  *bytes = 0;
  return !Fails(FileOp::kOther) && SystemFiles().size(f, bytes);
}
// Close and unlock release the file even when they report failure: nothing leaks.
template <auto member>
bool Release(FileHandle f) {
  const bool fail = Fails(FileOp::kOther);
  return (SystemFiles().*member)(f) && !fail;
}

}  // namespace

FaultInjector::FaultInjector() {
  g_state = State{};
  FileOps& ops = platform::Files();
  ops.exists = Counted<&FileOps::exists, false>;
  ops.open_read = Counted<&FileOps::open_read, kInvalidFile>;
  ops.open_read_appended = Counted<&FileOps::open_read_appended, kInvalidFile>;
  ops.create = Counted<&FileOps::create, kInvalidFile, FileOp::kCreate>;
  ops.read = Read;
  ops.write = Counted<&FileOps::write, false>;
  ops.flush = Counted<&FileOps::flush, false>;
  ops.close = Release<&FileOps::close>;
  ops.copy = Counted<&FileOps::copy, false>;
  ops.remove = Counted<&FileOps::remove, false>;
  ops.rename = Counted<&FileOps::rename, false>;
  ops.replace = Counted<&FileOps::replace, false>;
  ops.size = Size;
  ops.lock = Counted<&FileOps::lock, kInvalidFile, FileOp::kLock>;
  ops.unlock = Release<&FileOps::unlock>;
  ops.identity = Counted<&FileOps::identity, false>;
  ops.link = Counted<&FileOps::link, false>;
  ops.open_append = Counted<&FileOps::open_append, kInvalidFile>;
  ops.make_directory = Counted<&FileOps::make_directory, false>;
  ops.seek = Counted<&FileOps::seek, false>;
}

FaultInjector::~FaultInjector() {
  platform::Files() = SystemFiles();
  g_state = State{};
}

void FaultInjector::FailNth(int n) { g_state = State{}, g_state.fail_at = n; }
void FaultInjector::FailFrom(int n) { FailNth(n), g_state.persistent = true; }
void FaultInjector::KillAt(int n) { g_state = State{}, g_state.kill_at = n; }
void FaultInjector::FailEvery(FileOp op) { g_state.failing.insert(op); }

bool FaultInjector::fired() const { return g_state.fired; }

}  // namespace warden::testing
