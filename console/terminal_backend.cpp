// The terminal backend: message boxes, questions and dialogs as text on one
// stream (standard error) with the answers read key by key from another
// (standard input). A dialog becomes a small form: its texts, then one prompt
// per input field, radio group and list; the last answer confirms it.

#include "console/terminal_backend.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/status_line.h"
#include "console/terminal_input.h"

namespace console {
namespace {

using platform::AcceleratorOf;
using platform::Buttons;
using platform::ControlKind;
using platform::ControlState;
using platform::DialogSession;
using platform::Icon;
using platform::IsAcceleratorOf;
using platform::MessageBoxRequest;
using platform::Rect;
using platform::WithoutAcceleratorMarks;

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

bool IsAsciiAlnum(char ch) {
  return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

// A button's text for one line: the blanks that space out Chinese characters in
// the window go, other runs of blanks become one, and a shortcut "(X)" at the
// end gets one blank before it: "确   认 (&Y)" and "确认(&Y)" both show "确认 (Y)".
std::string Tidy(std::string_view text) {
  std::string plain = Trim(WithoutAcceleratorMarks(text));
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
  if (n >= 4 && out[n - 3] == '(' && out[n - 1] == ')' && IsAsciiAlnum(out[n - 2]) &&
      out[n - 4] != ' ') {
    out.insert(n - 3, " ");
  }
  return out;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
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

// Columns a character takes on a terminal: two for the wide East Asian ones.
int ColumnsOf(const std::string& character) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(character[i]) & 0x3fu; };
  unsigned lead = static_cast<unsigned char>(character[0]);
  unsigned code = lead;
  if (character.size() == 2) code = ((lead & 0x1fu) << 6) | byte(1);
  if (character.size() == 3) code = ((lead & 0x0fu) << 12) | (byte(1) << 6) | byte(2);
  if (character.size() == 4)
    code = ((lead & 0x07u) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
  bool wide = (code >= 0x1100 && code <= 0x115f) || (code >= 0x2e80 && code <= 0xa4cf) ||
              (code >= 0xac00 && code <= 0xd7a3) || (code >= 0xf900 && code <= 0xfaff) ||
              (code >= 0xfe30 && code <= 0xfe4f) || (code >= 0xff00 && code <= 0xff60) ||
              (code >= 0xffe0 && code <= 0xffe6) || (code >= 0x20000 && code <= 0x3fffd);
  return wide ? 2 : 1;
}

// The start of the last UTF-8 character of a text that is not empty.
std::size_t LastCharacter(const std::string& text) {
  std::size_t start = text.size() - 1;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xc0u) == 0x80u) --start;
  return start;
}

// ---- Where the controls stand --------------------------------------------------------

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y &&
         inner.x + inner.width <= outer.x + outer.width &&
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

class TerminalBackend final : public platform::UiBackend {
 public:
  TerminalBackend(std::FILE* in, std::FILE* out, TerminalSettings settings)
      : input_(in), screen_(out), settings_(std::move(settings)) {}

  int ShowMessage(const MessageBoxRequest& request) override {
    std::string heading = "[" + request.caption.value_or(kHostTitle) + "]";
    if (request.icon == Icon::Error) heading += " 错误";
    screen_.Say("\n" + screen_.Bold(heading) + "\n");
    for (const std::string& line : Lines(request.text)) screen_.Say("  " + line + "\n");
    if (request.buttons == Buttons::Ok) {
      WaitForEnter("(按回车继续) ");
      return platform::IDOK;
    }
    // The first button, Yes, is the default one.
    if (AskYesNo("[Y/n] ", true)) return platform::IDYES;
    Report({Declined::What::Question, request.text, ""}, "回答“否”");
    return platform::IDNO;
  }

  bool AskOverwrite(const std::string& path) override {
    bool answer = AskYesNo("文件 " + path + " 已存在，是否覆盖? [y/N] ", false);
    if (!answer) Report({Declined::What::Overwrite, path, ""}, "不覆盖 " + path);
    return answer;
  }

  void RunDialog(DialogSession& session) override {
    std::vector<ControlState> opened = session.Controls();
    std::string title = session.Title();
    for (bool first = true; !session.Ended(); first = false) {
      if (!AskForm(session, opened, first)) {
        session.SetAnswer("cancel");
        session.PressCancel();
        Declined declined{Declined::What::Dialog,
                          session.Template().resource ? session.Template().resource : "", ""};
        for (const ControlState& c : opened) {
          if (c.kind == ControlKind::Edit) {
            declined.value = c.text;
            break;
          }
        }
        Report(declined, "已取消“" + title + "”");
        break;
      }
      session.PressOk();  // a dialog that refuses stays open: its prompts again
    }
  }

