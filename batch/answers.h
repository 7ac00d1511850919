// The answers to the library's questions when nothing is asked (batch), as
// the host program's options and the C API's strataplot_set_answer give them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/scripted_backend.h"

namespace batch {

struct BatchAnswers {
  std::vector<std::string> intervals{"default"};  // texts to type, "default" or "cancel"
  std::vector<bool> overwrites{false};
  bool deep = false;
  std::optional<int> kind = 0;  // position of the gas map kind; nullopt: cancel
  std::string kindCode = "sg";
  std::optional<std::string> horizon = std::string();  // "": the first listed; nullopt: cancel
  int mode = 1;                                        // handed to saturation's export
};

// Sets one answer from the value of the option of that name (interval,
// overwrite, deep, kind, horizon, mode), as the host program's option takes
// it: "12,default,cancel", "yes,no", "yes", "pg", "Es1", "2". Returns the
// reason when the option is unknown or the value one the option refuses
// (answers then unchanged); empty when it was set.
std::string ApplyAnswer(BatchAnswers& answers, const std::string& option, const std::string& value);

// The scripted backend's answers.
console::ScriptedAnswers ScriptedAnswersFrom(const BatchAnswers& answers);

}  // namespace batch
