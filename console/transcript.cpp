// The transcript: one JSON object per line, fields in a fixed order, flushed
// line by line so that a transcript survives a crash of the run.

#include "console/transcript.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "platform/cancel.h"

namespace console {

using platform::Buttons;
using platform::ControlKind;
using platform::ControlState;
using platform::DialogTemplate;
using platform::Icon;
using platform::MessageBoxRequest;

namespace {

// Length of the well-formed UTF-8 character at the start of text (whose first
// byte is not ASCII), or 0 when it is none: a stray or cut sequence, an
// overlong form, a surrogate, or beyond U+10FFFF.
std::size_t Utf8CharacterLength(std::string_view text) {
  auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

// A JSON string of the text. Whatever the bytes, the result is valid JSON and
// valid UTF-8: each byte that does not belong to a well-formed UTF-8
// character (an answer typed in another encoding, say) becomes U+FFFD.
void AppendString(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    char ch = text[i];
    auto byte = static_cast<unsigned char>(ch);
    if (byte >= 0x80) {
      std::size_t length = Utf8CharacterLength(text.substr(i));
      out += length != 0 ? text.substr(i, length) : "\xEF\xBF\xBD";
      i += length != 0 ? length : 1;
      continue;
    }
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += ch;
        }
    }
    ++i;
  }
  out += '"';
}

