// The terminal backend: message boxes, questions and dialogs as text on one
// stream (standard error) with the answers read as lines from another
// (standard input). A dialog becomes a small form: its texts, then one prompt
// per input field, radio group and list, then its buttons.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backends.h"

namespace platform {
namespace {

constexpr const char* kHostTitle = "strataplot";

// ---- Texts as the terminal shows them ------------------------------------------------

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

std::string Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string Lowered(std::string text) {
  for (char& ch : text) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return text;
}

char Upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

bool IsAsciiAlnum(char ch) {
  return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

// The text without the '&' that marks a shortcut letter ("&&" shows one '&').
std::string WithoutMarkers(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

// The shortcut letter of a text, upper case; 0 when it has none.
char ShortcutOf(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return IsAsciiAlnum(text[i + 1]) ? Upper(text[i + 1]) : '\0';
    ++i;
  }
  return '\0';
}

// A button's text for one line: the blanks that space out Chinese characters in
// the window go, other runs of blanks become one, and a shortcut "(X)" at the
// end gets one blank before it: "确   认 (&Y)" and "确认(&Y)" both show "确认 (Y)".
std::string Tidy(std::string_view text) {
  std::string plain = Trim(WithoutMarkers(text));
  std::string out;
  for (std::size_t i = 0; i < plain.size();) {
    if (!IsBlank(plain[i])) {
      out += plain[i++];
      continue;
    }
    std::size_t end = i;
    while (end < plain.size() && IsBlank(plain[end])) ++end;
    bool wideBefore = !out.empty() && static_cast<unsigned char>(out.back()) >= 0x80;
    bool wideAfter = end < plain.size() && static_cast<unsigned char>(plain[end]) >= 0x80;
    if (!(wideBefore && wideAfter)) out += ' ';
    i = end;
  }
  std::size_t n = out.size();
  if (n >= 4 && out[n - 3] == '(' && out[n - 1] == ')' && IsAsciiAlnum(out[n - 2]) && out[n - 4] != ' ') {
    out.insert(n - 3, " ");
  }
  return out;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

// A whole number from 1 to count, as typed; 0 when it is not one.
int ChoiceNumber(const std::string& text, std::size_t count) {
  if (text.empty() || text.size() > 6) return 0;
  int number = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return 0;
    number = number * 10 + (ch - '0');
  }
  return number >= 1 && static_cast<std::size_t>(number) <= count ? number : 0;
}

bool IsEscape(const std::string& line) { return !line.empty() && line.front() == '\x1b'; }

// ---- Where the controls stand --------------------------------------------------------

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

// The label that names the control at index: the nearest label on its row to
// its left, otherwise the nearest label just above it. -1 when none.
int CaptionOf(const std::vector<ControlState>& controls, std::size_t index) {
  const Rect& r = controls[index].rect;
  int best = -1;
  int bestDistance = 0;
  bool bestOnRow = false;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlState& label = controls[i];
    if (label.kind != ControlKind::Label || label.text.empty()) continue;
    const Rect& l = label.rect;
    bool rowOverlap = l.y < r.y + r.height && r.y < l.y + l.height;
    bool columnOverlap = l.x < r.x + r.width && r.x < l.x + l.width;
    bool onRow = rowOverlap && l.x + l.width <= r.x + 4;
    bool above = columnOverlap && l.y + l.height <= r.y + 2 && r.y - (l.y + l.height) <= 8;
    if (!onRow && !above) continue;
    int distance = onRow ? r.x - (l.x + l.width) : r.y - (l.y + l.height);
    if (best < 0 || (onRow && !bestOnRow) || (onRow == bestOnRow && distance < bestDistance)) {
      best = static_cast<int>(i);
      bestDistance = distance;
      bestOnRow = onRow;
    }
  }
  return best;
}

// Two blanks, and two more for every titled frame around the control.
std::string IndentOf(const std::vector<ControlState>& controls, std::size_t index) {
  std::string indent = "  ";
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlState& frame = controls[i];
    if (i != index && frame.kind == ControlKind::GroupBox && !frame.text.empty() &&
        Inside(controls[index].rect, frame.rect)) {
      indent += "  ";
    }
  }
  return indent;
}

// ---- The backend ---------------------------------------------------------------------

class TerminalBackend final : public UiBackend {
 public:
  TerminalBackend(Transcript* transcript, std::FILE* in, std::FILE* out)
      : transcript_(transcript),
        in_(in),
        out_(out),
        inTerminal_(isatty(fileno(in)) != 0),
        outTerminal_(isatty(fileno(out)) != 0) {}

