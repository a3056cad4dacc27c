#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/Arguments.h"

namespace {

// Exposes the buffers of the list so that the tests can tell inline storage from heap storage.
class ArgumentsProbe : public CCsvArguments {
public:
    ArgumentsProbe() : CCsvArguments('|') {}
    bool UsesHeapBuffer() const { return largeBuffer != nullptr; }
    int HeapBufferSize() const { return largeBufferSize; }
    bool UsesHeapFieldTable() const { return largeFields != nullptr; }
    int HeapFieldTableSize() const { return largeFieldsSize; }
};

std::vector<std::string> Fields(const MArguments& arguments) {
    std::vector<std::string> fields;
    for (int i = 0; i < arguments.NrReceiveFields(); ++i) fields.emplace_back(arguments.ReceiveField(i));
    return fields;
}

void Load(MArguments& arguments, const std::string& text) {
    arguments.Reset();
    if (text.size() + 1 >= 1024) {
        ASSERT_EQ(1, arguments.PrepareLargeBuffer(static_cast<int>(text.size() + 1)));
    }
    std::memcpy(const_cast<char*>(arguments.CommandBuffer()), text.c_str(), text.size() + 1);
    arguments.DecodeCommand();
}

TEST(CCsvArgumentsTest, AppendsEachArgumentClosedBySeparator) {
    CCsvArguments arguments('|');
    arguments.AppendArgument("A");
    arguments.AppendArgument("B");
    arguments.AppendArgument("");
    EXPECT_STREQ("A|B||", arguments.CommandBuffer());
    arguments.DecodeCommand();
    EXPECT_EQ((std::vector<std::string>{"A", "B", ""}), Fields(arguments));
}

TEST(CCsvArgumentsTest, DecodesFieldsAsClosedPieces) {
    struct Case {
        const char* text;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"a|b|", {"a", "b"}},
        {"a||b|", {"a", "", "b"}},
        {"a|b", {"a"}},  // the unclosed last piece is not a field
        {"abc", {}},
        {"", {}},
        {"|", {""}},
        {"-3|x y|", {"-3", "x y"}},
    };
    for (const Case& c : cases) {
        CCsvArguments arguments('|');
        Load(arguments, c.text);
        EXPECT_EQ(c.fields, Fields(arguments)) << c.text;
    }
}

TEST(CCsvArgumentsTest, StaysInlineUpTo1022BytesThenMovesToHeapWithTextIntact) {
    ArgumentsProbe arguments;
    const std::string first(1000, 'x');
    arguments.AppendArgument(first.c_str());
    arguments.AppendArgument(std::string(21, 'y').c_str());  // 1001 + 22 = 1023 text bytes
    EXPECT_FALSE(arguments.UsesHeapBuffer());
    EXPECT_EQ(1023u, std::strlen(arguments.CommandBuffer()));

    ArgumentsProbe grown;
    grown.AppendArgument(first.c_str());
    grown.AppendArgument(std::string(22, 'y').c_str());  // one byte more
    ASSERT_TRUE(grown.UsesHeapBuffer());
    EXPECT_EQ(2048, grown.HeapBufferSize());
    EXPECT_EQ(first + "|" + std::string(22, 'y') + "|", grown.CommandBuffer());
}

TEST(CCsvArgumentsTest, ArgumentLongerThanAGrowthStepFitsAtOnce) {
    ArgumentsProbe arguments;
    const std::string big(5000, 'q');
    arguments.AppendArgument("head");
    arguments.AppendArgument(big.c_str());
    EXPECT_GE(arguments.HeapBufferSize(), 5000 + 7);
    EXPECT_EQ("head|" + big + "|", arguments.CommandBuffer());

    const std::string bigger(20000, 'r');
    arguments.AppendArgument(bigger.c_str());
    EXPECT_EQ("head|" + big + "|" + bigger + "|", arguments.CommandBuffer());
    arguments.DecodeCommand();
    EXPECT_EQ((std::vector<std::string>{"head", big, bigger}), Fields(arguments));
}

