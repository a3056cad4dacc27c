// Completion scripts.
#include "completion.h"

#include <map>
#include <vector>

#include "command_bindings.h"
#include "command_names.h"

namespace oxsdk::cli {
namespace {

struct TSubcommand {
    std::string name;
    std::string description;
    std::vector<std::string> options;       ///< its own options, long names
    std::vector<std::string> valueOptions;  ///< those of them that take a value
    std::map<int, std::string> values;      ///< words to offer at positional argument i
};

std::string LongName(const CLI::Option* option) {
    const std::vector<std::string>& names = option->get_lnames();
    return names.empty() ? std::string() : "--" + names.front();
}

void CollectOptions(const CLI::App& app, std::vector<std::string>* all,
                    std::vector<std::string>* takingValue) {
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = LongName(option);
        if (name.empty()) continue;
        all->push_back(name);
        if (option->get_items_expected_max() > 0) takingValue->push_back(name);
    }
}

std::vector<TSubcommand> Subcommands(const CLI::App& app) {
    // Enumerator names by subcommand and argument position, from the binding table.
    std::map<std::string, std::map<int, std::string>> enumerators;
    for (const TCommandBinding& binding : AllBindings()) {
        const auto enumerations = binding.parameterEnumerations();
        for (std::size_t i = 0; i < enumerations.size(); ++i) {
            if (enumerations[i] == nullptr) continue;
            std::string words;
            for (const TEnumerator& enumerator : enumerations[i]->enumerators) {
                words += std::string(words.empty() ? "" : " ") + enumerator.name;
            }
            enumerators[SubcommandName(binding.command->name)][static_cast<int>(i)] = words;
        }
    }
    enumerators["completion"][0] = "bash zsh";
    std::vector<TSubcommand> subcommands;
    for (const CLI::App* sub : app.get_subcommands({})) {
        TSubcommand entry{sub->get_name(), sub->get_description(), {}, {}, {}};
        CollectOptions(*sub, &entry.options, &entry.valueOptions);
        entry.values = enumerators[entry.name];
        subcommands.push_back(entry);
    }
    return subcommands;
}

std::string Join(const std::vector<std::string>& words, const char* separator = " ") {
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : separator) + word;
    return joined;
}

std::string Bash(const CLI::App& app) {
    std::vector<std::string> globals, globalValues;
    CollectOptions(app, &globals, &globalValues);
    const std::vector<TSubcommand> subcommands = Subcommands(app);
    std::vector<std::string> names, valueOptions = globalValues;
    std::string cases;
    for (const TSubcommand& sub : subcommands) {
        names.push_back(sub.name);
        valueOptions.insert(valueOptions.end(), sub.valueOptions.begin(), sub.valueOptions.end());
        if (sub.options.size() <= 1 && sub.values.empty()) continue;  // --help alone
        cases += "        " + sub.name + ")\n            options=\"" + Join(sub.options) + "\"\n";
        for (const auto& [position, words] : sub.values) {
            cases += "            [[ $position == " + std::to_string(position) +
                     " ]] && values=\"" + words + "\"\n";
        }
        cases += "            ;;\n";
    }
    return "# bash completion for oxsdk; written by `oxsdk completion bash`\n"
           "_oxsdk() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    local i word sub='' position=0 options='' values=''\n"
           "    case $prev in\n"
           "        --gpx|--geojson) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
           "        " + Join(valueOptions, "|") + ") return ;;\n"
           "    esac\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        word=${COMP_WORDS[i]}\n"
           "        case $word in\n"
           "            " + Join(valueOptions, "|") + ") ((i++)) ;;\n"
           "            -*) ;;\n"
           "            *) if [[ -z $sub ]]; then sub=$word; else ((position++)); fi ;;\n"
           "        esac\n"
           "    done\n"
           "    if [[ -z $sub ]]; then\n"
           "        if [[ $cur == -* ]]; then\n"
           "            COMPREPLY=($(compgen -W \"" + Join(globals) + "\" -- \"$cur\"))\n"
           "        else\n"
           "            COMPREPLY=($(compgen -W \"" + Join(names) + "\" -- \"$cur\"))\n"
           "        fi\n"
           "        return\n"
           "    fi\n"
           "    case $sub in\n" + cases +
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W \"" + Join(globals) + " $options\" -- \"$cur\"))\n"
           "    else\n"
           "        COMPREPLY=($(compgen -W \"$values\" -- \"$cur\"))\n"
           "    fi\n"
           "}\n"
           "complete -F _oxsdk oxsdk\n";
}

// A description as zsh's _describe and _arguments take it: no ':' '[' ']' or quote inside.
std::string ZshText(const std::string& text) {
    std::string clean;
    for (char c : text) {
        if (c == ':' || c == '[' || c == ']' || c == '\'' || c == '\\') {
            clean += ' ';
        } else {
            clean += c;
        }
    }
    return clean;
}

std::string Zsh(const CLI::App& app) {
    std::string globals;
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = LongName(option);
        if (name.empty()) continue;
        globals += "    '" + name + "[" + ZshText(option->get_description()) + "]" +
                   (option->get_items_expected_max() > 0 ? ":value:" : "") + "'\n";
    }
    std::string described, cases;
    for (const TSubcommand& sub : Subcommands(app)) {
        described += "    '" + sub.name + ":" + ZshText(sub.description) + "'\n";
        std::string body;
        for (const auto& [position, words] : sub.values) {
            body += "                (( CURRENT == " + std::to_string(position + 2) +
                    " )) && compadd -- " + words + "\n";
        }
        for (const std::string& option : sub.valueOptions) {
            body += "                [[ $words[CURRENT-1] == " + option +
                    " ]] && _files && return\n";
        }
        if (!sub.valueOptions.empty()) {
            body += "                [[ $PREFIX == -* ]] && compadd -- " + Join(sub.valueOptions) +
                    "\n";
        }
        if (!body.empty()) cases += "            " + sub.name + ")\n" + body + "                ;;\n";
    }
    return "#compdef oxsdk\n"
           "# zsh completion for oxsdk; written by `oxsdk completion zsh`\n"
           "local -a globals subcommands\n"
           "globals=(\n" + globals + ")\n"
           "subcommands=(\n" + described + ")\n"
           "local state line\n"
           "_arguments -C $globals '1: :->subcommand' '*:: :->arguments'\n"
           "case $state in\n"
           "    subcommand) _describe subcommand subcommands ;;\n"
           "    arguments)\n"
           "        case $words[1] in\n" + cases +
           "        esac\n"
           "        ;;\n"
           "esac\n";
}

}  // namespace

std::string CompletionScript(const CLI::App& app, const std::string& shell) {
    return shell == "zsh" ? Zsh(app) : Bash(app);
}

}  // namespace oxsdk::cli