// Builds one record: {"type":...,"name":value,...}.
class Record {
 public:
  explicit Record(std::string_view type) {
    line_ = "{\"type\":";
    AppendString(line_, type);
  }
  Record& String(std::string_view name, std::string_view value) {
    Name(name);
    AppendString(line_, value);
    return *this;
  }
  Record& Raw(std::string_view name, std::string_view json) {
    Name(name);
    line_ += json;
    return *this;
  }
  // Writes the record as one line and flushes it.
  // A line goes to a file in one write, so that a signal that ends the run
  // never leaves half a line (a stream without a file gets it through stdio).
  void WriteTo(std::FILE* out) {
    line_ += "}\n";
    std::fflush(out);
    const int fd = ::fileno(out);
    if (fd < 0) {
      std::fputs(line_.c_str(), out);
      std::fflush(out);
      return;
    }
    std::string_view rest = line_;
    while (!rest.empty()) {
      ssize_t n = ::write(fd, rest.data(), rest.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
  }

 private:
  void Name(std::string_view name) {
    line_ += ',';
    AppendString(line_, name);
    line_ += ':';
  }
  std::string line_;
};

std::string StringOrNull(const std::optional<std::string>& text) {
  if (!text) return "null";
  std::string out;
  AppendString(out, *text);
  return out;
}

const char* IconName(Icon icon) {
  switch (icon) {
    case Icon::Information:
      return "information";
    case Icon::Error:
      return "error";
    case Icon::Question:
      return "question";
    case Icon::None:
      break;
  }
  return "none";
}

const char* AnswerName(int answer) {
  switch (answer) {
    case platform::IDYES:
      return "yes";
    case platform::IDNO:
      return "no";
    case platform::IDCANCEL:
      return "cancel";
    default:
      return "ok";
  }
}

}  // namespace

void Transcript::Message(const MessageBoxRequest& request, int answer) {
  if (out_ == nullptr) return;
  Record("message")
      .String("text", request.text)
      .Raw("caption", StringOrNull(request.caption))
      .String("icon", IconName(request.icon))
      .String("buttons", request.buttons == Buttons::YesNo ? "yesno" : "ok")
      .String("owner", request.owned ? "window" : "none")
      .String("answer", AnswerName(answer))
      .WriteTo(out_);
}

void Transcript::Overwrite(const std::string& path, bool answer) {
  if (out_ == nullptr) return;
  Record("overwrite").String("path", path).String("answer", answer ? "yes" : "no").WriteTo(out_);
}

void Transcript::Dialog(const DialogTemplate& dialogTemplate, const std::string& title,
                        const std::vector<ControlState>& opened, const std::string& answer,
                        int result) {
  if (out_ == nullptr) return;
  std::string controls = "{";
  bool hasRadio = false;
  std::optional<std::string> checked;
  const ControlState* list = nullptr;
  for (const ControlState& c : opened) {
    if (c.id != platform::kNoId) {
      if (controls.size() > 1) controls += ',';
      AppendString(controls, std::to_string(c.id));
      controls += ':';
      AppendString(controls, c.text);
    }
    if (c.kind == ControlKind::RadioButton) {
      hasRadio = true;
      if (c.checked && !checked) checked = std::to_string(c.id);
    }
    if (c.kind == ControlKind::ComboBox && list == nullptr) list = &c;
  }
  controls += '}';

  Record record("dialog");
  record.String("template", dialogTemplate.resource ? dialogTemplate.resource : "")
      .String("title", title)
      .Raw("controls", controls);
  if (hasRadio) record.Raw("checked", StringOrNull(checked));
  if (list != nullptr) {
    std::string items = "[";
    for (const std::string& item : list->items) {
      if (items.size() > 1) items += ',';
      AppendString(items, item);
    }
    items += ']';
    std::optional<std::string> selected;
    if (list->selected >= 0 && list->selected < static_cast<int>(list->items.size())) {
      selected = list->items[static_cast<std::size_t>(list->selected)];
    }
    record.Raw("items", items).Raw("selected", StringOrNull(selected));
  }
  record.String("answer", answer)
      .String("result", result == platform::IDOK ? "ok" : "cancel")
      .WriteTo(out_);
}

void Transcript::Wait(const std::string& text, bool show) {
  if (out_ == nullptr) return;
  Record("wait").String("text", text).Raw("show", show ? "true" : "false").WriteTo(out_);
}

void Transcript::Cancelled() {
  if (out_ == nullptr) return;
  Record("cancelled").WriteTo(out_);
}

void Transcript::Progress(int total, int current) {
  if (out_ == nullptr) return;
  Record("progress")
      .Raw("total", std::to_string(total))
      .Raw("current", std::to_string(current))
      .WriteTo(out_);
}

// ---- The transcript around a backend --------------------------------------------

Transcribing::Transcribing(platform::UiBackend& backend, Transcript& transcript,
                           std::vector<std::string> radioCodes)
    : backend_(backend), transcript_(transcript), radioCodes_(std::move(radioCodes)) {}

int Transcribing::ShowMessage(const MessageBoxRequest& request) {
  int answer = backend_.ShowMessage(request);
  if (!platform::CancelRequested()) transcript_.Message(request, answer);
  return answer;
}

bool Transcribing::AskOverwrite(const std::string& path) {
  bool answer = backend_.AskOverwrite(path);
  if (!platform::CancelRequested()) transcript_.Overwrite(path, answer);
  return answer;
}

void Transcribing::RunDialog(platform::DialogSession& session) {
  std::vector<ControlState> opened = session.Controls();
  std::string title = session.Title();
  backend_.RunDialog(session);
  if (platform::CancelRequested()) return;
  std::string answer = session.Answer();
  if (session.Ended() && session.Result() == platform::IDOK) {
    // The button checked last in template order: the choice of the last group.
    const std::vector<ControlState>& controls = session.Controls();
    for (std::size_t i = controls.size(); i-- > 0;) {
      if (controls[i].kind != ControlKind::RadioButton || !controls[i].checked) continue;
      std::vector<std::size_t> group = platform::RadioGroup(controls, i);
      auto position =
          static_cast<std::size_t>(std::find(group.begin(), group.end(), i) - group.begin());
      answer = group.size() == radioCodes_.size() ? radioCodes_[position] : controls[i].text;
      break;
    }
  }
  transcript_.Dialog(session.Template(), title, opened, answer, session.Result());
}

void Transcribing::Progress(int total, int current) {
  transcript_.Progress(total, current);
  backend_.Progress(total, current);
}

void Transcribing::Wait(const std::string& text, bool show) {
  transcript_.Wait(text, show);
  backend_.Wait(text, show);
}

void Transcribing::Reading(const std::string& file, std::uint64_t done, std::uint64_t size) {
  backend_.Reading(file, done, size);
}

void Transcribing::Finished(bool completed) { backend_.Finished(completed); }

}  // namespace console
