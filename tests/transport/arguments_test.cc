// The storage of CCsvArguments: inline buffers and their heap successors, reset and copies.
// How texts decode into fields is checked by the arguments fuzz target and its corpus.
#include <cstdlib>
#include <cstring>
#include <random>
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

// Very many short fields: the field table takes no more memory than the text (beyond a fixed
// allowance), keeping every Nth field, and every field still reads back in and out of order.
TEST(CCsvArgumentsTest, ManyShortFieldsTakeNoMoreThanTheTextAndReadBackInAnyOrder) {
    std::mt19937 random(7);
    std::string sparse;
    for (int i = 0; i < 200000; ++i)
        sparse += std::string(random() % 8 ? 0 : random() % 40, 'y') + "|";
    for (const std::string& text : {std::string(300000, '|'), sparse}) {
        std::vector<std::string> expected;
        std::size_t start = 0;
        for (std::size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
            expected.push_back(text.substr(start, bar - start));
        ArgumentsProbe arguments;
        LoadAndDecode(arguments, text);
        EXPECT_LE(static_cast<std::size_t>(arguments.HeapFieldTableSize()), text.size());
        ASSERT_EQ(expected, ReceivedFields(arguments));
        ArgumentsProbe copy;
        copy = arguments;
        for (int n = 0; n < 5000; ++n) {
            const int i = static_cast<int>(random() % expected.size());
            ASSERT_EQ(expected[i], arguments.ReceiveField(i)) << i;
            ASSERT_EQ(expected[i], copy.ReceiveField(i)) << i;
        }
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