  ~TerminalBackend() override {
    EndTransientLine();
    std::fflush(out_);
  }

  TerminalBackend(const TerminalBackend&) = delete;
  TerminalBackend& operator=(const TerminalBackend&) = delete;

  int ShowMessage(const MessageBoxRequest& request) override {
    std::string heading = "[" + request.caption.value_or(kHostTitle) + "]";
    if (request.icon == Icon::Error) heading += " 错误";
    Say("\n" + Bold(heading) + "\n");
    for (const std::string& line : Lines(request.text)) Say("  " + line + "\n");
    int answer = IDOK;
    if (request.buttons == Buttons::Ok) {
      Say("(按回车继续) ");
      ReadLine();
    } else {
      answer = AskYesNo() ? IDYES : IDNO;
    }
    if (transcript_) transcript_->Message(request, answer);
    return answer;
  }

  bool AskOverwrite(const std::string& path) override {
    bool answer = false;
    while (true) {
      Say("文件 " + path + " 已存在，是否覆盖? [y/N] ");
      std::optional<std::string> line = ReadLine();
      if (!line) break;
      std::string reply = Lowered(Trim(*line));
      if (reply.empty() || reply == "n" || reply == "no" || reply == "否") break;
      if (reply == "y" || reply == "yes" || reply == "是") {
        answer = true;
        break;
      }
    }
    if (transcript_) transcript_->Overwrite(path, answer);
    return answer;
  }

  void RunDialog(DialogSession& session) override {
    std::vector<ControlState> opened = session.Controls();
    std::string title = session.Title();
    while (!session.Ended()) {
      if (!AskForm(session)) {
        session.SetAnswer("cancel");
        session.PressCancel();
        break;
      }
      session.PressOk();  // a dialog that refuses stays open: the form again
    }
    if (transcript_) transcript_->Dialog(session.Template(), title, opened, session.Answer(), session.Result());
  }

  void Progress(int total, int current) override {
    if (transcript_) transcript_->Progress(total, current);
    if (!outTerminal_) return;
    if (transient_ == Transient::Wait) EndTransientLine();
    Print("\r\033[K" + ProgressLine(total, current));
    transient_ = Transient::Progress;
    if (total > 0 && current >= total) EndTransientLine();
    std::fflush(out_);
  }

  void Wait(const std::string& text, bool show) override {
    if (transcript_) transcript_->Wait(text, show);
    if (show) {
      if (!outTerminal_) {
        Say(text + "\n");
        return;
      }
      EndTransientLine();
      Print(text);
      transient_ = Transient::Wait;
    } else if (transient_ == Transient::Wait) {
      Print("\r\033[K");
      transient_ = Transient::None;
    }
    std::fflush(out_);
  }

 private:
  enum class Transient { None, Progress, Wait };

  // ---- Output and input ----

  void Print(const std::string& text) { std::fputs(text.c_str(), out_); }

  // Prints below a progress line or wait notice, which stays as it was.
  void Say(const std::string& text) {
    EndTransientLine();
    Print(text);
  }

  void EndTransientLine() {
    if (transient_ == Transient::None) return;
    Print("\n");
    transient_ = Transient::None;
  }

  std::string Bold(const std::string& text) const {
    return outTerminal_ ? "\033[1m" + text + "\033[0m" : text;
  }

  // One line of the answer stream without its line end; nullopt at the end of
  // the stream (Ctrl-D on a terminal, which may be read past afterwards).
  std::optional<std::string> ReadLine() {
    std::fflush(out_);
    std::string line;
    int ch;
    while ((ch = std::fgetc(in_)) != EOF && ch != '\n') line += static_cast<char>(ch);
    if (ch == EOF) std::clearerr(in_);
    if (ch == EOF && line.empty()) {
      Print("\n");
      return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!inTerminal_) Print(line + "\n");  // the terminal echoes what a person types
    return line;
  }

  bool AskYesNo() {
    while (true) {
      Say("[Y/N] ");
      std::optional<std::string> line = ReadLine();
      if (!line) return false;
      std::string reply = Lowered(Trim(*line));
      if (reply == "y" || reply == "yes" || reply == "是") return true;
      if (reply == "n" || reply == "no" || reply == "否") return false;
    }
  }

