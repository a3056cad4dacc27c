// Subcommand names from member names.
#include "command_names.h"

#include <cctype>

namespace oxsdk::cli {
namespace {

bool IsUpper(char c) {
    return std::isupper(static_cast<unsigned char>(c)) != 0;
}
bool IsLower(char c) {
    return std::islower(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

std::string SubcommandName(const std::string& memberName) {
    std::string name;
    for (std::size_t i = 0; i < memberName.size(); ++i) {
        const char c = memberName[i];
        if (i > 0 && IsUpper(c)) {
            const char previous = memberName[i - 1];
            const bool afterWord = IsLower(previous) || IsDigit(previous);
            const bool endsAcronym =
                IsUpper(previous) && i + 1 < memberName.size() && IsLower(memberName[i + 1]);
            if (afterWord || endsAcronym) name += '-';
        }
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

}  // namespace oxsdk::cli
