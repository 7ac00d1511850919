#include "console/terminal_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace console {
namespace {

constexpr int kEscape = 0x1b;
constexpr int kCtrlC = 0x03;
constexpr int kCtrlD = 0x04;
constexpr int kCtrlBackslash = 0x1c;
constexpr int kCtrlZ = 0x1a;
constexpr int kBackspace = 0x08;
constexpr int kDelete = 0x7f;

// How long the rest of an escape sequence may take to arrive after its
// Escape; a lone Escape is reported after this wait.
constexpr int kSequenceWaitMs = 30;

// Bytes that follow a UTF-8 lead byte; -1 for a byte that cannot lead.
int ContinuationCount(int lead) {
  if (lead < 0x80) return 0;
  if (lead >= 0xc2 && lead <= 0xdf) return 1;
  if (lead >= 0xe0 && lead <= 0xef) return 2;
  if (lead >= 0xf0 && lead <= 0xf4) return 3;
  return -1;
}

}  // namespace

KeyInput::KeyInput(std::FILE* in) : in_(in), fd_(fileno(in)), terminal_(isatty(fd_) != 0) {}

void KeyInput::SetRaw(bool raw) {
  if (!terminal_ || raw == raw_) return;
  if (raw) {
    if (tcgetattr(fd_, &saved_) != 0) return;
    termios keys = saved_;
    keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    keys.c_iflag &= ~static_cast<tcflag_t>(IXON);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    if (tcsetattr(fd_, TCSANOW, &keys) != 0) return;
  } else {
    tcsetattr(fd_, TCSANOW, &saved_);
  }
  raw_ = raw;
}

int KeyInput::Byte() {
  if (pending_ >= 0) {
    int byte = pending_;
    pending_ = -1;
    return byte;
  }
  if (!terminal_) {
    int ch = std::fgetc(in_);
    if (ch == EOF) std::clearerr(in_);  // a terminal may be read past Ctrl-D
    return ch == EOF ? -1 : ch;
  }
  unsigned char byte = 0;
  while (true) {
    ssize_t got = read(fd_, &byte, 1);
    if (got == 1) return byte;
    if (got < 0 && errno == EINTR) continue;
    return -1;
  }
}

int KeyInput::Following() {
  if (pending_ < 0 && terminal_) {
    pollfd waiting{fd_, POLLIN, 0};
    if (poll(&waiting, 1, kSequenceWaitMs) <= 0 || (waiting.revents & POLLIN) == 0) return -1;
  }
  if (pending_ < 0) pending_ = Byte();
  return pending_;
}

// The rest of an escape sequence: "ESC [" parameters and a final byte, or
// "ESC O" and one byte.
void KeyInput::SkipSequence(int introducer) {
  for (int byte; (byte = Following()) >= 0;) {
    Byte();
    if (introducer == 'O' || byte < 0x20 || byte > 0x3f) return;  // the final byte ends it
  }
}

Key KeyInput::Signal(int signal) {
  bool wasRaw = raw_;
  SetRaw(false);
  std::raise(signal);
  if (wasRaw) SetRaw(true);
  return {KeyKind::Resumed, ""};
}

Key KeyInput::Read() {
  while (true) {
    int byte = Byte();
    if (byte < 0 || byte == kCtrlD) return {KeyKind::EndOfInput, ""};
    if (byte == '\r' && !terminal_ && Following() == '\n') Byte();  // a stream's CR LF is one Enter
    if (byte == '\r' || byte == '\n') return {KeyKind::Enter, ""};
    if (byte == kBackspace || byte == kDelete) return {KeyKind::Erase, ""};
    if (raw_ && byte == kCtrlC) return Signal(SIGINT);
    if (raw_ && byte == kCtrlBackslash) return Signal(SIGQUIT);
    if (raw_ && byte == kCtrlZ) return Signal(SIGTSTP);
    if (byte == kEscape) {
      int next = Following();
      if (next == '[' || next == 'O') {
        Byte();
        SkipSequence(next);
        return {KeyKind::Other, ""};
      }
      if (next < 0 || !terminal_) return {KeyKind::Escape, ""};
      Byte();  // Alt and a key
      return {KeyKind::Other, ""};
    }
    if (byte < 0x20) return {KeyKind::Other, ""};
    int more = ContinuationCount(byte);
    if (more < 0) continue;  // a stray byte
    Key key{KeyKind::Character, std::string(1, static_cast<char>(byte))};
    for (int i = 0; i < more; ++i) {
      int next = Byte();
      if (next < 0x80 || next > 0xbf) return {KeyKind::Other, ""};
      key.text += static_cast<char>(next);
    }
    return key;
  }
}

}  // namespace console
