// Makes chosen calls of the platform file table fail, SQLite-style: count
// the calls an operation makes, then fail the Nth one for N = 1, 2, ...,
// or every call from the Nth on, so that the clean-up after a failure meets
// a failure too. A failed close still closes the file, so nothing leaks.
#ifndef WARDEN_TESTS_SUPPORT_FAULT_INJECTION_H
#define WARDEN_TESTS_SUPPORT_FAULT_INJECTION_H

namespace warden::testing {

// The exit code of a process ended by KillAt.
constexpr int kKilledExitCode = 137;

// The operations a test fails by kind (FailEvery); the others count alike.
enum class FileOp { kCreate, kLock, kOther };

class FaultInjector {
 public:
  FaultInjector();   // installs the counting table
  ~FaultInjector();  // restores the system table
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  // Fails the Nth call counted from now on (1-based); 0 fails none.
  void FailNth(int n);
  // Fails the Nth call counted from now on and every call after it.
  void FailFrom(int n);
  // Fails every call of `op` from now on.
  void FailEvery(FileOp op);
  // Ends the process at once, as a kill would, at the Nth call from now on.
  void KillAt(int n);
  // Whether the injected failure has happened.
  bool fired() const;
};

}  // namespace warden::testing

#endif
