// The library's readers of wire text, each on every input:
// - CCsvArguments: decoded as a reply, the fields are the "|"-closed pieces and a copy reads the
//   same; split at line ends and appended, the arguments come back;
// - ParseDecimal, against a reference that gathers the digits first and takes their value
//   modulo 2^32 in 64-bit arithmetic;
// - ParseMarkerName on "receiver\nlisted name": what it accepts formats back to itself, and a
//   marker formatted from dot-free names is accepted with the fields it was made from.
#include "OXSDK5Link/Arguments.h"
#include "fuzz_support.h"
#include "support/echo_navigator.h"
#include "support/scripted_layer.h"
#include "transport/exchange_file_name.h"
#include "transport/parse_decimal.h"

namespace {

using oxsdk::fuzz::Require;
using oxsdk::testing::LoadAndDecode;
using oxsdk::testing::ReceivedFields;
using oxsdk::transport::EExchangeFile;
using oxsdk::transport::FormatExchangeFileName;
using oxsdk::transport::kFileNameCapacity;
using oxsdk::transport::ParseMarkerName;
using oxsdk::transport::TMarkerFields;

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

std::int32_t ReferenceDecimal(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return 0;
    std::size_t digits = start;
    const bool negative = text[start] == '-';
    if (text[start] == '-' || text[start] == '+') ++digits;
    std::uint64_t value = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = (value * 10 + static_cast<std::uint64_t>(text[digits] - '0')) % (1ull << 32);
    }
    if (negative) value = ((1ull << 32) - value) % (1ull << 32);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string AsciiLower(std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return text;
}

void CheckMarkerName(const std::string& input, std::size_t size) {
    const std::size_t lineEnd = input.find('\n');
    const std::string receiver = input.substr(0, lineEnd);
    const std::string name = lineEnd == std::string::npos ? "" : input.substr(lineEnd + 1);
    TMarkerFields fields;
    if (ParseMarkerName(name.c_str(), receiver.c_str(), &fields)) {
        char rebuilt[kFileNameCapacity];
        Require(FormatExchangeFileName(rebuilt, EExchangeFile::kMarker, fields.writer,
                                       fields.reader, fields.pid, fields.sequence),
                "accepted but cannot be formatted", name);
        Require(name == rebuilt, "accepted but formats to another name", name);
        Require(AsciiLower(fields.reader) == AsciiLower(receiver), "reader is not the receiver",
                name);
        Require(fields.pid != -1, "process number of this process accepted", name);
    }

    // A name made by the sender's own formatting is found again.
    if (receiver.find('.') != std::string::npos) return;
    std::string writer = name.substr(0, 100);
    for (char& c : writer) c = c == '.' ? '_' : c;
    const int pid = static_cast<int>(size * 7919u);
    const int sequence = static_cast<int>(input.size());
    char formatted[kFileNameCapacity];
    if (pid == -1 || !FormatExchangeFileName(formatted, EExchangeFile::kMarker, writer.c_str(),
                                             receiver.c_str(), pid, sequence)) {
        return;
    }
    Require(ParseMarkerName(formatted, receiver.c_str(), &fields), "own marker refused", formatted);
    Require(writer == fields.writer && receiver == fields.reader && pid == fields.pid &&
                sequence == fields.sequence,
            "own marker read with other fields", formatted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = oxsdk::fuzz::TextOf(data, size);
    CheckDecode(text);
    CheckRoundTrip(text);
    Require(ParseDecimal(text.c_str()) == ReferenceDecimal(text), "ParseDecimal differs", text);
    CheckMarkerName(text, size);
    return 0;
}
