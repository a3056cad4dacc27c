// CCsvArguments on arbitrary text. The input is decoded as a received reply: every separator
// closes one field, no field holds a separator, and the fields joined again give the text up
// to its last separator; a copy of the decoded list reads the same fields. The input split at
// line ends is also appended argument by argument: the command buffer holds each argument
// followed by "|", and decoding that text gives the arguments back when none holds a "|".
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "OXSDK5Link/Arguments.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "arguments: %s\n", what);
        std::abort();
    }
}

// Places `text` into `list` as a transport places a reply, and decodes it.
void LoadAndDecode(CCsvArguments& list, const std::string& text) {
    list.Reset();
    if (text.size() + 1 >= static_cast<std::size_t>(CCsvArguments::kInlineBufferSize)) {
        Require(list.PrepareLargeBuffer(static_cast<int>(text.size() + 1)) == 1, "large buffer");
    }
    std::memcpy(const_cast<char*>(list.CommandBuffer()), text.c_str(), text.size() + 1);
    list.DecodeCommand();
}

std::vector<std::string> Fields(const MArguments& list) {
    std::vector<std::string> fields;
    for (int i = 0; i < list.NrReceiveFields(); ++i) fields.emplace_back(list.ReceiveField(i));
    return fields;
}

void CheckDecode(const std::string& text) {
    CCsvArguments list('|');
    LoadAndDecode(list, text);
    const std::vector<std::string> fields = Fields(list);
    const std::size_t closed = text.rfind('|');
    std::string joined;
    for (const std::string& field : fields) {
        Require(field.find('|') == std::string::npos, "separator inside a field");
        joined += field + '|';
    }
    Require(joined == (closed == std::string::npos ? "" : text.substr(0, closed + 1)),
            "decoded fields differ from the text");
    const CCsvArguments copy(list);
    Require(Fields(copy) == fields, "copy reads other fields");
}

void CheckRoundTrip(const std::string& text) {
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    CCsvArguments list('|');
    std::string expected;
    bool plain = true;
    for (const std::string& argument : arguments) {
        list.AppendArgument(argument.c_str());
        expected += argument + '|';
        plain = plain && argument.find('|') == std::string::npos;
    }
    Require(expected == list.CommandBuffer(), "command buffer differs from the arguments");
    if (!plain) return;
    CCsvArguments received('|');
    LoadAndDecode(received, expected);
    Require(Fields(received) == arguments, "arguments do not come back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A zero byte ends a text: what follows it cannot travel.
    const std::string text(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    CheckDecode(text);
    CheckRoundTrip(text);
    return 0;
}
