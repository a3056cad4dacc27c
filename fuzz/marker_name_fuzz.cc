// ParseMarkerName on the input "receiver\nlisted name": what it accepts formats back to itself,
// and a marker formatted from dot-free names is accepted with the fields it was made from.
#include "fuzz_support.h"
#include "transport/exchange_file_name.h"

namespace {

using oxsdk::fuzz::Require;
using oxsdk::transport::EExchangeFile;
using oxsdk::transport::FormatExchangeFileName;
using oxsdk::transport::kFileNameCapacity;
using oxsdk::transport::ParseMarkerName;
using oxsdk::transport::TMarkerFields;

std::string AsciiLower(std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = oxsdk::fuzz::TextOf(data, size);
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
    if (receiver.find('.') != std::string::npos) return 0;
    std::string writer = name.substr(0, 100);
    for (char& c : writer) c = c == '.' ? '_' : c;
    const int pid = static_cast<int>(size * 7919u);
    const int sequence = static_cast<int>(input.size());
    char formatted[kFileNameCapacity];
    if (pid == -1 || !FormatExchangeFileName(formatted, EExchangeFile::kMarker, writer.c_str(),
                                             receiver.c_str(), pid, sequence)) {
        return 0;
    }
    Require(ParseMarkerName(formatted, receiver.c_str(), &fields), "own marker refused", formatted);
    Require(writer == fields.writer && receiver == fields.reader && pid == fields.pid &&
                sequence == fields.sequence,
            "own marker read with other fields", formatted);
    return 0;
}
