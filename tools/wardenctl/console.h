// What differs between the systems at the tool's edge: arguments as UTF-8,
// the console, and paths as the user writes them.
#ifndef WARDEN_TOOLS_WARDENCTL_CONSOLE_H
#define WARDEN_TOOLS_WARDENCTL_CONSOLE_H

#include <functional>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace warden::ctl {

// The arguments after the program name, in UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
bool StdinIsTerminal();
// Turns the echo of what is typed on the terminal off or back on.
void SetEcho(bool on);

enum class PathKind { kNone, kDirectory, kOther };
// What a core path names.
PathKind KindOf(const std::u16string& core);

// Where standard output (`error`: standard error) is a Windows console: a
// buffer that writes there, as UTF-16 through the console. Null where the
// UTF-8 bytes go out as they are (a pipe, a file, any POSIX terminal).
std::unique_ptr<std::streambuf> ConsoleBuffer(bool error);

// Takes UTF-8 text and hands it on as UTF-16 in whole lines, several at a
// time once a block has filled; a flush hands on all there is but half a
// character. A sink that fails makes the stream bad.
class LineBuffer : public std::streambuf {
 public:
  using Sink = std::function<bool(const std::u16string&)>;
  explicit LineBuffer(Sink sink) : sink_(std::move(sink)) {}
  ~LineBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize size) override;
  int sync() override;

 private:
  bool HandOn(std::size_t size);
  std::string pending_;
  Sink sink_;
};

// A path as typed on the command line, in the core's form ('\' separators).
std::u16string CorePathFromArgument(const std::string& utf8);
// A core path as the user writes it.
std::string DisplayPath(const std::u16string& core);

}  // namespace warden::ctl

#endif
