// Each template as a window: controls at the rectangles the dialog units give
// for a known font metric, the title, the texts (GBK in the dialog, UTF-8 on
// the screen), the focus and the selection.
#include "qtui/template_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "dialogs/contour_interval_dialog.h"
#include "dialogs/gas_type_dialog.h"
#include "dialogs/horizon_selection_dialog.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"
#include "qtui/dialog_font.h"
#include "qtui/testing/dialog_fixture.h"

namespace qtui {
namespace {

using platform::IDCANCEL;
using platform::IDOK;
using testing::Gbk;

// A known font metric: 8 pixels per character, 16 per line.
constexpr DialogBaseUnits kBase{8, 16};

// Records the dialog as it opened and cancels it.
class Opened final : public platform::UiBackend {
 public:
  const platform::DialogTemplate* dialogTemplate = nullptr;
  DialogView view;
  bool owned = false;

  int ShowMessage(const platform::MessageBoxRequest&) override { return platform::IDOK; }
  bool AskOverwrite(const std::string&) override { return false; }
  void RunDialog(platform::DialogSession& session) override {
    dialogTemplate = &session.Template();
    view = ViewOf(session);
    owned = session.Owned();
    session.PressCancel();
  }
  void Progress(int, int) override {}
  void Wait(const std::string&, bool) override {}
};

// Runs the dialog call against Opened and shows its window as it opened.
template <typename Call>
std::unique_ptr<TemplateDialog> OpenAsItOpened(Call call) {
  Opened opened;
  platform::InstallUiBackend(&opened);
  call();
  platform::InstallUiBackend(nullptr);
  if (opened.dialogTemplate == nullptr) return nullptr;
  DialogLook look{LookOf(*opened.dialogTemplate).font, kBase};
  auto window =
      std::make_unique<TemplateDialog>(*opened.dialogTemplate, opened.view, look, nullptr);
  window->ShowPlaced();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  return window;
}

QRect Geometry(const TemplateDialog& window, int id) {
  QWidget* control = window.Control(id);
  return control != nullptr ? control->geometry() : QRect();
}

QString Text(const TemplateDialog& window, int id) {
  QWidget* control = window.Control(id);
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  return "<none>";
}

QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

TEST(TemplateWindow, ContourIntervalOfTheFramework) {
  strataplot::GetOilDlg dialog;
  dialog.value = 12;
  dialog.promptText = Gbk("输入沙三段层排油强度间距值(万吨/平方公里):");
  dialog.hintText = Gbk("本层各网格中最大排油强度为:  51.43万吨/平方公里");
  dialog.caption = Gbk("输入生(排)气强度间距值");
  auto window = OpenAsItOpened([&] { dialog.DoModal(); });
  ASSERT_TRUE(window);

  EXPECT_EQ(window->windowTitle(), "输入生(排)气强度间距值");  // the caption replaces the title
  EXPECT_EQ(window->size(), QSize(470, 186));
  // "宋体" 11 points: AR PL UMing where the scripts installed it, in pixels at the screen's
  // resolution.
  if (QFontDatabase::families().contains("AR PL UMing CN")) {
    EXPECT_EQ(window->font().family(), "AR PL UMing CN");
  }
  EXPECT_EQ(window->font().pixelSize(),
            MulDiv(11, qRound(window->screen()->logicalDotsPerInchY()), 72));
  EXPECT_EQ(Geometry(*window, strataplot::templates::kIntervalField), QRect(390, 18, 70, 28));
  EXPECT_EQ(Geometry(*window, IDOK), QRect(80, 132, 120, 38));
  EXPECT_EQ(Geometry(*window, strataplot::templates::kHintLabel), QRect(18, 76, 434, 42));
  EXPECT_EQ(Text(*window, strataplot::templates::kPromptLabel),
            "输入沙三段层排油强度间距值(万吨/平方公里):");
  EXPECT_EQ(Text(*window, strataplot::templates::kHintLabel),
            "本层各网格中最大排油强度为:  51.43万吨/平方公里");
  EXPECT_EQ(Text(*window, IDOK), "确   认 (&Y)");
  EXPECT_TRUE(static_cast<QPushButton*>(window->Control(IDOK))->isDefault());

  auto* field = static_cast<QLineEdit*>(window->Control(strataplot::templates::kIntervalField));
  EXPECT_EQ(QApplication::focusWidget(), field);
  EXPECT_EQ(field->selectedText(), "12");
  // Centred on the screen, without a minimize box.
  EXPECT_LE((window->frameGeometry().center() - Screen().center()).manhattanLength(), 2);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST(TemplateWindow, GasIntervalOfTheStaticBuildAtItsPosition) {
  strataplot::module_state::gasInterval = 7;
  auto window = OpenAsItOpened([] {
    platform::DialogBoxParam(strataplot::templates::kGetGasIntenDlg, nullptr,
                             strataplot::GetGasIntenDlgProc, 0);
  });
  ASSERT_TRUE(window);
  EXPECT_EQ(window->windowTitle(), "输入生(排)气强度间距值");
  EXPECT_EQ(window->size(), QSize(472, 178));
  EXPECT_EQ(Geometry(*window, strataplot::templates::kGasIntervalField), QRect(396, 14, 68, 28));
  EXPECT_EQ(Geometry(*window, IDCANCEL), QRect(292, 128, 126, 36));
  EXPECT_EQ(Text(*window, IDCANCEL), "取   消(&N)");
  EXPECT_EQ(static_cast<QLineEdit*>(window->Control(strataplot::templates::kGasIntervalField))
                ->selectedText(),
            "7");
  // Not centred: at (60, 60) dialog units from the screen's corner, with a minimize box.
  EXPECT_EQ(window->pos(), Screen().topLeft() + QPoint(120, 120));
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST(TemplateWindow, GasMapTypeWithOneGroupOfNine) {
  strataplot::GetGasTypeDlg dialog;
  auto window = OpenAsItOpened([&] { dialog.DoModal(); });
  ASSERT_TRUE(window);
  EXPECT_EQ(window->windowTitle(), "选择强度图类型");
  EXPECT_EQ(window->size(), QSize(318, 304));
  EXPECT_EQ(Geometry(*window, 2002), QRect(20, 26, 172, 20));
  EXPECT_EQ(Geometry(*window, 8010), QRect(20, 254, 174, 20));
  EXPECT_EQ(Geometry(*window, IDOK), QRect(220, 80, 88, 36));
  EXPECT_EQ(Text(*window, 8005), "水溶相排气强度图(&W)");
  int checked = 0;
  for (int id : strataplot::templates::kGasKindButtons) {
    checked += static_cast<QRadioButton*>(window->Control(id))->isChecked() ? 1 : 0;
  }
  EXPECT_EQ(checked, 1);
  EXPECT_TRUE(static_cast<QRadioButton*>(window->Control(2002))->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), window->Control(IDOK));  // the first tab stop
}

TEST(TemplateWindow, HorizonSelectionListsTheProjectsHorizons) {
  std::vector<std::string> horizons = {"沙三段", "沙四段", "Ek1"};
  testing::ProjectDirectory project(&horizons);
  strataplot::PreSaLayerDlg dialog;
  auto window = OpenAsItOpened([&] { dialog.DoModal(); });
  ASSERT_TRUE(window);
  EXPECT_EQ(window->windowTitle(), "选择层位");
  EXPECT_EQ(window->size(), QSize(274, 142));
  auto* list = static_cast<QComboBox*>(window->Control(strataplot::templates::kHorizonList));
  // The template's height holds the dropped-down list too.
  EXPECT_EQ(list->geometry().topLeft(), QPoint(18, 60));
  EXPECT_EQ(list->width(), 128);
  EXPECT_LE(list->height(), 134);
  EXPECT_FALSE(list->isEditable());
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->itemText(0), "沙三段");
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), window->Control(IDOK));
  EXPECT_EQ(Geometry(*window, IDCANCEL), QRect(168, 76, 100, 38));
}

}  // namespace
}  // namespace qtui
