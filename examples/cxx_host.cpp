// A host in C++: loads a build of the library itself, installs its own
// user-interface backend, which answers every question from a file, and calls
// one export with its window, as the workstation does.
//
//   cxx_host BUILD DIRECTORY PROJECT ANSWERS
//
// BUILD is the path of libstrataplot.so or libstrataplot-static.so
// (Strataplot_BUILDS_DIR of the CMake package names their directory). It runs
// the oil expulsion maps. ANSWERS holds one answer per line, taken in the
// order the questions come: for a dialog with an input field a text to type
// or "default" (the suggested value) or "cancel"; for a question "yes" or "no";
// for a dialog with a list the entry to choose; for one with choices the
// position of the choice (0 for the first). When the file runs out, dialogs
// take their suggestion and questions are answered no.
#include <dlfcn.h>
#include <strataplot/exports.h>
#include <strataplot/observers.h>
#include <strataplot/project.h>
#include <strataplot/ui_backend.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <fstream>
#include <iostream>
#include <string>

namespace {

// Everything the library shows or asks arrives here, on the thread that
// called the export.
class FileAnswers final : public platform::UiBackend {
 public:
  explicit FileAnswers(std::istream& in) {
    for (std::string line; std::getline(in, line);) answers_.push_back(line);
  }

  int ShowMessage(const platform::MessageBoxRequest& request) override {
    std::cout << "message: " << request.text << "\n";
    if (request.buttons == platform::Buttons::Ok) return platform::IDOK;
    return Next("no") == "yes" ? platform::IDYES : platform::IDNO;
  }

  bool AskOverwrite(const std::string& path) override {
    std::cout << "replace " << path << "?\n";
    return Next("no") == "yes";
  }

  // A dialog runs until the backend ends it with PressOk or PressCancel.
  void RunDialog(platform::DialogSession& dialog) override {
    for (const platform::ControlState& control : dialog.Controls()) {
      if (dialog.Ended()) return;
      if (control.kind == platform::ControlKind::Edit) {
        const std::string suggested = control.text;
        std::string answer = Next("default");
        if (answer == "cancel") return dialog.PressCancel();
        dialog.TypeText(control.id, answer == "default" ? suggested : answer);
        return dialog.PressOk();  // a refused text leaves the dialog open
      }
      if (control.kind == platform::ControlKind::ComboBox) {
        std::string answer = Next("default");
        for (std::size_t i = 0; i < control.items.size(); ++i) {
          if (control.items[i] == answer) dialog.Select(control.id, static_cast<int>(i));
        }
        return dialog.PressOk();
      }
      if (control.kind == platform::ControlKind::RadioButton) {
        int position = std::stoi(Next("0"));
        for (const platform::ControlState& radio : dialog.Controls()) {
          if (radio.kind == platform::ControlKind::RadioButton && position-- == 0)
            dialog.Check(radio.id);
        }
        return dialog.PressOk();
      }
    }
    if (!dialog.Ended()) dialog.PressOk();
  }

  void Progress(int total, int current) override { (void)total, (void)current; }
  void Wait(const std::string& text, bool show) override { (void)text, (void)show; }

 private:
  std::string Next(const char* otherwise) {
    if (answers_.empty()) return otherwise;
    std::string answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  std::deque<std::string> answers_;
};

// The files the library wrote whole, as it names them.
class PrintWritten final : public platform::WrittenFileObserver {
 public:
  void FileWritten(const std::string& path) override { std::cout << "written: " << path << "\n"; }
  void FileRemoved(const std::string& path) override { std::cout << "removed: " << path << "\n"; }
};

// Every completed map with its values, as a host would show it.
class PrintMaps final : public strataplot::CompletedMapObserver {
 public:
  void MapCompleted(const strataplot::CompletedMap& map) override {
    float largest = 0;
    for (float value : map.values) largest = value > largest ? value : largest;
    std::cout << "map: " << map.fileName << " \"" << map.title << "\" " << map.rowCount << "x"
              << map.columnCount << " cells, interval " << map.interval << ", largest " << largest
              << " " << map.unit << "\n";
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: cxx_host BUILD DIRECTORY PROJECT ANSWERS\n";
    return 2;
  }
  std::ifstream answerFile(argv[4]);
  void* build = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!answerFile || build == nullptr) {
    std::cerr << "cxx_host: cannot read " << argv[4] << " or load " << argv[1] << "\n";
    return 2;
  }
  auto makePaiYou =
      reinterpret_cast<strataplot::MakePaiYouFunction>(dlsym(build, strataplot::kMakePaiYouSymbol));
  std::string error;
  // The library opens the project's files by relative names.
  if (makePaiYou == nullptr || chdir(argv[2]) != 0 || !strataplot::SetProject(argv[3], &error)) {
    std::cerr << "cxx_host: cannot run on " << argv[2] << " " << argv[3] << " " << error << "\n";
    return 2;
  }

  FileAnswers backend(answerFile);
  PrintWritten written;
  PrintMaps maps;
  platform::InstallUiBackend(&backend);
  platform::InstallWrittenFileObserver(&written);
  strataplot::InstallCompletedMapObserver(&maps);
  static char mainWindow;  // any address of ours stands for the window
  std::int32_t result = makePaiYou(reinterpret_cast<strataplot::Window>(&mainWindow));
  strataplot::InstallCompletedMapObserver(nullptr);
  platform::InstallWrittenFileObserver(nullptr);
  platform::InstallUiBackend(nullptr);
  dlclose(build);

  std::cout << "result " << result << "\n";
  return result == 1 ? 0 : result == 0 ? 3 : 1;
}
