// The scripted backend: answers every question from the host's options and
// records it. It is also the recording fake of the tests.

#include <algorithm>
#include <utility>

#include "platform/backends.h"
#include "platform/status_line.h"

namespace platform {
namespace {

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

class ScriptedBackend final : public UiBackend {
 public:
  ScriptedBackend(ScriptedAnswers answers, Transcript* transcript, ScriptedDisplay display)
      : inputs_(std::move(answers.inputs), "default"),
        overwrites_(std::move(answers.overwrites), false),
        yes_(answers.yes),
        radio_(answers.radio),
        radioAnswer_(std::move(answers.radioAnswer)),
        listEntry_(std::move(answers.listEntry)),
        transcript_(transcript),
        display_(display.out),
        messages_(display.messages) {}

  int ShowMessage(const MessageBoxRequest& request) override {
    int answer = request.buttons == Buttons::YesNo ? (yes_ ? IDYES : IDNO) : IDOK;
    if (messages_ && request.buttons == Buttons::Ok)
      display_.Say("strataplot: " + OneLine(request.text) + "\n");
    if (transcript_) transcript_->Message(request, answer);
    return answer;
  }

  bool AskOverwrite(const std::string& path) override {
    bool answer = overwrites_.Take().first;
    if (transcript_) transcript_->Overwrite(path, answer);
    return answer;
  }

  void RunDialog(DialogSession& session) override {
    std::vector<ControlState> opened = session.Controls();
    std::string title = session.Title();
    if (!session.Ended()) {
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
    if (transcript_)
      transcript_->Dialog(session.Template(), title, opened, session.Answer(), session.Result());
  }

  void Progress(int total, int current) override {
    if (transcript_) transcript_->Progress(total, current);
    display_.Progress(total, current);
  }

  void Wait(const std::string& text, bool show) override {
    if (transcript_) transcript_->Wait(text, show);
    if (display_.Terminal()) display_.Wait(text, show);
  }

  void Finished(bool completed) override { display_.Finish(completed); }

 private:
  // suggested: the field's text when the dialog opened.
  void AnswerInputDialog(DialogSession& session, int editId, std::string suggested) {
    std::optional<std::string> refused;
    for (int attempt = 0; attempt < kMaxRefusals && !session.Ended(); ++attempt) {
      auto [answer, repeated] = inputs_.Take();
      // The last answer, refused once, would be refused forever.
      if (repeated && refused == answer) return;
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
    if (!radio_ || *radio_ < 0 || *radio_ >= static_cast<int>(radios.size())) {
      session.SetAnswer("cancel");
      session.PressCancel();
      return;
    }
    const ControlState& button = *radios[static_cast<std::size_t>(*radio_)];
    session.Check(button.id);
    session.SetAnswer(radioAnswer_.empty() ? button.text : radioAnswer_);
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
      } else if ((list.style & kDropDown) != 0) {
        session.TypeText(list.id, *listEntry_);
      } else {
        session.PressCancel();
        return;
      }
    }
    session.PressOk();
  }

  Answers<std::string> inputs_;
  Answers<bool> overwrites_;
  bool yes_;
  std::optional<int> radio_;
  std::string radioAnswer_;
  std::optional<std::string> listEntry_;
  Transcript* transcript_;
  StatusLine display_;
  bool messages_;
};

}  // namespace

std::unique_ptr<UiBackend> MakeScriptedBackend(ScriptedAnswers answers, Transcript* transcript,
                                               ScriptedDisplay display) {
  return std::make_unique<ScriptedBackend>(std::move(answers), transcript, display);
}

}  // namespace platform
