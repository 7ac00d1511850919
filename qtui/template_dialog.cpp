#include "qtui/template_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

#include "qtui/dialog_font.h"

namespace qtui {
namespace {

using platform::ControlKind;
using platform::ControlState;

QString Qs(const std::string& utf8) { return QString::fromStdString(utf8); }

bool IsEditableList(const ControlState& c) {
  return c.kind == ControlKind::ComboBox && (c.style & platform::kDropDown) != 0;
}

// A label's text without its accelerator marker, for a label that has no
// control to hand the accelerator to.
QString WithoutMarker(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace

DialogView ViewOf(const platform::DialogSession& session) {
  return {session.Title(), session.Controls(), session.Focus(), session.FocusMoves(),
          session.Ended()};
}

void Apply(const UserInput& input, platform::DialogSession& session) {
  const std::vector<ControlState>& now = session.Controls();
  std::size_t count = std::min(input.controls.size(), now.size());
  for (std::size_t i = 0; i < count; ++i) {
    const ControlState& in = input.controls[i];
    const ControlState& current = now[i];
    switch (current.kind) {
      case ControlKind::Edit:
        if (in.text != current.text) session.TypeText(current.id, in.text);
        break;
      case ControlKind::RadioButton:
        if (in.checked && !current.checked) session.Check(current.id);
        break;
      case ControlKind::ComboBox: {
        bool chosen = in.selected >= 0 && in.selected < static_cast<int>(current.items.size()) &&
                      current.items[static_cast<std::size_t>(in.selected)] == in.text;
        if (!IsEditableList(current)) {
          if (in.selected != current.selected) session.Select(current.id, in.selected);
        } else if (chosen && in.selected != current.selected) {
          session.Select(current.id, in.selected);
        } else if (!chosen && in.text != current.text) {
          session.TypeText(current.id, in.text);
        }
        break;
      }
      default:
        break;
    }
  }

  // The answer, as the other backends word it; a radio dialog's is named by
  // the transcript from the button checked.
  auto first = [&](ControlKind kind) {
    return std::find_if(now.begin(), now.end(),
                        [kind](const ControlState& c) { return c.kind == kind; });
  };
  if (input.press == Press::Cancel) {
    session.SetAnswer("cancel");
  } else if (auto edit = first(ControlKind::Edit); edit != now.end()) {
    session.SetAnswer(input.editedSinceOpening ? edit->text : "default");
  } else if (auto list = first(ControlKind::ComboBox); list != now.end()) {
    session.SetAnswer(list->text);
  }

  if (input.press == Press::Ok) {
    session.PressOk();
  } else {
    session.PressCancel();
  }
}

DialogLook LookOf(const platform::DialogTemplate& dialogTemplate) {
  QFont font = DialogFont(dialogTemplate);
  return {font, BaseUnitsOf(font)};
}

TemplateDialog::TemplateDialog(const platform::DialogTemplate& dialogTemplate,
                               const DialogView& view, const DialogLook& look, QWidget* owner)
    : QDialog(owner), template_(dialogTemplate), view_(view) {
  Build(look);
}

void TemplateDialog::Build(const DialogLook& look) {
  base_ = look.base;
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if ((template_.style & platform::kMinimizeBox) != 0) flags |= Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(Qs(view_.title));
  setFont(look.font);
  platform::Rect frame = ToPixels(template_.rect, look.base);
  setFixedSize(frame.width, frame.height);

  const std::vector<ControlState>& controls = view_.controls;
  for (const ControlState& c : controls) {
    QWidget* widget = nullptr;
    switch (c.kind) {
      case ControlKind::PushButton: {
        auto* button = new QPushButton(this);
        button->installEventFilter(this);
        button->setDefault((c.style & platform::kDefaultButton) != 0);
        connect(button, &QPushButton::clicked, this, [this, id = c.id] { PressButton(id); });
        widget = button;
        break;
      }
      case ControlKind::Edit: {
        auto* edit = new QLineEdit(this);
        edit->setFrame((c.style & platform::kBorder) != 0);
        connect(edit, &QLineEdit::textEdited, this, [this] { edited_ = true; });
        widget = edit;
        break;
      }
      case ControlKind::Label: {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        Qt::Alignment horizontal =
            (c.style & platform::kAlignCenter) != 0 ? Qt::AlignHCenter : Qt::AlignLeft;
        label->setAlignment(horizontal | Qt::AlignTop);
        widget = label;
        break;
      }
      case ControlKind::GroupBox:
        widget = new QGroupBox(this);
        break;
      case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(this);
        radio->installEventFilter(this);
        radio->setAutoExclusive(false);  // the groups below decide
        widget = radio;
        break;
      }
      case ControlKind::ComboBox: {
        auto* list = new QComboBox(this);
        list->setEditable(IsEditableList(c));
        list->setInsertPolicy(QComboBox::NoInsert);
        widget = list;
        break;
      }
    }
    platform::Rect r = ToPixels(c.rect, look.base);
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
      // The template's height includes the dropped-down list.
      int closed = std::min(list->sizeHint().height(), r.height);
      int lineHeight = std::max(1, QFontMetrics(look.font).height());
      list->setMaxVisibleItems(std::max(1, (r.height - closed) / lineHeight));
      r.height = closed;
    }
    widget->setGeometry(r.x, r.y, r.width, r.height);
    bool input = c.kind != ControlKind::Label && c.kind != ControlKind::GroupBox;
    widget->setFocusPolicy(!input                                ? Qt::NoFocus
                           : (c.style & platform::kTabStop) != 0 ? Qt::StrongFocus
                                                                 : Qt::ClickFocus);
    controls_.push_back(widget);
  }

