#pragma once
// The help viewer: a small window showing the program's HTML manual, which
// is compiled into the program. The application's help file name ("Kelvo.HLP"
// and its start-up predecessor "Kelvo24.HLP") names that manual.

#include <string>

namespace sondrel {

// Opens the manual at a topic id such as "IDH_1".
void ShowHelpTopic(const std::string& helpFile, const std::string& topicId);
// Opens the manual at a help context number; 0 opens its contents.
void ShowHelpContext(const std::string& helpFile, int context);
// Where the viewer was last sent, as "<help file>#<anchor>"; empty before
// the first request. Lets tests see what a command asked for.
std::string LastHelpRequest();

}  // namespace sondrel
