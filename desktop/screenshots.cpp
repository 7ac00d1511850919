// strataplot-screenshots OUTDIR: pictures of the three kinds of dialog, of
// the desktop application with its viewer and of its history view for
// docs/windows.md, made without a display. Runs the
// commands on a copy of the sample project through the desktop window and
// saves each window as it shows (QWidget::grab: the window's contents,
// without the frame the window manager would draw).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "desktop/history_view.h"
#include "desktop/main_window.h"
#include "qtui/testing/gui_driver.h"
#include "rendering/pictures.h"
#include "strataplot_build_paths.h"

namespace {

using qtui::testing::Enter;
using qtui::testing::Press;

QString outDir;
bool failed = false;

// Moves the pointer to a point of the widget.
void Hover(QWidget* widget, const QPointF& point) {
  QMouseEvent hover(QEvent::MouseMove, point, widget->mapToGlobal(point), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &hover);
}

void Save(QWidget* window, const char* name) {
  QTest::qWait(50);  // painted
  QString path = outDir + "/" + name;
  if (!window->grab().save(path)) {
    std::fprintf(stderr, "strataplot-screenshots: cannot write %s\n", qPrintable(path));
    failed = true;
  }
}

// Runs the command and answers its windows in order.
void Run(desktop::MainWindow& window, host::Command command,
         const std::vector<qtui::testing::Step>& steps) {
  bool finished = false;
  auto connection =
      QObject::connect(&window, &desktop::MainWindow::commandFinished, [&] { finished = true; });
  if (!window.Start(command) || !qtui::testing::Drive(steps) ||
      !QTest::qWaitFor([&] { return finished; }, 20000)) {
    std::fputs("strataplot-screenshots: the command did not run through\n", stderr);
    std::exit(1);
  }
  QObject::disconnect(connection);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: strataplot-screenshots OUTDIR\n", stderr);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qtui::testing::UseOffscreenPlatform();
  QApplication app(argc, argv);
  outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();

  std::filesystem::path project = std::filesystem::temp_directory_path() / "strataplot-screenshots";
  std::filesystem::remove_all(project);
  std::filesystem::copy(strataplot_build::kSampleDir, project,
                        std::filesystem::copy_options::recursive);
  std::filesystem::remove(project / "README.md");

  desktop::MainWindow window;
  window.resize(1240, 620);
  window.show();
  window.OpenDirectory(QString::fromStdString(project.string()));

  const char* oil = "输入油强度间距值";
  Run(window, host::Command::OilUnexpelled,
      {{oil,
        [](QWidget* w) {
          Save(w, "contour-interval-dialog.png");
          Enter(w);
        }},
       {oil, Enter},
       {oil, Enter},
       {oil, Enter},
       {"Strataplot", Enter}});
  const char* gas = "输入生(排)气强度间距值";
  Run(window, host::Command::Gas,
      {{"选择强度图类型",
        [](QWidget* w) {
          Press(w, Qt::Key_W);
          Save(w, "gas-map-type-dialog.png");
          Enter(w);
        }},
       {gas, Enter},
       {gas, Enter},
       {gas, Enter},
       {gas, Enter},
       {"Strataplot", Enter}});
  // The horizon list of the saturation profile: mode 2, chosen in the window.
  window.findChild<QComboBox*>("mode")->setCurrentIndex(1);
  Run(window, host::Command::Saturation,
      {{"选择层位",
        [](QWidget* w) {
          Save(w, "horizon-selection-dialog.png");
          Enter(w);
        }},
       {"计算SA", Enter}});
  // The viewer on a map of the first run, a cell near its middle hovered.
  window.OpenFile(QString::fromStdString((project / "沙三段.uo1").string()));
  QWidget* canvas = window.Viewer()->Canvas();
  QTest::qWait(100);
  Hover(canvas, QRectF(canvas->rect()).center() - QPointF(60, 0));
  Save(&window, "desktop.png");

  // The history view of the first horizon at the third period, a cell hovered.
  bool finished = false;
  QObject::connect(&window, &desktop::MainWindow::historyFinished, [&] { finished = true; });
  if (!window.StartHistory() || !QTest::qWaitFor([&] { return finished; }, 60000) ||
      window.History() == nullptr || window.History()->Map() == nullptr) {
    std::fputs("strataplot-screenshots: the history did not run through\n", stderr);
    return 1;
  }
  desktop::HistoryView* history = window.History();
  history->resize(1240, 560);
  history->Slider()->setValue(2);
  QTest::qWait(100);
  const QRectF plot = history->Map()->Layout(QRectF(history->MapCanvas()->rect())).plot;
  Hover(history->MapCanvas(), plot.center() + QPointF(-plot.width() / 6, plot.height() / 6));
  Save(history, "history-view.png");
  std::filesystem::remove_all(project);
  return failed ? 1 : 0;
}