  void Progress(int total, int current) override { screen_.Progress(total, current); }

  void Reading(const std::string& file, std::uint64_t done, std::uint64_t size) override {
    screen_.Reading(file, done, size);
  }

  void Wait(const std::string& text, bool show) override { screen_.Wait(text, show); }

  void Finished(bool completed) override { screen_.Finish(completed); }

 private:
  // ---- Answers ----

  // Shows the prompt and reads one line typed and ended with Enter; nullopt
  // for Escape or Ctrl-D (or the end of the answers). Backspace takes back the
  // last character.
  std::optional<std::string> EditLine(const std::string& prompt) {
    std::string line;
    bool ended = false;
    OnKeys(prompt, [&](const Key& key) {
      bool echo = input_.Terminal();
      switch (key.kind) {
        case KeyKind::Enter:
        case KeyKind::Escape:
        case KeyKind::EndOfInput:
          screen_.Print((echo ? "" : line) + "\n");
          ended = key.kind != KeyKind::Enter;
          return true;
        case KeyKind::Erase:
          if (!line.empty()) {
            std::size_t last = LastCharacter(line);
            int columns = ColumnsOf(line.substr(last));
            line.erase(last);
            for (int i = 0; echo && i < columns; ++i) screen_.Print("\b \b");
          }
          break;
        case KeyKind::Character:
          line += key.text;
          if (echo) screen_.Print(key.text);
          break;
        case KeyKind::Resumed:
          screen_.Print(line);  // after the prompt shown again
          break;
        case KeyKind::Other:
          break;
      }
      screen_.Flush();
      return false;
    });
    if (ended) return std::nullopt;
    return line;
  }

  // Shows the prompt and hands every key read in raw mode to answered until
  // it returns true. The prompt is shown again when the program goes on
  // after Ctrl-Z (answered then sees Resumed).
  template <typename Answered>
  void OnKeys(const std::string& prompt, Answered answered) {
    screen_.Say(prompt);
    screen_.Flush();
    RawMode raw(input_);
    while (true) {
      Key key = input_.Read();
      if (key.kind == KeyKind::Resumed) screen_.Print(prompt);
      if (answered(key)) return;
    }
  }

  // One key: Y or N (or 是, 否), Enter for the default; Escape and Ctrl-D
  // answer No. The answer is shown as y or n.
  bool AskYesNo(const std::string& prompt, bool byDefault) {
    std::optional<bool> answer;
    OnKeys(prompt, [&](const Key& key) {
      if (key.kind == KeyKind::Enter) answer = byDefault;
      if (key.kind == KeyKind::Escape || key.kind == KeyKind::EndOfInput) answer = false;
      std::string reply = key.kind == KeyKind::Character ? Lowered(key.text) : "";
      if (reply == "y" || reply == "是") answer = true;
      if (reply == "n" || reply == "否") answer = false;
      return answer.has_value();
    });
    screen_.Print(*answer ? "y\n" : "n\n");
    return *answer;
  }

  // Enter (or Escape, Ctrl-D, the space bar) goes on.
  void WaitForEnter(const std::string& prompt) {
    OnKeys(prompt, [](const Key& key) {
      return key.kind == KeyKind::Enter || key.kind == KeyKind::Escape ||
             key.kind == KeyKind::EndOfInput || (key.kind == KeyKind::Character && key.text == " ");
    });
    screen_.Print("\n");
  }

  // The line after something declined: what it was and what follows.
  void Report(const Declined& declined, const std::string& what) {
    std::string follows = settings_.whatFollows ? settings_.whatFollows(declined) : "";
    screen_.Say(what + (follows.empty() ? "" : "：" + follows) + "。\n");
  }

  // ---- Dialogs ----

