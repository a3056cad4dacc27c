// CCsvArguments on arbitrary text: decoded as a reply, its fields are the "|"-closed pieces and a
// copy reads the same; split at line ends and appended, the arguments come back.
#include "OXSDK5Link/Arguments.h"
#include "fuzz_support.h"
#include "support/echo_navigator.h"

namespace {

using oxsdk::fuzz::Require;
using oxsdk::testing::ReceivedFields;

// Places `text` into `list` as a transport places a reply, and decodes it.
void LoadAndDecode(CCsvArguments& list, const std::string& text) {
    list.Reset();
    if (text.size() + 1 >= static_cast<std::size_t>(CCsvArguments::kInlineBufferSize)) {
        Require(list.PrepareLargeBuffer(static_cast<int>(text.size() + 1)) == 1, "large buffer",
                text);
    }
    std::memcpy(const_cast<char*>(list.CommandBuffer()), text.c_str(), text.size() + 1);
    list.DecodeCommand();
}

void CheckDecode(const std::string& text) {
    CCsvArguments list('|');
    LoadAndDecode(list, text);
    const std::vector<std::string> fields = ReceivedFields(list);
    Require(fields == oxsdk::fuzz::SplitFields(text), "decoded fields differ from the text", text);
    const CCsvArguments copy(list);
    Require(ReceivedFields(copy) == fields, "copy reads other fields", text);
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
    Require(expected == list.CommandBuffer(), "command buffer differs from the arguments", text);
    if (!plain) return;
    CCsvArguments received('|');
    LoadAndDecode(received, expected);
    Require(ReceivedFields(received) == arguments, "arguments do not come back", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = oxsdk::fuzz::TextOf(data, size);
    CheckDecode(text);
    CheckRoundTrip(text);
    return 0;
}
