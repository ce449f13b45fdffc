// --sign-command: a command of the packager's that signs one file in place, for keys that only
// their own tools reach (a cloud signing service, an HSM's client). The contract:
// - the text is split into words as --java-options values are (blanks separate, "..." and
//   '...' group) and run as a program with its arguments, with no shell between;
// - "{}" in any word becomes the absolute path of the file to sign: a copy, named as the file
//   being made (App.exe, App-1.0.msi), in a private folder beside the destination;
// - it runs in the tool's working folder, with the tool's environment and
//   TRELLANE_SIGN_FILE (the same path) and TRELLANE_SIGN_NAME (the application's display
//   name, or empty), with nothing on standard input and no terminal, its output kept for the
//   message if it fails;
// - it must end within --sign-timeout seconds, and exit 0 with the file signed in place; the
//   signature is then read back and verified, and the file must be the one it was given.
#pragma once

#include <string>
#include <vector>

namespace trellane {

// The command's words; false with a problem (a quote left open, no "{}", nothing to run).
bool parseSignCommand(const std::string& text, std::vector<std::string>& words,
                      std::string& problem);

// The words with every "{}" replaced by path: the program and its arguments.
std::vector<std::string> signCommandArguments(const std::vector<std::string>& words,
                                              const std::string& path);

// The program the first word names, as it will be run: a path when the word holds a '/',
// else found on PATH; "" when there is none to run.
std::string signCommandProgram(const std::string& word);

}  // namespace trellane
