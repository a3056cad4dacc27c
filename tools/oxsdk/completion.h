// Shell completion scripts for oxsdk, written from the command-line definition itself (the
// subcommands, their options and the enumerator names of their arguments), so that they can
// never list a command that the program does not have. `oxsdk completion bash|zsh` prints
// them; the build installs them.
#pragma once

#include <string>

#include "CLI/CLI.hpp"

namespace oxsdk::cli {

/// The completion script of `app` (defined by DefineCommandLine) for `shell`, "bash" or "zsh".
std::string CompletionScript(const CLI::App& app, const std::string& shell);

}  // namespace oxsdk::cli