  static std::string ProgressLine(int total, int current) {
    std::string line = "进度 ";
    if (total > 0) {
      constexpr int kWidth = 20;
      int done = std::clamp(current, 0, total);
      int filled = static_cast<int>(static_cast<long long>(done) * kWidth / total);
      line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
              std::string(static_cast<std::size_t>(kWidth - filled), '.') + "] ";
    }
    return line + std::to_string(current) + "/" + std::to_string(total);
  }

  // ---- Dialogs ----

  // Shows the form and asks for every control; false when the person cancels
  // (or the answers end), true when they confirm, the answer set.
  bool AskForm(DialogSession& session) {
    const std::vector<ControlState>& controls = session.Controls();
    std::vector<int> captions(controls.size(), -1);
    std::vector<bool> isCaption(controls.size(), false);
    for (std::size_t i = 0; i < controls.size(); ++i) {
      ControlKind kind = controls[i].kind;
      if (kind != ControlKind::Edit && kind != ControlKind::ComboBox) continue;
      captions[i] = CaptionOf(controls, i);
      if (captions[i] >= 0) isCaption[static_cast<std::size_t>(captions[i])] = true;
    }

    Say("\n" + Bold("== " + session.Title() + " ==") + "\n");
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const ControlState& c = controls[i];
      if (c.text.empty() || isCaption[i]) continue;
      if (c.kind == ControlKind::GroupBox) {
        Say(IndentOf(controls, i) + "── " + WithoutMarkers(c.text) + " ──\n");
      } else if (c.kind == ControlKind::Label) {
        for (const std::string& line : Lines(WithoutMarkers(c.text))) Say(IndentOf(controls, i) + line + "\n");
      }
    }

