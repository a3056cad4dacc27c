// The storage of CCsvArguments: inline buffers and their heap successors, reset and copies.
// How texts decode into fields is checked by the arguments fuzz target and its corpus.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/Arguments.h"
#include "support/echo_navigator.h"
#include "support/scripted_layer.h"

namespace {

// Exposes the buffers of the list so that the tests can tell inline storage from heap storage.
class ArgumentsProbe : public CCsvArguments {
public:
    ArgumentsProbe() : CCsvArguments('|') {}
    int HeapBufferSize() const { return largeBuffer != nullptr ? largeBufferSize : 0; }
    int HeapFieldTableSize() const { return largeFields != nullptr ? largeFieldsSize : 0; }
};

using oxsdk::testing::LoadAndDecode;
using oxsdk::testing::ReceivedFields;

// "count" fields "0|1|2|...|".
std::string Numbered(int count, std::vector<std::string>* fields = nullptr) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string(i) + "|";
        if (fields != nullptr) fields->push_back(std::to_string(i));
    }
    return text;
}

TEST(CCsvArgumentsTest, TextStaysInlineUpTo1022BytesThenGrowsAsMuchAsAnArgumentNeeds) {
    const std::string first(1000, 'x');
    for (std::size_t second : {21u, 22u}) {  // 1001 + 22 = 1023 text bytes, then one more
        ArgumentsProbe arguments;
        arguments.AppendArgument(first.c_str());
        arguments.AppendArgument(std::string(second, 'y').c_str());
        EXPECT_EQ(second == 21 ? 0 : 2048, arguments.HeapBufferSize());
        EXPECT_EQ(first + "|" + std::string(second, 'y') + "|", arguments.CommandBuffer());
    }
    // Arguments longer than a growth step fit at once.
    ArgumentsProbe arguments;
    const std::string big(5000, 'q');
    const std::string bigger(20000, 'r');
    arguments.AppendArgument("head");
    arguments.AppendArgument(big.c_str());
    EXPECT_GE(arguments.HeapBufferSize(), 5000 + 7);
    arguments.AppendArgument(bigger.c_str());
    EXPECT_EQ("head|" + big + "|" + bigger + "|", arguments.CommandBuffer());
    arguments.DecodeCommand();
    EXPECT_EQ((std::vector<std::string>{"head", big, bigger}), ReceivedFields(arguments));
}

TEST(CCsvArgumentsTest, FieldTableMovesToHeapAt31SeparatorsAndResetDropsBothHeapBlocks) {
    for (int separators : {30, 31, 200}) {
        ArgumentsProbe arguments;
        std::vector<std::string> expected;
        LoadAndDecode(arguments, Numbered(separators, &expected));
        EXPECT_EQ(separators < 31 ? 0 : static_cast<int>((separators + 1) * sizeof(char*)),
                  arguments.HeapFieldTableSize());
        EXPECT_EQ(expected, ReceivedFields(arguments));
    }
    ArgumentsProbe arguments;
    LoadAndDecode(arguments, std::string(3000, 'z') + std::string(40, '|'));
    ASSERT_NE(0, arguments.HeapBufferSize());
    ASSERT_NE(0, arguments.HeapFieldTableSize());
    arguments.Reset();
    EXPECT_EQ(0, arguments.HeapBufferSize());
    EXPECT_EQ(0, arguments.HeapFieldTableSize());
    EXPECT_EQ(0, arguments.NrReceiveFields());
    arguments.AppendArgument("after");
    EXPECT_STREQ("after|", arguments.CommandBuffer());
}

TEST(CCsvArgumentsTest, CopiesDuplicateTheBuffersAndRebaseFields) {
    for (int count : {3, 300}) {  // inline, and on the heap
        ArgumentsProbe original;
        const std::string text = Numbered(count);
        LoadAndDecode(original, text);
        const std::vector<std::string> fields = ReceivedFields(original);
        ArgumentsProbe copy(original);
        ArgumentsProbe assigned;
        assigned.AppendArgument("old");
        assigned = original;
        LoadAndDecode(original, std::string(text.size(), '|'));  // the copies share nothing with it
        EXPECT_EQ(fields, ReceivedFields(copy));
        EXPECT_EQ(fields, ReceivedFields(assigned));
    }
}

TEST(CSdkBaseTest, OperatorNewZeroFills) {
    // A dirtied block released first is likely to be handed out again: the fill must clear it.
    void* previous = std::malloc(sizeof(ArgumentsProbe));
    ASSERT_NE(nullptr, previous);
    std::memset(previous, 0xAB, sizeof(ArgumentsProbe));
    std::free(previous);
    void* block = CSdkBase::operator new(sizeof(ArgumentsProbe));
    ASSERT_NE(nullptr, block);
    const std::string zeros(sizeof(ArgumentsProbe), '\0');
    EXPECT_EQ(zeros, std::string(static_cast<const char*>(block), zeros.size()));
    CSdkBase::operator delete(block);
}

}  // namespace
