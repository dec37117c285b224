// The installation variables ("%InstallDir%" ...) and the placeholders ("<product>" ...) applied
// to texts of the package. Every value is taken afresh at each call from the InstallContext and the
// system, so a call before the wizard sees the default installation folder and one after it the
// chosen one. The table and its matching rules are in vars/variables.h.
#pragma once

#include <string>
#include <string_view>

#include "context/install_context_win.h"
#include "vars/variables.h"

namespace mv {

// The current value of one variable.
std::u16string VariableValue(Variable variable, const InstallContext& c);

// Replaces every variable of the table, in table order, then the process environment's variables
// (%PATH%, %USERPROFILE%, ...); an unset environment variable stays as written. Should a value
// fail, the text stays as far as the replacement got.
void ExpandVariables(std::u16string& text, const InstallContext& c);
inline void ExpandVariables(std::u16string& text) { ExpandVariables(text, Context()); }
// The same as a function of its text, for code below this layer that takes the expansion as an argument.
inline std::u16string ExpandedVariables(std::u16string text) {
  ExpandVariables(text);
  return text;
}

// The process environment's variables expanded; the text unchanged when the system refuses it.
std::u16string ExpandEnvironment(std::u16string_view text);

// Replaces "<product>", "<description>", "<os>" and "<lbdate>" (exact case, in this order).
void ReplacePlaceholders(std::u16string& text, const InstallContext& c);
inline void ReplacePlaceholders(std::u16string& text) { ReplacePlaceholders(text, Context()); }

// The package's build date with the user's short date pattern; empty when the build month is 0.
std::u16string BuildDateText(const InstallContext& c);

}  // namespace mv
