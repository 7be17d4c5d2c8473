#pragma once
// The arguments after --render or --play: one operand (the script, "-" for
// standard input) and options that each take one value, in any order, each
// at most once.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/SpeakerLayout.h"

namespace sondrel {

struct CommandOptions {
  std::string operand;
  std::map<std::string, std::string> values;  // by option, as given
  std::string problem;                        // empty when the arguments are understood

  std::optional<std::string> Value(const std::string& option) const;
};

// Reads arguments[1...] (arguments[0] is the command) with the options in
// `known`, each followed by its value or joined to it by '=' ("--rate=48000").
// `operandName` names the operand in problems ("a script"); empty,
// the command takes none.
CommandOptions ReadCommandOptions(const std::vector<std::string>& arguments, const std::vector<std::string>& known,
                                  const std::string& operandName);

// --speakers LAYOUT, when given: empty, or the problem for the user.
std::string ReadSpeakersOption(const CommandOptions& given, std::optional<SpeakerLayoutId>* layout);

}  // namespace sondrel
