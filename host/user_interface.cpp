#include "host/user_interface.h"

#include <unistd.h>

namespace host {

std::string WhatFollows(Command command, const console::Declined& declined) {
  using What = console::Declined::What;
  const std::string ends = "导出到此结束";
  bool oil = command == Command::OilExpulsion || command == Command::OilUnexpelled ||
             command == Command::OilGeneration;
  switch (declined.what) {
    case What::Dialog:
      // The shared-framework build's oil maps go on with the suggested
      // interval; the static-framework build's end there, and the map begun
      // leaves no file (maps are whole or absent).
      if (oil && declined.name == "10002") {
        return "沿用建议的间距" + (declined.value.empty() ? "" : " " + declined.value) + " 继续";
      }
      if (declined.name == "GetOilDlg") return ends + "，正在写的图不保留";
      return ends;
    case What::Overwrite:
      return ends + "，不再生成后面的图";
    case What::Question:
      if (command == Command::OilExpulsion) return "不生成深层排油强度图，" + ends;
      return ends;
  }
  return ends;
}

std::unique_ptr<platform::UiBackend> MakeUserInterface(const Options& options) {
  if (options.batch || isatty(STDIN_FILENO) == 0) {
    console::ScriptedDisplay display;
    display.messages = !options.quiet;
    return console::MakeScriptedBackend(ScriptedAnswersFrom(options.answers), display);
  }
  console::TerminalSettings settings;
  if (options.command == Command::Gas) settings.radioCodes = KindCodes();
  Command command = options.command;
  settings.whatFollows = [command](const console::Declined& declined) {
    return WhatFollows(command, declined);
  };
  return console::MakeTerminalBackend(std::move(settings));
}

std::unique_ptr<platform::UiBackend> Transcribed(platform::UiBackend& backend,
                                                 console::Transcript* transcript) {
  if (transcript == nullptr) return nullptr;
  return std::make_unique<console::Transcribing>(backend, *transcript, KindCodes());
}

}  // namespace host
