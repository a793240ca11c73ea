#include "tests/support/fault_injection.h"

#include <set>

#include "platform/files.h"

namespace warden::testing {
namespace {

using platform::FileHandle;
using platform::Files;
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

bool Exists(const std::u16string& p) { return !Fails(FileOp::kExists) && SystemFiles().exists(p); }
FileHandle OpenRead(const std::u16string& p) {
  return Fails(FileOp::kOpenRead) ? platform::kInvalidFile : SystemFiles().open_read(p);
}
FileHandle OpenWrite(const std::u16string& p) {
  return Fails(FileOp::kOpenWrite) ? platform::kInvalidFile : SystemFiles().open_write(p);
}
bool Read(FileHandle f, void* b, std::size_t n, std::size_t* got) {
  *got = 0;
  return !Fails(FileOp::kRead) && SystemFiles().read(f, b, n, got);
}
bool Write(FileHandle f, const void* b, std::size_t n) {
  return !Fails(FileOp::kWrite) && SystemFiles().write(f, b, n);
}
bool Flush(FileHandle f) { return !Fails(FileOp::kFlush) && SystemFiles().flush(f); }
bool Close(FileHandle f) {
  const bool fail = Fails(FileOp::kClose);
  return SystemFiles().close(f) && !fail;
}
bool Copy(const std::u16string& a, const std::u16string& b) {
  return !Fails(FileOp::kCopy) && SystemFiles().copy(a, b);
}
bool Remove(const std::u16string& p) { return !Fails(FileOp::kRemove) && SystemFiles().remove(p); }
bool Rename(const std::u16string& a, const std::u16string& b) {
  return !Fails(FileOp::kRename) && SystemFiles().rename(a, b);
}
bool Replace(const std::u16string& a, const std::u16string& b) {
  return !Fails(FileOp::kReplace) && SystemFiles().replace(a, b);
}

bool Size(FileHandle f, std::uint64_t* bytes) {
  *bytes = 0;
  return !Fails(FileOp::kSize) && SystemFiles().size(f, bytes);
}

}  // namespace

const char* FileOpName(FileOp op) {
  static const char* const kNames[] = {"exists", "open_read", "open_write", "read",
                                       "write",  "flush",     "close",      "copy",
                                       "remove", "rename",    "replace",  "size"};
  return kNames[static_cast<int>(op)];
}

FaultInjector::FaultInjector() {
  g_state = State{};
  Files() = platform::FileOps{Exists, OpenRead, OpenWrite, Read,   Write,  Flush,
                              Close,  Copy,     Remove,    Rename, Replace, Size};
}

FaultInjector::~FaultInjector() {
  Files() = SystemFiles();
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
