#include "terminal/CommandOptions.h"

#include <algorithm>

namespace sondrel {

std::optional<std::string> CommandOptions::Value(const std::string& option) const {
  const auto found = values.find(option);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

CommandOptions ReadCommandOptions(const std::vector<std::string>& arguments, const std::vector<std::string>& known,
                                  const std::string& operandName) {
  CommandOptions options;
  bool operandGiven = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.size() > 1 && argument[0] == '-') {
      // --name=value is --name value; a value may hold '=' itself.
      const size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
      const std::string option = argument.substr(0, equals);
      const bool joined = equals != std::string::npos;
      if (std::find(known.begin(), known.end(), option) == known.end()) {
        options.problem = "unknown option '" + option + "'";
      } else if (!joined && i + 1 >= arguments.size()) {
        options.problem = "'" + option + "' needs a value";
      } else if (!options.values.emplace(option, joined ? argument.substr(equals + 1) : arguments[i + 1]).second) {
        options.problem = "'" + option + "' is given twice";
      }
      if (!joined) ++i;
    } else if (operandName.empty()) {
      options.problem = arguments[0] + " takes no file: '" + argument + "'";
    } else if (operandGiven) {
      options.problem = "one script at a time: '" + argument + "' is one too many";
    } else {
      options.operand = argument;
      operandGiven = true;
    }
    if (!options.problem.empty()) return options;
  }
  if (!operandGiven && !operandName.empty()) options.problem = arguments[0] + " needs " + operandName;
  return options;
}

std::string ReadSpeakersOption(const CommandOptions& given, std::optional<SpeakerLayoutId>* layout) {
  const std::optional<std::string> value = given.Value("--speakers");
  if (!value) return {};
  *layout = LayoutNamed(*value);
  return *layout ? std::string() : "--speakers takes stereo, 2.1, quad, 5.1 or 7.1, not '" + *value + "'";
}

}  // namespace sondrel
