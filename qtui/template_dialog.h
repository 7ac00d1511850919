// A dialog template as a window: every control at its rectangle, the texts
// and states of the running dialog, the keyboard as dialogs have it. The
// window never changes the dialog itself: it hands what the user did over
// (UserInput) when a button is pressed, and shows what the dialog made of it
// (Update).
#pragma once

#include <QDialog>
#include <QEvent>
#include <QFont>
#include <QPointer>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_backend.h"
#include "qtui/dialog_units.h"

class QButtonGroup;

namespace qtui {

// What a window shows of a running dialog, copied from its session.
struct DialogView {
  std::string title;
  std::vector<platform::ControlState> controls;  // template order
  int focus = platform::kNoId;
  unsigned focusMoves = 0;
  bool ended = false;
};
DialogView ViewOf(const platform::DialogSession& session);

enum class Press { Ok, Cancel };

// The state of the window's controls when a button was pressed, in template
// order: texts of input fields and lists, radio buttons checked, list entries
// selected. editedSinceOpening: the user changed the first input field's text
// since the dialog opened.
struct UserInput {
  Press press = Press::Cancel;
  std::vector<platform::ControlState> controls;
  bool editedSinceOpening = false;
};

// Hands the input to the dialog: what differs from the session is typed,
// checked or selected, the session's answer is set ("cancel", "default" or
// the text typed, a list's entry), and the button is pressed, which runs the
// dialog's handlers.
void Apply(const UserInput& input, platform::DialogSession& session);

// How the window is drawn: the font and its dialog base units.
struct DialogLook {
  QFont font;
  DialogBaseUnits base;
};
DialogLook LookOf(const platform::DialogTemplate& dialogTemplate);

class TemplateDialog : public QDialog {
  Q_OBJECT

 public:
  // owner: the window that owns the dialog, or nullptr.
  TemplateDialog(const platform::DialogTemplate& dialogTemplate, const DialogView& view,
                 const DialogLook& look, QWidget* owner);

  // Shows the window where the template puts it (centred on the screen, or at
  // its position relative to the owner or the screen), with the focus where
  // the dialog put it. (QDialog::open() would show it where Qt puts it.)
  void ShowPlaced();
  // Shows the dialog's state after its handlers ran: what they changed, and
  // the focus when they moved it. Then the keys and clicks that came while the
  // dialog handled the press act, in order, as they would have after it.
  void Update(const DialogView& view);

  // The control of that id, or nullptr (for tests and screenshots).
  QWidget* Control(int id) const;

 signals:
  // A button was pressed (the button, Enter, Escape, the close box or an
  // accelerator). Keys and clicks wait until Update.
  void pressed(const qtui::UserInput& input);

 protected:
  void reject() override;  // Escape and the close box: Cancel
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(const DialogLook& look);
  void Show(std::size_t index, const platform::ControlState& state);
  void FocusControl(int id, Qt::FocusReason reason);  // the dialog itself for kNoId
  void FocusIndex(std::size_t index, Qt::FocusReason reason);
  void PressButton(int id);
  void Activate(std::size_t index);                  // the control's accelerator
  std::size_t IndexOf(const QWidget* widget) const;  // controls_.size() when none
  UserInput Input(Press press) const;

  const platform::DialogTemplate& template_;
  DialogBaseUnits base_;
  DialogView view_;
  std::vector<QWidget*> controls_;  // template order
  std::vector<QButtonGroup*> groups_;
  bool busy_ = false;
  struct Deferred {
    QPointer<QWidget> receiver;
    std::unique_ptr<QEvent> event;
  };
  std::deque<Deferred> deferred_;  // keys and clicks while busy
  bool edited_ = false;
};

}  // namespace qtui

Q_DECLARE_METATYPE(qtui::UserInput)