    std::string answer;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      std::string caption = captions[i] >= 0 ? WithoutMarkers(controls[static_cast<std::size_t>(captions[i])].text) : "";
      bool asked = true;
      switch (controls[i].kind) {
        case ControlKind::Edit:
          asked = AskInput(session, i, caption, answer);
          break;
        case ControlKind::RadioButton:
          if (RadioGroup(controls, i).front() == i) asked = AskRadioGroup(session, i, answer);
          break;
        case ControlKind::ComboBox:
          asked = AskList(session, i, caption, answer);
          break;
        default:
          break;
      }
      if (!asked) return false;
    }
    if (!AskButtons(controls)) return false;
    session.SetAnswer(answer);
    return true;
  }

  bool AskInput(DialogSession& session, std::size_t index, const std::string& caption, std::string& answer) {
    const ControlState& field = session.Controls()[index];
    std::string indent = IndentOf(session.Controls(), index);
    Say(indent + (caption.empty() ? "" : caption + " ") + "[" + field.text + "] ");
    std::optional<std::string> line = ReadLine();
    if (!line || IsEscape(*line)) return false;
    if (line->empty()) {
      answer = "default";
    } else {
      session.TypeText(field.id, *line);
      answer = *line;
    }
    return true;
  }

  bool AskRadioGroup(DialogSession& session, std::size_t first, std::string& answer) {
    const std::vector<ControlState>& controls = session.Controls();
    std::vector<std::size_t> group = RadioGroup(controls, first);
    std::string indent = IndentOf(controls, first);
    std::optional<std::size_t> checked;
    for (std::size_t k = 0; k < group.size(); ++k) {
      const ControlState& button = controls[group[k]];
      if (button.checked && !checked) checked = k;
      Say(indent + (button.checked ? "(*) " : "( ) ") + std::to_string(k + 1) + ". " + Tidy(button.text) + "\n");
    }
    while (true) {
      Say(indent + "选择 [1-" + std::to_string(group.size()) + " 或快捷字母，回车保留当前]: ");
      std::optional<std::string> line = ReadLine();
      if (!line || IsEscape(*line)) return false;
      std::string reply = Trim(*line);
      std::optional<std::size_t> chosen;
      if (reply.empty()) {
        chosen = checked;
        if (!chosen) return true;
      } else if (int number = ChoiceNumber(reply, group.size())) {
        chosen = static_cast<std::size_t>(number - 1);
      } else if (reply.size() == 1) {
        for (std::size_t k = 0; k < group.size() && !chosen; ++k) {
          if (ShortcutOf(controls[group[k]].text) == Upper(reply[0])) chosen = k;
        }
      }
      if (chosen) {
        session.Check(controls[group[*chosen]].id);
        answer = Tidy(controls[group[*chosen]].text);
        return true;
      }
      Say(indent + "请输入 1 到 " + std::to_string(group.size()) + " 的序号或括号中的字母。\n");
    }
  }

  bool AskList(DialogSession& session, std::size_t index, const std::string& caption, std::string& answer) {
    const ControlState& list = session.Controls()[index];
    bool editable = (list.style & kDropDown) != 0;
    std::string indent = IndentOf(session.Controls(), index);
    if (!caption.empty()) Say(indent + caption + "\n");
    if (list.items.empty()) Say(indent + "  (列表为空)\n");
    for (std::size_t k = 0; k < list.items.size(); ++k) {
      bool selected = static_cast<int>(k) == list.selected;
      Say(indent + "  " + (selected ? "(*) " : "( ) ") + std::to_string(k + 1) + ". " + list.items[k] + "\n");
    }
    if (list.items.empty() && !editable) return true;
    std::string range = list.items.empty() ? "" : "1-" + std::to_string(list.items.size());
    std::string hint = editable ? (range.empty() ? "输入名称" : range + " 或输入名称") : range;
    std::string current = list.text.empty() ? "" : " " + list.text;
    while (true) {
      Say(indent + "选择 [" + hint + "，回车保留当前" + current + "]: ");
      std::optional<std::string> line = ReadLine();
      if (!line || IsEscape(*line)) return false;
      std::string reply = Trim(*line);
      if (reply.empty()) {
        answer = list.text;
        return true;
      }
      if (int number = ChoiceNumber(reply, list.items.size())) {
        session.Select(list.id, number - 1);
        answer = list.items[static_cast<std::size_t>(number - 1)];
        return true;
      }
      auto it = std::find(list.items.begin(), list.items.end(), reply);
      if (it != list.items.end()) {
        session.Select(list.id, static_cast<int>(it - list.items.begin()));
        answer = reply;
        return true;
      }
      if (editable) {
        session.TypeText(list.id, reply);
        answer = reply;
        return true;
      }
      Say(indent + "请输入 " + range + " 的序号或列表中的名称。\n");
    }
  }

  // The buttons line, "确认 (Y) / 取消 (N) [Y]": Enter or the default button's
  // letter confirms, the cancel button's letter cancels.
  bool AskButtons(const std::vector<ControlState>& controls) {
    std::string buttons;
    char okLetter = '\0';
    char cancelLetter = '\0';
    for (const ControlState& c : controls) {
      if (c.kind != ControlKind::PushButton) continue;
      if (!buttons.empty()) buttons += " / ";
      buttons += Tidy(c.text);
      if ((c.style & kDefaultButton) != 0 || (c.id == IDOK && okLetter == '\0')) okLetter = ShortcutOf(c.text);
      if (c.id == IDCANCEL) cancelLetter = ShortcutOf(c.text);
    }
    std::string prompt = buttons.empty() ? "回车确认，Esc 取消" : buttons;
    prompt += okLetter != '\0' ? std::string(" [") + okLetter + "]: " : ": ";
    while (true) {
      Say(prompt);
      std::optional<std::string> line = ReadLine();
      if (!line || IsEscape(*line)) return false;
      std::string reply = Trim(*line);
      if (reply.empty()) return true;
      if (reply.size() == 1 && okLetter != '\0' && Upper(reply[0]) == okLetter) return true;
      if (reply.size() == 1 && cancelLetter != '\0' && Upper(reply[0]) == cancelLetter) return false;
      std::string letters;
      if (okLetter != '\0') letters += std::string(1, okLetter) + " 确认";
      if (cancelLetter != '\0') letters += std::string(letters.empty() ? "" : "，") + cancelLetter + " 取消";
      Say("  请按回车" + (letters.empty() ? std::string("确认") : "或输入 " + letters) + "。\n");
    }
  }

  Transcript* transcript_;
  std::FILE* in_;
  std::FILE* out_;
  bool inTerminal_;
  bool outTerminal_;
  Transient transient_ = Transient::None;
};

}  // namespace

std::unique_ptr<UiBackend> MakeTerminalBackend(Transcript* transcript) {
  return MakeTerminalBackend(transcript, stdin, stderr);
}

std::unique_ptr<UiBackend> MakeTerminalBackend(Transcript* transcript, std::FILE* in, std::FILE* out) {
  return std::make_unique<TerminalBackend>(transcript, in, out);
}

}  // namespace platform
