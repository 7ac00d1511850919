#include "host/user_interface.h"

#include <unistd.h>

namespace host {

platform::ScriptedAnswers ScriptedAnswersFrom(const BatchAnswers& answers) {
  platform::ScriptedAnswers scripted;
  scripted.inputs = answers.intervals;
  scripted.overwrites = answers.overwrites;
  scripted.yes = answers.deep;
  scripted.radio = answers.kind;
  scripted.radioAnswer = answers.kindCode;
  // The horizon comes from the command line in UTF-8; the list shows UTF-8 too.
  scripted.listEntry = answers.horizon;
  return scripted;
}

std::string WhatFollows(Command command, const platform::Declined& declined) {
  using What = platform::Declined::What;
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

std::unique_ptr<platform::UiBackend> MakeUserInterface(const Options& options,
                                                       platform::Transcript* transcript) {
  if (options.batch || isatty(STDIN_FILENO) == 0) {
    platform::ScriptedDisplay display;
    display.messages = !options.quiet;
    return platform::MakeScriptedBackend(ScriptedAnswersFrom(options.answers), transcript, display);
  }
  platform::TerminalSettings settings;
  if (options.command == Command::Gas) settings.radioCodes = KindCodes();
  Command command = options.command;
  settings.whatFollows = [command](const platform::Declined& declined) {
    return WhatFollows(command, declined);
  };
  return platform::MakeTerminalBackend(transcript, std::move(settings));
}

}  // namespace host