  // Shows the form (its texts only the first time) and asks for every
  // control; false when the person cancels, true when the answers confirm
  // it, the answer set. opened: the controls as the dialog opened.
  bool AskForm(DialogSession& session, const std::vector<ControlState>& opened, bool showTexts) {
    const std::vector<ControlState>& controls = session.Controls();
    std::vector<int> captions(controls.size(), -1);
    std::vector<bool> isCaption(controls.size(), false);
    for (std::size_t i = 0; i < controls.size(); ++i) {
      ControlKind kind = controls[i].kind;
      if (kind != ControlKind::Edit && kind != ControlKind::ComboBox) continue;
      captions[i] = CaptionOf(controls, i);
      if (captions[i] >= 0) isCaption[static_cast<std::size_t>(captions[i])] = true;
    }

    if (showTexts) {
      screen_.Say("\n" + screen_.Bold("== " + session.Title() + " ==") + "\n");
      for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlState& c = controls[i];
        if (c.text.empty() || isCaption[i]) continue;
        if (c.kind == ControlKind::GroupBox) {
          screen_.Say(IndentOf(controls, i) + "── " + WithoutAcceleratorMarks(c.text) + " ──\n");
        } else if (c.kind == ControlKind::Label) {
          for (const std::string& line : Lines(WithoutAcceleratorMarks(c.text))) {
            screen_.Say(IndentOf(controls, i) + line + "\n");
          }
        }
      }
    }

