// Subcommand names from member names.
#include "command_names.h"

#include <algorithm>
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

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbours each count 1.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates) {
    const std::string typed = Lower(word);
    if (typed.empty()) return {};
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(1, typed.size() / 3) + 1;
    for (const std::string& candidate : candidates) {
        const std::string lower = Lower(candidate);
        const std::size_t distance =
            typed.size() >= 3 && lower.compare(0, typed.size(), typed) == 0
                ? 1
                : EditDistance(typed, lower);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

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