  for (std::size_t i = 0; i < controls.size(); ++i) {
    // Frames lie under the controls they surround.
    if (controls[i].kind == ControlKind::GroupBox) controls_[i]->lower();
    // Each radio group is one exclusive group of buttons.
    std::vector<std::size_t> members = platform::RadioGroup(controls, i);
    if (!members.empty() && members.front() == i &&
        (controls[i].style & platform::kAutoRadio) != 0) {
      auto* group = new QButtonGroup(this);
      for (std::size_t m : members) group->addButton(static_cast<QRadioButton*>(controls_[m]));
      groups_.push_back(group);
    }
    // A label's accelerator moves the focus to the next tab stop after it.
    if (auto* label = qobject_cast<QLabel*>(controls_[i])) {
      for (std::size_t next = i + 1; next < controls.size(); ++next) {
        if ((controls[next].style & platform::kTabStop) != 0) {
          label->setBuddy(controls_[next]);
          break;
        }
      }
    }
  }
  for (std::size_t i = 0; i < controls.size(); ++i) Show(i, controls[i]);
}

void TemplateDialog::Show(std::size_t index, const ControlState& state) {
  QWidget* widget = controls_[index];
  QString text = Qs(state.text);
  switch (state.kind) {
    case ControlKind::PushButton:
      static_cast<QPushButton*>(widget)->setText(text);
      break;
    case ControlKind::Edit:
      static_cast<QLineEdit*>(widget)->setText(text);
      break;
    case ControlKind::Label: {
      auto* label = static_cast<QLabel*>(widget);
      label->setText(label->buddy() != nullptr ? text : WithoutMarker(text));
      break;
    }
    case ControlKind::GroupBox:
      static_cast<QGroupBox*>(widget)->setTitle(text);
      break;
    case ControlKind::RadioButton: {
      auto* button = static_cast<QRadioButton*>(widget);
      button->setText(text);
      // An exclusive group would refuse to clear its checked button.
      QButtonGroup* group = button->group();
      if (group != nullptr) group->setExclusive(false);
      button->setChecked(state.checked);
      if (group != nullptr) group->setExclusive(true);
      break;
    }
    case ControlKind::ComboBox: {
      auto* list = static_cast<QComboBox*>(widget);
      list->clear();
      for (const std::string& item : state.items) list->addItem(Qs(item));
      list->setCurrentIndex(state.selected);
      if (list->isEditable()) list->setEditText(text);
      break;
    }
  }
}

QWidget* TemplateDialog::Control(int id) const {
  if (id == platform::kNoId) return nullptr;
  for (std::size_t i = 0; i < view_.controls.size(); ++i) {
    if (view_.controls[i].id == id) return controls_[i];
  }
  return nullptr;
}

std::size_t TemplateDialog::IndexOf(const QWidget* widget) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (widget != nullptr && (controls_[i] == widget || controls_[i]->isAncestorOf(widget)))
      return i;
  }
  return controls_.size();
}

void TemplateDialog::ShowPlaced() {
  QScreen* screen =
      parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
  if ((template_.style & platform::kCentered) != 0) {
    move(area.center() - QPoint(width() / 2, height() / 2));
  } else {
    platform::Rect r = ToPixels(template_.rect, base_);
    QPoint origin = parentWidget() != nullptr && parentWidget()->isVisible()
                        ? parentWidget()->mapToGlobal(QPoint(0, 0))
                        : area.topLeft();
    move(origin + QPoint(r.x, r.y));
  }
  show();
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) raise();  // it cannot
  activateWindow();
  FocusControl(view_.focus, Qt::OtherFocusReason);
}

void TemplateDialog::FocusControl(int id, Qt::FocusReason reason) {
  QWidget* widget = Control(id);
  if (widget == nullptr) {
    setFocus(reason);
    return;
  }
  FocusIndex(IndexOf(widget), reason);
}

void TemplateDialog::FocusIndex(std::size_t index, Qt::FocusReason reason) {
  QWidget* widget = controls_[index];
  widget->setFocus(reason);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
  if (auto* list = qobject_cast<QComboBox*>(widget);
      list != nullptr && list->lineEdit() != nullptr) {
    list->lineEdit()->selectAll();
  }
}