TEST(CCsvArgumentsTest, FieldTableMovesToHeapAt31Separators) {
    for (int separators : {30, 31, 200}) {
        ArgumentsProbe arguments;
        std::string text;
        for (int i = 0; i < separators; ++i) text += std::to_string(i) + "|";
        Load(arguments, text);
        EXPECT_EQ(separators >= 31, arguments.UsesHeapFieldTable()) << separators;
        if (separators >= 31) {
            EXPECT_EQ(static_cast<int>((separators + 1) * sizeof(char*)), arguments.HeapFieldTableSize());
        }
        ASSERT_EQ(separators, arguments.NrReceiveFields());
        for (int i = 0; i < separators; ++i) EXPECT_EQ(std::to_string(i), arguments.ReceiveField(i));
    }
}

TEST(CCsvArgumentsTest, ResetDropsHeapBlocksAndFields) {
    ArgumentsProbe arguments;
    Load(arguments, std::string(3000, 'z') + std::string(40, '|'));
    ASSERT_TRUE(arguments.UsesHeapBuffer());
    ASSERT_TRUE(arguments.UsesHeapFieldTable());
    arguments.Reset();
    EXPECT_FALSE(arguments.UsesHeapBuffer());
    EXPECT_FALSE(arguments.UsesHeapFieldTable());
    EXPECT_EQ(0, arguments.NrReceiveFields());
    EXPECT_STREQ("", arguments.CommandBuffer());
    arguments.AppendArgument("after");
    EXPECT_STREQ("after|", arguments.CommandBuffer());
}

TEST(CCsvArgumentsTest, CopiesDuplicateTheHeapBlocksAndRebaseFields) {
    ArgumentsProbe original;
    std::string text;
    for (int i = 0; i < 300; ++i) text += "field" + std::to_string(i) + "|";
    Load(original, text);

    ArgumentsProbe copy(original);
    ArgumentsProbe assigned;
    assigned.AppendArgument("old");
    assigned = original;
    original.Reset();  // the copies must not share anything with the original
    for (const ArgumentsProbe* list : {&copy, &assigned}) {
        ASSERT_EQ(300, list->NrReceiveFields());
        EXPECT_STREQ("field0", list->ReceiveField(0));
        EXPECT_STREQ("field299", list->ReceiveField(299));
    }
    CCsvArguments small('|');
    small.AppendArgument("x");
    CCsvArguments smallCopy(small);
    small.AppendArgument("y");
    EXPECT_STREQ("x|", smallCopy.CommandBuffer());
}

TEST(CCsvArgumentsTest, PrepareLargeBufferResetsAndProvidesTheSize) {
    ArgumentsProbe arguments;
    arguments.AppendArgument("stale");
    EXPECT_EQ(1, arguments.PrepareLargeBuffer(4096));
    EXPECT_TRUE(arguments.UsesHeapBuffer());
    EXPECT_EQ(4096, arguments.HeapBufferSize());
    EXPECT_EQ(0, arguments.NrReceiveFields());
    EXPECT_EQ(0, arguments.PrepareLargeBuffer(0));
    EXPECT_FALSE(arguments.UsesHeapBuffer());
}

TEST(CSdkBaseTest, OperatorNewZeroFills) {
    // Dirty a block and release it, so that the allocator is likely to hand the same bytes out
    // again: the zero fill must clear them.
    void* previous = std::malloc(sizeof(ArgumentsProbe));
    ASSERT_NE(nullptr, previous);
    std::memset(previous, 0xAB, sizeof(ArgumentsProbe));
    std::free(previous);
    void* dirty = CSdkBase::operator new(sizeof(ArgumentsProbe));
    ASSERT_NE(nullptr, dirty);
    const unsigned char* bytes = static_cast<const unsigned char*>(dirty);
    for (std::size_t i = 0; i < sizeof(ArgumentsProbe); ++i) ASSERT_EQ(0, bytes[i]) << i;
    CSdkBase::operator delete(dirty);

    CCsvArguments* heap = new CCsvArguments('|');
    heap->AppendArgument("x");
    EXPECT_STREQ("x|", heap->CommandBuffer());
    delete heap;
}

}  // namespace
