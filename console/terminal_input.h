// Keys from the stream a person answers on. On a terminal the keys are read
// one by one while a RawMode lives (no echo, no line editing by the terminal,
// Escape reported at once); from any other stream byte by byte, the same keys
// (tests type them through a stream).
#pragma once

#include <termios.h>

#include <cstdio>
#include <string>

namespace console {

enum class KeyKind {
  Character,  // one UTF-8 character, printable
  Enter,
  Escape,      // a lone Escape; the sequences of arrow and function keys are Other
  EndOfInput,  // Ctrl-D, or the end of the stream
  Erase,       // Backspace
  Resumed,     // the program goes on after Ctrl-Z: the question is to be shown again
  Other,       // anything else: ignored by the questions
};

struct Key {
  KeyKind kind = KeyKind::Other;
  std::string text;  // Character: the character's bytes
};

class KeyInput {
 public:
  explicit KeyInput(std::FILE* in);
  ~KeyInput() { SetRaw(false); }
  KeyInput(const KeyInput&) = delete;
  KeyInput& operator=(const KeyInput&) = delete;

  bool Terminal() const { return terminal_; }
  // Waits for the next key. In raw mode, Ctrl-C, Ctrl-\ and Ctrl-Z do what
  // they do at the shell: the terminal's settings are put back first (and
  // taken up again when the program goes on, which reads as Resumed).
  Key Read();

 private:
  friend class RawMode;
  // On a terminal: keys without echo, line editing or signals from the
  // terminal, output unchanged, type-ahead kept. Elsewhere nothing.
  void SetRaw(bool raw);
  int Byte();       // -1 at the end of the stream
  int Following();  // the next byte if it is there at once (unread), else -1
  void SkipSequence(int introducer);
  Key Signal(int signal);

  std::FILE* in_;
  int fd_;
  bool terminal_;
  bool raw_ = false;
  termios saved_{};
  int pending_ = -1;  // a byte read ahead
};

// Raw mode for the life of the object (see KeyInput::SetRaw).
class RawMode {
 public:
  explicit RawMode(KeyInput& input) : input_(input) { input_.SetRaw(true); }
  ~RawMode() { input_.SetRaw(false); }
  RawMode(const RawMode&) = delete;
  RawMode& operator=(const RawMode&) = delete;

 private:
  KeyInput& input_;
};

}  // namespace console