    std::string answer;
    bool askedAny = false;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      std::string caption =
          captions[i] >= 0
              ? WithoutAcceleratorMarks(controls[static_cast<std::size_t>(captions[i])].text)
              : "";
      std::optional<bool> answered;
      switch (controls[i].kind) {
        case ControlKind::Edit:
          answered = AskInput(session, i, caption, opened[i].text, answer);
          break;
        case ControlKind::RadioButton:
          if (platform::RadioGroup(controls, i).front() == i) answered = AskRadioGroup(session, i);
          break;
        case ControlKind::ComboBox:
          answered = AskList(session, i, caption, answer);
          break;
        default:
          break;
      }
      if (answered && !*answered) return false;
      askedAny = askedAny || answered.has_value();
    }
    if (!askedAny && !AskButtons(controls)) return false;
    session.SetAnswer(answer);
    return true;
  }

  // An input field: what is typed replaces its text; an empty line puts back
  // the suggested value, the text it opened with.
  bool AskInput(DialogSession& session, std::size_t index, const std::string& caption,
                const std::string& suggested, std::string& answer) {
    const ControlState& field = session.Controls()[index];
    std::string indent = IndentOf(session.Controls(), index);
    std::optional<std::string> line =
        EditLine(indent + (caption.empty() ? "" : caption + " ") + "[" + suggested + "] ");
    if (!line) return false;
    if (line->empty()) {
      session.TypeText(field.id, suggested);
      answer = "default";
    } else {
      session.TypeText(field.id, *line);
      answer = *line;
    }
    return true;
  }

  // The button's text with its code ("生气强度图 (G, sg)").
  static std::string RadioLabel(const ControlState& button, const std::string& code) {
    std::string label = Tidy(button.text);
    if (code.empty()) return label;
    if (!AcceleratorOf(button.text).empty() && label.ends_with(")")) {
      return label.insert(label.size() - 1, ", " + code);
    }
    return label + " (" + code + ")";
  }

  // The button chosen is checked; the transcript names it (console::Transcribing).
  bool AskRadioGroup(DialogSession& session, std::size_t first) {
    const std::vector<ControlState>& controls = session.Controls();
    std::vector<std::size_t> group = platform::RadioGroup(controls, first);
    std::string indent = IndentOf(controls, first);
    // The codes name the buttons of a group of as many.
    bool withCodes = !group.empty() && group.size() == settings_.radioCodes.size();
    auto codeOf = [&](std::size_t k) {
      return withCodes ? settings_.radioCodes[k] : std::string();
    };
    std::optional<std::size_t> checked;
    for (std::size_t k = 0; k < group.size(); ++k) {
      const ControlState& button = controls[group[k]];
      if (button.checked && !checked) checked = k;
      screen_.Say(indent + (button.checked ? "(*) " : "( ) ") + std::to_string(k + 1) + ". " +
                  RadioLabel(button, codeOf(k)) + "\n");
    }
    std::string range = "1-" + std::to_string(group.size());
    while (true) {
      std::optional<std::string> line =
          EditLine(indent + "选择 [" + range + (withCodes ? "、字母或代码" : " 或快捷字母") +
                   "，回车保留当前]: ");
      if (!line) return false;
      std::string reply = Trim(*line);
      std::optional<std::size_t> chosen;
      if (reply.empty()) {
        chosen = checked;
        if (!chosen) return true;
      } else if (int number = ChoiceNumber(reply, group.size())) {
        chosen = static_cast<std::size_t>(number - 1);
      }
      for (std::size_t k = 0; k < group.size() && !chosen; ++k) {
        bool byLetter = IsAcceleratorOf(reply, controls[group[k]].text);
        bool byCode = withCodes && Lowered(reply) == codeOf(k);
        if (byLetter || byCode) chosen = k;
      }
      if (chosen) {
        session.Check(controls[group[*chosen]].id);
        return true;
      }
      screen_.Say(indent + "请输入 " + range + " 的序号或括号中的" +
                  (withCodes ? "字母或代码。\n" : "字母。\n"));
    }
  }

  bool AskList(DialogSession& session, std::size_t index, const std::string& caption,
               std::string& answer) {
    const ControlState& list = session.Controls()[index];
    bool editable = (list.style & platform::kDropDown) != 0;
    std::string indent = IndentOf(session.Controls(), index);
    if (!caption.empty()) screen_.Say(indent + caption + "\n");
    if (list.items.empty()) screen_.Say(indent + "  (列表为空)\n");
    for (std::size_t k = 0; k < list.items.size(); ++k) {
      bool selected = static_cast<int>(k) == list.selected;
      screen_.Say(indent + "  " + (selected ? "(*) " : "( ) ") + std::to_string(k + 1) + ". " +
                  list.items[k] + "\n");
    }
    std::string range = list.items.empty() ? "" : "1-" + std::to_string(list.items.size());
    std::string hint = editable ? (range.empty() ? "输入名称" : range + " 或输入名称") : range;
    std::string current = list.text.empty() ? "" : " " + list.text;
    while (true) {
      std::optional<std::string> line = EditLine(
          indent + "选择 [" + (hint.empty() ? "" : hint + "，") + "回车保留当前" + current + "]: ");
      if (!line) return false;
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
      screen_.Say(indent + (range.empty() ? "列表为空，请按 Esc 取消。\n"
                                          : "请输入 " + range + " 的序号或列表中的名称。\n"));
    }
  }

  // A dialog without anything to ask: its buttons, "确认 (Y) / 取消 (N) [Y]:",
  // one key: Enter or the default button's letter confirms, the cancel
  // button's letter, Escape or Ctrl-D cancels.
  bool AskButtons(const std::vector<ControlState>& controls) {
    std::string buttons;
    const ControlState* ok = nullptr;
    const ControlState* cancel = nullptr;
    for (const ControlState& c : controls) {
      if (c.kind != ControlKind::PushButton) continue;
      if (!buttons.empty()) buttons += " / ";
      buttons += Tidy(c.text);
      if ((c.style & platform::kDefaultButton) != 0 || (c.id == platform::IDOK && ok == nullptr))
        ok = &c;
      if (c.id == platform::IDCANCEL) cancel = &c;
    }
    std::string okLetter = ok != nullptr ? AcceleratorOf(ok->text) : "";
    std::string prompt = buttons.empty() ? "回车确认，Esc 取消" : buttons;
    std::optional<bool> confirmed;
    OnKeys(prompt + (!okLetter.empty() ? " [" + okLetter + "]: " : ": "), [&](const Key& key) {
      bool typed = key.kind == KeyKind::Character;
      if (key.kind == KeyKind::Enter || (typed && ok && IsAcceleratorOf(key.text, ok->text)))
        confirmed = true;
      if (key.kind == KeyKind::Escape || key.kind == KeyKind::EndOfInput) confirmed = false;
      if (typed && cancel && IsAcceleratorOf(key.text, cancel->text)) confirmed = false;
      return confirmed.has_value();
    });
    screen_.Print(*confirmed ? "\n" : "取消\n");
    return *confirmed;
  }

  KeyInput input_;
  StatusLine screen_;
  TerminalSettings settings_;
};

}  // namespace

std::unique_ptr<platform::UiBackend> MakeTerminalBackend(TerminalSettings settings) {
  return MakeTerminalBackend(stdin, stderr, std::move(settings));
}

std::unique_ptr<platform::UiBackend> MakeTerminalBackend(std::FILE* in, std::FILE* out,
                                                         TerminalSettings settings) {
  return std::make_unique<TerminalBackend>(in, out, std::move(settings));
}

}  // namespace console
