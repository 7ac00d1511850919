// Dialogs from templates: the registry, the framework's and the plain way's
// runs, the control operations in GBK, radio groups, lists, GetDlgItemInt and
// the owner of message boxes.

#include "platform/dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/testing/dialog_testing.h"
#include "platform/ui_backend.h"

namespace platform {
namespace {

using test_dialogs::IntervalDialog;
using test_dialogs::kTemplates;

// A backend that records what it is shown and lets each test drive the dialog.
class FakeBackend : public UiBackend {
 public:
  std::function<void(DialogSession&)> onDialog;
  std::vector<MessageBoxRequest> messages;
  std::vector<ControlState> opened;
  std::string openedTitle;
  int openedFocus = -100;
  int dialogs = 0;

  int ShowMessage(const MessageBoxRequest& request) override {
    messages.push_back(request);
    return request.buttons == Buttons::YesNo ? IDYES : IDOK;
  }
  bool AskOverwrite(const std::string&) override { return true; }
  void RunDialog(DialogSession& session) override {
    ++dialogs;
    opened = session.Controls();
    openedTitle = session.Title();
    openedFocus = session.Focus();
    if (onDialog) onDialog(session);
  }
  void Progress(int, int) override {}
  void Wait(const std::string&, bool) override {}
};

const ControlState& ControlOf(const std::vector<ControlState>& controls, int id) {
  for (const ControlState& c : controls) {
    if (c.id == id) return c;
  }
  static const ControlState none;
  ADD_FAILURE() << "no control " << id;
  return none;
}

class DialogFixture : public ::testing::Test {
 protected:
  void SetUp() override { InstallUiBackend(&backend_); }
  void TearDown() override { InstallUiBackend(nullptr); }
  std::optional<test_dialogs::RegisteredTemplates> registered_{std::in_place};
  FakeBackend backend_;
};

using DialogTemplates = DialogFixture;

TEST_F(DialogTemplates, FoundByResourceIdOrName) {
  ASSERT_NE(FindDialogTemplate("90002"), nullptr);
  EXPECT_EQ(FindDialogTemplate("90002")->controls.size(), 6u);
  EXPECT_EQ(FindDialogTemplate("HorizonDlg"), &kTemplates[2]);
  EXPECT_EQ(FindDialogTemplate("10002"), nullptr);
}

TEST_F(DialogTemplates, UnregisterRemovesOnlyThatModule) {
  const int otherModule = 0;
  const DialogTemplate other[] = {{"77777", "", "System", 8, {}, 0, {}}};
  RegisterDialogTemplates(&otherModule, other);
  EXPECT_NE(FindDialogTemplate("77777"), nullptr);
  UnregisterDialogTemplates(&otherModule);
  EXPECT_EQ(FindDialogTemplate("77777"), nullptr);
  EXPECT_NE(FindDialogTemplate("90002"), nullptr);
}

TEST_F(DialogTemplates, DoModalOfAnUnregisteredTemplateIsMinusOne) {
  IntervalDialog unknown("10002");
  EXPECT_EQ(unknown.DoModal(), -1);
  registered_.reset();
  IntervalDialog dialog;
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(backend_.dialogs, 0);
}

TEST_F(DialogTemplates, DoModalWithoutBackendIsMinusOne) {
  InstallUiBackend(nullptr);
  IntervalDialog dialog;
  EXPECT_EQ(dialog.DoModal(), -1);
}

using DialogModal = DialogFixture;

TEST_F(DialogModal, OpensWithInitTextsInUtf8AndFocusOnFirstTabStop) {
  IntervalDialog dialog;
  dialog.hint = "\xd7\xee\xb4\xf3\xd6\xb5 12";  // 最大值 12
  backend_.onDialog = [](DialogSession& s) { s.PressOk(); };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.value, 5);
  EXPECT_EQ(backend_.openedTitle, "间距:");
  EXPECT_EQ(backend_.openedFocus, 2000);
  EXPECT_EQ(ControlOf(backend_.opened, 2000).text, "5");
  EXPECT_EQ(ControlOf(backend_.opened, 1043).text, "最大值 12");
  EXPECT_EQ(ControlOf(backend_.opened, IDOK).text, "确   认 (&Y)");
  EXPECT_EQ(ControlOf(backend_.opened, 1041).text, "间距:");
  EXPECT_NE(dialog.window, nullptr);
}

TEST_F(DialogModal, InitReturningFalseLeavesTheFocusAlone) {
  IntervalDialog dialog;
  dialog.focusFirst = false;
  backend_.onDialog = [](DialogSession& s) { s.PressCancel(); };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(backend_.openedFocus, kNoId);
}

TEST_F(DialogModal, TypedUtf8ReachesTheDialogAsGbk) {
  struct Echo : IntervalDialog {
    std::string typed;
    void OnOK() override {
      typed = GetDlgItemText(2000);
      EndDialog(IDOK);
    }
  } dialog;
  // 沙 converts; the emoji has no GBK form and becomes '?'.
  backend_.onDialog = [](DialogSession& s) {
    s.TypeText(2000,
               "沙\xF0\x9F\x98\x80"
               "7");
    s.PressOk();
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.typed, "\xc9\xb3?7");
}

TEST_F(DialogModal, RefusedTextKeepsTheDialogOpenWithAnOwnedMessage) {
  IntervalDialog dialog;
  backend_.onDialog = [&](DialogSession& s) {
    EXPECT_TRUE(s.Owned());  // a framework dialog without an owner belongs to the main window
    unsigned moves = s.FocusMoves();
    s.TypeText(2000, "12a");
    s.PressOk();
    EXPECT_FALSE(s.Ended());
    EXPECT_EQ(s.Focus(), 2000);
    EXPECT_EQ(s.FocusMoves(), moves + 1);  // moved again to the field that had it
    s.TypeText(2000, "-3");
    s.PressOk();
    EXPECT_TRUE(s.Ended());
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.value, -3);
  EXPECT_EQ(dialog.refusals, 1);
  ASSERT_EQ(backend_.messages.size(), 1u);
  EXPECT_EQ(backend_.messages[0].text, "请输入整数");
  EXPECT_EQ(backend_.messages[0].caption, std::nullopt);
  EXPECT_TRUE(backend_.messages[0].owned);
}

TEST_F(DialogModal, BackendLeavingItOpenEndsWithCancel) {
  IntervalDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.value, 5);
}