void TemplateDialog::Update(const DialogView& view) {
  if (view.title != view_.title) setWindowTitle(Qs(view.title));
  std::size_t count = std::min(view.controls.size(), view_.controls.size());
  for (std::size_t i = 0; i < count; ++i) {
    const ControlState& before = view_.controls[i];
    const ControlState& after = view.controls[i];
    if (after.text != before.text || after.checked != before.checked ||
        after.items != before.items || after.selected != before.selected) {
      Show(i, after);
    }
  }
  bool focusMoved = view.focusMoves != view_.focusMoves;
  view_ = view;
  if (focusMoved) FocusControl(view_.focus, Qt::OtherFocusReason);
  busy_ = false;
  QCoreApplication::instance()->removeEventFilter(this);
  // What the user did meanwhile, in order, as if it came now; a press among
  // it makes the window busy again and keeps the rest for later.
  while (!busy_ && !deferred_.empty()) {
    Deferred next = std::move(deferred_.front());
    deferred_.pop_front();
    if (next.receiver) QCoreApplication::sendEvent(next.receiver, next.event.get());
  }
}

bool TemplateDialog::eventFilter(QObject* watched, QEvent* event) {
  // A button's accelerator acts at once, as a dialog's does (Qt would click
  // it a moment later, after keys that follow).
  if (event->type() == QEvent::Shortcut && !busy_) {
    std::size_t index = IndexOf(qobject_cast<QWidget*>(watched));
    if (index < controls_.size() && controls_[index] == watched) {
      Activate(index);
      return true;
    }
  }
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      break;
    default:
      return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!busy_ || widget == nullptr || widget->window() != this) return false;
  deferred_.push_back({widget, std::unique_ptr<QEvent>(event->clone())});
  return true;
}

UserInput TemplateDialog::Input(Press press) const {
  UserInput input{press, view_.controls, edited_};
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    ControlState& c = input.controls[i];
    if (auto* edit = qobject_cast<QLineEdit*>(controls_[i])) {
      c.text = edit->text().toStdString();
    } else if (auto* radio = qobject_cast<QRadioButton*>(controls_[i])) {
      c.checked = radio->isChecked();
    } else if (auto* list = qobject_cast<QComboBox*>(controls_[i])) {
      c.selected = list->currentIndex();
      c.text = list->currentText().toStdString();
    }
  }
  return input;
}

void TemplateDialog::PressButton(int id) {
  if (busy_ || (id != platform::IDOK && id != platform::IDCANCEL)) return;
  // Until the dialog has handled the press (Update), keys and clicks wait.
  busy_ = true;
  QCoreApplication::instance()->installEventFilter(this);
  emit pressed(Input(id == platform::IDOK ? Press::Ok : Press::Cancel));
}

void TemplateDialog::reject() { PressButton(platform::IDCANCEL); }

void TemplateDialog::Activate(std::size_t index) {
  QWidget* widget = controls_[index];
  if (!widget->isEnabled()) return;
  if (qobject_cast<QPushButton*>(widget) != nullptr) {
    PressButton(view_.controls[index].id);
  } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
    radio->setFocus(Qt::ShortcutFocusReason);
    radio->setChecked(true);
  } else {
    // A label or frame hands the accelerator to the next tab stop.
    for (std::size_t next = index + 1; next < controls_.size(); ++next) {
      if ((view_.controls[next].style & platform::kTabStop) != 0) {
        FocusIndex(next, Qt::ShortcutFocusReason);
        break;
      }
    }
  }
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
  // As in dialogs, a letter the focused control does not take (a button's
  // or radio button's focus) acts as the accelerator it is: W alone as Alt+W.
  constexpr auto kChords = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  if ((event->modifiers() & kChords) == 0 && event->text().size() == 1 &&
      event->text()[0].isLetterOrNumber()) {
    std::string typed = event->text().toStdString();
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      if (platform::IsAcceleratorOf(typed, view_.controls[i].text)) {
        Activate(i);
        return;
      }
    }
  }
  QDialog::keyPressEvent(event);
}

bool TemplateDialog::focusNextPrevChild(bool next) {
  // Tab and Shift+Tab follow the template's order of tab stops.
  std::vector<std::size_t> stops;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if ((view_.controls[i].style & platform::kTabStop) != 0 && controls_[i]->isEnabled())
      stops.push_back(i);
  }
  if (stops.empty()) return false;
  std::size_t current = IndexOf(focusWidget());
  auto at = std::find(stops.begin(), stops.end(), current);
  std::size_t position = 0;
  if (at == stops.end()) {
    position = next ? 0 : stops.size() - 1;
  } else {
    std::size_t here = static_cast<std::size_t>(at - stops.begin());
    position = next ? (here + 1) % stops.size() : (here + stops.size() - 1) % stops.size();
  }
  FocusIndex(stops[position], next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

}  // namespace qtui
