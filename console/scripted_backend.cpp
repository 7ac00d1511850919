// The scripted backend: answers every question from the host's options.

#include "console/scripted_backend.h"

#include <algorithm>
#include <utility>

#include "console/status_line.h"

namespace console {
namespace {

using platform::Buttons;
using platform::ControlKind;
using platform::ControlState;
using platform::DialogSession;
using platform::MessageBoxRequest;

// A list of answers consumed in order; the last one repeats.
template <typename T>
class Answers {
 public:
  Answers(std::vector<T> answers, T fallback) : answers_(std::move(answers)) {
    if (answers_.empty()) answers_.push_back(std::move(fallback));
  }
  // The next answer, and whether it is the last one given once more.
  std::pair<T, bool> Take() {
    bool repeated = next_ >= answers_.size();
    T answer = answers_[repeated ? answers_.size() - 1 : next_];
    if (!repeated) ++next_;
    return {answer, repeated};
  }

 private:
  std::vector<T> answers_;
  std::size_t next_ = 0;
};

// A safety net for a dialog that refuses answers forever.
constexpr int kMaxRefusals = 1000;

// The text on one line: every run of line breaks becomes one blank.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char ch : text) {
    bool lineBreak = ch == '\n' || ch == '\r';
    if (!lineBreak)
      line += ch;
    else if (!line.empty() && line.back() != ' ')
      line += ' ';
  }
  if (!line.empty() && line.back() == ' ' && (text.back() == '\n' || text.back() == '\r'))
    line.pop_back();
  return line;
}

const ControlState* FirstOfKind(const std::vector<ControlState>& controls, ControlKind kind) {
  auto it = std::find_if(controls.begin(), controls.end(),
                         [kind](const ControlState& c) { return c.kind == kind; });
  return it != controls.end() ? &*it : nullptr;
}

class ScriptedBackend final : public platform::UiBackend {
 public:
  ScriptedBackend(ScriptedAnswers answers, ScriptedDisplay display)
      : inputs_(std::move(answers.inputs), "default"),
        overwrites_(std::move(answers.overwrites), false),
        yes_(answers.yes),
        radio_(answers.radio),
        listEntry_(std::move(answers.listEntry)),
        display_(display.out),
        messages_(display.messages),
        lines_(std::move(display.lines)) {}

  int ShowMessage(const MessageBoxRequest& request) override {
    if (messages_ && request.buttons == Buttons::Ok) Say("strataplot: " + OneLine(request.text));
    if (request.buttons == Buttons::Ok) return platform::IDOK;
    return yes_ ? platform::IDYES : platform::IDNO;
  }

  bool AskOverwrite(const std::string& path) override {
    (void)path;
    return overwrites_.Take().first;
  }

  void RunDialog(DialogSession& session) override {
    if (session.Ended()) return;
    const auto& controls = session.Controls();
    if (const ControlState* edit = FirstOfKind(controls, ControlKind::Edit)) {
      AnswerInputDialog(session, edit->id, edit->text);
    } else if (FirstOfKind(controls, ControlKind::RadioButton) != nullptr) {
      AnswerRadioDialog(session);
    } else if (const ControlState* list = FirstOfKind(controls, ControlKind::ComboBox)) {
      AnswerListDialog(session, *list);
    } else {
      session.PressOk();
    }
    if (!session.Ended()) session.PressCancel();
  }

  void Progress(int total, int current) override {
    if (!lines_) display_.Progress(total, current);
  }

  void Reading(const std::string& file, std::uint64_t done, std::uint64_t size) override {
    if (!lines_) display_.Reading(file, done, size);
  }

  void Wait(const std::string& text, bool show) override {
    if (!lines_ && display_.Terminal()) display_.Wait(text, show);
  }

  void Finished(bool completed) override {
    if (!lines_) display_.Finish(completed);
  }

 private:
  // suggested: the field's text when the dialog opened. A copy: the field's
  // text changes with every answer typed into it.
  void AnswerInputDialog(DialogSession& session, int editId,
                         std::string suggested) {  // NOLINT(performance-unnecessary-value-param)
    std::optional<std::string> refused;
    for (int attempt = 0; attempt < kMaxRefusals && !session.Ended(); ++attempt) {
      auto [answer, repeated] = inputs_.Take();
      // The last answer, refused once, would be refused forever.
      if (repeated && refused == answer) {
        Unusable(session, "--interval " + answer + ": refused");
        return;
      }
      if (answer == "cancel") {
        session.SetAnswer(answer);
        session.PressCancel();
        return;
      }
      session.TypeText(editId, answer == "default" ? suggested : answer);
      session.SetAnswer(answer);
      session.PressOk();
      refused = answer;
    }
  }

  void AnswerRadioDialog(DialogSession& session) {
    std::vector<const ControlState*> radios;
    for (const ControlState& c : session.Controls()) {
      if (c.kind == ControlKind::RadioButton) radios.push_back(&c);
    }
    if (radio_ && (*radio_ < 0 || *radio_ >= static_cast<int>(radios.size()))) {
      Unusable(session, "--kind: there is no choice " + std::to_string(*radio_ + 1) + " of " +
                            std::to_string(radios.size()));
    }
    if (!radio_ || *radio_ < 0 || *radio_ >= static_cast<int>(radios.size())) {
      session.SetAnswer("cancel");
      session.PressCancel();
      return;
    }
    const ControlState& button = *radios[static_cast<std::size_t>(*radio_)];
    session.Check(button.id);
    session.SetAnswer(button.text);
    session.PressOk();
  }

  // list is the dialog's own control state, which follows the actions.
  void AnswerListDialog(DialogSession& session, const ControlState& list) {
    if (!listEntry_) {
      session.SetAnswer("cancel");
      session.PressCancel();
      return;
    }
    if (listEntry_->empty()) {
      session.SetAnswer(list.text);
    } else {
      auto it = std::find(list.items.begin(), list.items.end(), *listEntry_);
      session.SetAnswer(*listEntry_);
      if (it != list.items.end()) {
        session.Select(list.id, static_cast<int>(it - list.items.begin()));
      } else if ((list.style & platform::kDropDown) != 0) {
        session.TypeText(list.id, *listEntry_);
      } else {
        Unusable(session, "--horizon " + *listEntry_ + ": not in the list" + Listed(list.items));
        session.PressCancel();
        return;
      }
    }
    session.PressOk();
  }

  // Says why the dialog is about to be cancelled: an answer it cannot take.
  void Unusable(const DialogSession& session, const std::string& why) {
    Say("strataplot: " + why + "; the dialog \"" + session.Title() + "\" is cancelled");
  }

  // One line, on the display or to the lines' receiver.
  void Say(const std::string& line) {
    if (lines_)
      lines_(line);
    else
      display_.Say(line + "\n");
  }

  // " (A, B)", or " (empty)".
  static std::string Listed(const std::vector<std::string>& items) {
    if (items.empty()) return " (empty)";
    std::string listed;
    for (const std::string& item : items) listed += (listed.empty() ? " (" : ", ") + item;
    return listed + ")";
  }

  Answers<std::string> inputs_;
  Answers<bool> overwrites_;
  bool yes_;
  std::optional<int> radio_;
  std::optional<std::string> listEntry_;
  StatusLine display_;
  bool messages_;
  std::function<void(const std::string&)> lines_;
};

}  // namespace

std::unique_ptr<platform::UiBackend> MakeScriptedBackend(ScriptedAnswers answers,
                                                         ScriptedDisplay display) {
  return std::make_unique<ScriptedBackend>(std::move(answers), std::move(display));
}

}  // namespace console