TEST_F(DialogModal, WindowIsValidOnlyWhileRunning) {
  IntervalDialog dialog;
  backend_.onDialog = [&](DialogSession& s) {
    EXPECT_TRUE(SetDlgItemText(dialog.window, 1041, "x"));
    EXPECT_EQ(s.Controls()[3].text, "x");
    s.PressCancel();
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  ASSERT_NE(dialog.window, nullptr);
  EXPECT_FALSE(SetDlgItemText(dialog.window, 1041, "x"));
  EXPECT_EQ(GetDlgItemText(dialog.window, 1041), "");
}

using DialogRadio = DialogFixture;

TEST_F(DialogRadio, AGroupFrameInsideTheGroupNeitherEndsNorStartsIt) {
  struct KindDialog : Dialog {
    KindDialog() : Dialog("90003", nullptr) {}
    std::vector<bool> checked;
    bool OnInitDialog() override {
      CheckRadioButton(2002, 8008, 2002);
      CheckRadioButton(9001, 9002, 9002);
      return true;
    }
    void OnOK() override {
      for (int id : {2002, 2003, 8008, 9001, 9002}) checked.push_back(IsDlgButtonChecked(id));
      EndDialog(IDOK);
    }
  } dialog;
  backend_.onDialog = [](DialogSession& s) {
    s.Check(8008);  // past the frame: still the first group
    s.PressOk();
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.checked, (std::vector<bool>{false, false, true, false, true}));
  EXPECT_TRUE(ControlOf(backend_.opened, 2002).checked);
}

TEST_F(DialogRadio, GroupMembersInTemplateOrder) {
  struct Opened : Dialog {
    Opened() : Dialog("90003", nullptr) {}
  } dialog;
  backend_.onDialog = [](DialogSession& s) {
    const auto& controls = s.Controls();
    EXPECT_EQ(RadioGroup(controls, 2), (std::vector<std::size_t>{2, 3, 5}));
    EXPECT_EQ(RadioGroup(controls, 5), (std::vector<std::size_t>{2, 3, 5}));
    EXPECT_EQ(RadioGroup(controls, 7), (std::vector<std::size_t>{6, 7}));
    EXPECT_TRUE(RadioGroup(controls, 4).empty());  // the frame
    EXPECT_TRUE(RadioGroup(controls, 0).empty());  // a push button
    s.PressCancel();
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

// One rule for the terminal and the windows: any character after a lone '&',
// ASCII letters in either case.
TEST(Accelerators, OfAControlText) {
  struct Case {
    const char* text;
    const char* accelerator;
    const char* shown;
  } cases[] = {
      {"确认(&Y)", "Y", "确认(Y)"},
      {"选择烃源岩层位(&s):", "S", "选择烃源岩层位(s):"},
      {"A && B", "", "A & B"},
      {"&&x &z", "Z", "&x z"},
      {"提示", "", "提示"},
      {"end&", "", "end&"},
      {"&层位", "层", "层位"},
      {"a&\xce\xb2"
       "c",
       "\xce\xb2",
       "a\xce\xb2"
       "c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AcceleratorOf(c.text), c.accelerator) << c.text;
    EXPECT_EQ(WithoutAcceleratorMarks(c.text), c.shown) << c.text;
  }
  EXPECT_TRUE(IsAcceleratorOf("y", "确认(&Y)"));
  EXPECT_TRUE(IsAcceleratorOf("S", "层位(&s)"));
  EXPECT_TRUE(IsAcceleratorOf("层", "&层位"));
  EXPECT_FALSE(IsAcceleratorOf("层位", "&层位"));
  EXPECT_FALSE(IsAcceleratorOf("", "提示"));
  EXPECT_FALSE(IsAcceleratorOf("ys", "确认(&Y)"));
}

using DialogCombo = DialogFixture;

TEST_F(DialogCombo, ListOperationsInGbkShownInUtf8) {
  struct ListDialog : Dialog {
    ListDialog() : Dialog("HorizonDlg", nullptr) {}
    std::string chosen;
    int count = 0;
    bool OnInitDialog() override {
      EXPECT_EQ(AddString(1061, GBK_SHASAN), 0);
      EXPECT_EQ(AddString(1061, GBK_SHASI), 1);
      EXPECT_EQ(AddString(IDOK, "x"), -1);  // not a list
      EXPECT_EQ(GetCurSel(1061), -1);
      SetCurSel(1061, 0);
      count = GetCount(1061);
      return true;
    }
    void OnOK() override {
      int sel = GetCurSel(1061);
      if (sel < 0) return;
      chosen = GetLBText(1061, sel);
      EXPECT_EQ(GetDlgItemText(1061), chosen);
      EndDialog(IDOK);
    }
  } dialog;
  backend_.onDialog = [](DialogSession& s) {
    const ControlState& list = s.Controls()[4];
    EXPECT_EQ(list.items, (std::vector<std::string>{"沙三段", "沙四段"}));
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(list.text, "沙三段");
    s.Select(1061, 1);
    EXPECT_EQ(list.text, "沙四段");
    s.PressOk();
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.count, 2);
  EXPECT_EQ(dialog.chosen, GBK_SHASI);
}

TEST_F(DialogCombo, ClearingTheSelectionClearsAChooseOnlyListsText) {
  struct Cleared : Dialog {
    Cleared() : Dialog("HorizonDlg", nullptr) {}
    bool OnInitDialog() override {
      AddString(1061, GBK_SHASAN);
      SetCurSel(1061, 0);
      SetCurSel(1061, 5);  // out of range: no selection
      return true;
    }
  } dialog;
  backend_.onDialog = [](DialogSession& s) { s.PressCancel(); };
  dialog.DoModal();
  EXPECT_EQ(ControlOf(backend_.opened, 1061).selected, -1);
  EXPECT_EQ(ControlOf(backend_.opened, 1061).text, "");
}

// ---- The plain way ---------------------------------------------------------------

struct ProcLog {
  std::vector<std::pair<unsigned, std::uintptr_t>> messages;
  std::intptr_t param = 0;
  HWND window = nullptr;
};
ProcLog procLog;

std::intptr_t LoggingProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  procLog.messages.emplace_back(message, wParam);
  if (message == WM_INITDIALOG) {
    procLog.window = dialog;
    procLog.param = lParam;
    SetDlgItemInt(dialog, 2000, 7, false);
    SetFocusTo(dialog, 1041);
    return 0;
  }
  if (message == WM_COMMAND && wParam == IDOK) EndDialog(dialog, 1);
  if (message == WM_COMMAND && wParam == IDCANCEL) EndDialog(dialog, 0);
  return 1;
}

class DialogBoxParamTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    procLog = ProcLog();
  }
};

TEST_F(DialogBoxParamTest, ProcedureSeesInitThenOk) {
  backend_.onDialog = [](DialogSession& s) { s.PressOk(); };
  EXPECT_EQ(DialogBoxParam(kTemplates[0], nullptr, LoggingProc, 42), 1);
  ASSERT_EQ(procLog.messages.size(), 2u);
  EXPECT_EQ(procLog.messages[0], std::make_pair(WM_INITDIALOG, std::uintptr_t{0}));
  EXPECT_EQ(procLog.messages[1], std::make_pair(WM_COMMAND, std::uintptr_t{IDOK}));
  EXPECT_EQ(procLog.param, 42);
  EXPECT_EQ(ControlOf(backend_.opened, 2000).text, "7");
  EXPECT_EQ(backend_.openedFocus, 1041);  // the procedure's own focus, as it returned 0
  EXPECT_FALSE(SetDlgItemText(procLog.window, 2000, "1"));  // ended: the handle is gone
}

TEST_F(DialogBoxParamTest, ProcedureSeesCancel) {
  std::vector<bool> owned;
  backend_.onDialog = [&](DialogSession& s) {
    owned.push_back(s.Owned());
    s.PressCancel();
  };
  int host = 0;
  EXPECT_EQ(DialogBoxParam(kTemplates[0], reinterpret_cast<HWND>(&host), LoggingProc, 0), 0);
  EXPECT_EQ(DialogBoxParam(kTemplates[0], nullptr, LoggingProc, 0), 0);
  EXPECT_EQ(owned, (std::vector<bool>{true, false}));
  ASSERT_EQ(procLog.messages.size(), 4u);
  EXPECT_EQ(procLog.messages[1], std::make_pair(WM_COMMAND, std::uintptr_t{IDCANCEL}));
}

TEST_F(DialogBoxParamTest, WithoutBackendIsMinusOneAndTheProcedureIsNotCalled) {
  InstallUiBackend(nullptr);
  EXPECT_EQ(DialogBoxParam(kTemplates[0], nullptr, LoggingProc, 0), -1);
  EXPECT_TRUE(procLog.messages.empty());
}

TEST_F(DialogBoxParamTest, UnknownHandleIsRefused) {
  int someObject = 0;
  HWND unknown = reinterpret_cast<HWND>(&someObject);
  bool translated = true;
  EXPECT_FALSE(SetDlgItemText(unknown, 2000, "1"));
  EXPECT_EQ(GetDlgItemText(unknown, 2000), "");
  EXPECT_EQ(GetDlgItemInt(unknown, 2000, &translated, false), 0u);
  EXPECT_FALSE(translated);
  EXPECT_FALSE(EndDialog(unknown, 1));
  EXPECT_FALSE(CheckRadioButton(unknown, 1, 2, 1));
  EXPECT_FALSE(IsDlgButtonChecked(unknown, 1));
  EXPECT_EQ(ComboAddString(unknown, 1061, "x"), -1);
  EXPECT_FALSE(SetFocusTo(unknown, 1));
  EXPECT_FALSE(SetFocusTo(nullptr, 1));
}

struct IntCase {
  const char* text;
  bool isSigned;
  bool translated;
  unsigned value;
};

const IntCase kIntCases[] = {
    {"12", false, true, 12},
    {" 7", false, true, 7},
    {"   0", false, true, 0},
    {"12a", false, false, 0},
    {"", false, false, 0},
    {" ", false, false, 0},
    {"7 ", false, false, 0},
    {"1.5", false, false, 0},
    {"+3", false, false, 0},
    {"-3", false, false, 0},
    {"-3", true, true, static_cast<unsigned>(-3)},
    {" -3", true, true, static_cast<unsigned>(-3)},
    {"-", true, false, 0},
    {"--3", true, false, 0},
    {"- 3", true, false, 0},
    {"4294967295", false, true, 4294967295u},
    {"4294967296", false, false, 0},
    {"99999999999999999999", false, false, 0},
    {"2147483647", true, true, 2147483647u},
    {"2147483648", true, false, 0},
    {"-2147483648", true, true, 0x80000000u},
    {"-2147483649", true, false, 0},
};

TEST_F(DialogBoxParamTest, GetDlgItemIntTable) {
  backend_.onDialog = [](DialogSession& s) {
    for (const IntCase& c : kIntCases) {
      SCOPED_TRACE(std::string("\"") + c.text + "\" " + (c.isSigned ? "signed" : "unsigned"));
      s.TypeText(2000, c.text);
      bool translated = !c.translated;
      EXPECT_EQ(GetDlgItemInt(procLog.window, 2000, &translated, c.isSigned), c.value);
      EXPECT_EQ(translated, c.translated);
    }
    EXPECT_EQ(GetDlgItemInt(procLog.window, 2000, nullptr, false), 0u);  // a null flag is allowed
    s.PressCancel();
  };
  DialogBoxParam(kTemplates[0], nullptr, LoggingProc, 0);
}

TEST_F(DialogBoxParamTest, SetDlgItemIntWritesDecimal) {
  backend_.onDialog = [](DialogSession& s) {
    HWND w = procLog.window;
    const ControlState& field = s.Controls()[0];
    SetDlgItemInt(w, 2000, static_cast<unsigned>(-3), true);
    EXPECT_EQ(field.text, "-3");
    SetDlgItemInt(w, 2000, static_cast<unsigned>(-3), false);
    EXPECT_EQ(field.text, "4294967293");
    SetDlgItemInt(w, 2000, 0, true);
    EXPECT_EQ(field.text, "0");
    EXPECT_FALSE(SetDlgItemInt(w, 4242, 1, false));  // no such control
    s.PressCancel();
  };
  DialogBoxParam(kTemplates[0], nullptr, LoggingProc, 0);
}

// ---- Message boxes ------------------------------------------------------------------

using DialogMessageBox = DialogFixture;

TEST_F(DialogMessageBox, OwnerCaptionAndTextsConverted) {
  int hostWindow = 0;
  EXPECT_EQ(
      MessageBox(reinterpret_cast<HWND>(&hostWindow), GBK_HINT, " ", Icon::Error, Buttons::Ok),
      IDOK);
  EXPECT_EQ(AfxMessageBox(GBK_HINT, Icon::Question, Buttons::YesNo), IDYES);
  EXPECT_EQ(MessageBox(nullptr, "a", GBK_HINT, Icon::None, Buttons::Ok), IDOK);
  ASSERT_EQ(backend_.messages.size(), 3u);
  EXPECT_EQ(backend_.messages[0].text, "提示");
  EXPECT_EQ(backend_.messages[0].caption, " ");
  EXPECT_TRUE(backend_.messages[0].owned);
  EXPECT_EQ(backend_.messages[0].icon, Icon::Error);
  EXPECT_EQ(backend_.messages[1].caption, std::nullopt);
  EXPECT_FALSE(backend_.messages[1].owned);
  EXPECT_EQ(backend_.messages[1].buttons, Buttons::YesNo);
  EXPECT_EQ(backend_.messages[2].caption, "提示");
  EXPECT_FALSE(backend_.messages[2].owned);
}

TEST_F(DialogMessageBox, WithoutBackendOkBoxesSayOkAndQuestionsNo) {
  InstallUiBackend(nullptr);
  EXPECT_EQ(MessageBox(nullptr, "a", nullptr, Icon::Information, Buttons::Ok), IDOK);
  EXPECT_EQ(AfxMessageBox("a", Icon::Question, Buttons::YesNo), IDNO);
  EXPECT_FALSE(AskOverwrite("a.txt"));
}

}  // namespace
}  // namespace platform
