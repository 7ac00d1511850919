#include "batch/answers.h"

#include <algorithm>
#include <charconv>

#include "batch/commands.h"
#include "cli/cli.h"

namespace batch {
namespace {

std::string Refused(const std::string& item, const std::vector<std::string>& allowed) {
  std::string words;
  for (const std::string& word : allowed) words += (words.empty() ? "" : ", ") + word;
  return "'" + item + "' is not one of " + words;
}

// The first item of the list that is not one of the allowed words, in words;
// empty when there is none.
std::string NotOneOf(const std::string& list, const std::vector<std::string>& allowed) {
  for (const std::string& item : cli::SplitList(list)) {
    if (std::find(allowed.begin(), allowed.end(), item) == allowed.end())
      return Refused(item, allowed);
  }
  return "";
}

}  // namespace

std::string ApplyAnswer(BatchAnswers& answers, const std::string& option,
                        const std::string& value) {
  if (option == "interval") {
    answers.intervals = cli::SplitList(value);
  } else if (option == "overwrite") {
    if (std::string error = NotOneOf(value, {"yes", "no"}); !error.empty()) return error;
    answers.overwrites.clear();
    for (const std::string& item : cli::SplitList(value))
      answers.overwrites.push_back(item == "yes");
  } else if (option == "deep") {
    if (value != "yes" && value != "no") return Refused(value, {"yes", "no"});
    answers.deep = value == "yes";
  } else if (option == "kind") {
    std::vector<std::string> codes = KindCodes();
    auto it = std::find(codes.begin(), codes.end(), value);
    if (it == codes.end() && value != "cancel") {
      codes.push_back("cancel");
      return Refused(value, codes);
    }
    answers.kindCode = value;
    answers.kind.reset();
    if (it != codes.end()) answers.kind = static_cast<int>(it - codes.begin());
  } else if (option == "horizon") {
    if (value == "cancel")
      answers.horizon.reset();
    else
      answers.horizon = value;
  } else if (option == "mode") {
    int mode = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), mode);
    if (value.empty() || error != std::errc() || end != value.data() + value.size())
      return "'" + value + "' is not a whole number";
    answers.mode = mode;
  } else {
    return "unknown option '" + option +
           "' (one of interval, overwrite, deep, kind, horizon, mode)";
  }
  return "";
}

console::ScriptedAnswers ScriptedAnswersFrom(const BatchAnswers& answers) {
  console::ScriptedAnswers scripted;
  scripted.inputs = answers.intervals;
  scripted.overwrites = answers.overwrites;
  scripted.yes = answers.deep;
  scripted.radio = answers.kind;
  // The horizon comes in UTF-8; the list shows UTF-8 too.
  scripted.listEntry = answers.horizon;
  return scripted;
}

}  // namespace batch
