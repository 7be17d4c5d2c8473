#pragma once
// Numbers in a script read by a terminal command exactly as the window reads
// them: with the decimal separator of the locale that LC_ALL, LC_NUMERIC or
// LANG names (the first that is set), as the window's toolkit finds it.

#include <string>

namespace sondrel {

// The separator the window uses under the locale `name` ("de_DE.UTF-8",
// "fr", "C"); '.' for a name no locale answers to.
char DecimalSeparatorOf(const std::string& name);
// Sets the separator (NumberText.h) from the environment.
void UseTheLocaleDecimalSeparator();

}  // namespace sondrel
