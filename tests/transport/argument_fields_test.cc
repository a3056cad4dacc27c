// CCsvArguments with very many short fields: the field table never takes more memory than the
// text (beyond a fixed allowance), and every field reads back in order, out of order and from
// a copy.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/Arguments.h"
#include "support/scripted_layer.h"

namespace {

class FieldTableProbe : public CCsvArguments {
public:
    FieldTableProbe() : CCsvArguments('|') {}
    int FieldTableBytes() const { return largeFields != nullptr ? largeFieldsSize : 0; }
};

TEST(ArgumentFieldsTest, ManyShortFieldsTakeNoMoreThanTheTextAndReadBackInAnyOrder) {
    std::mt19937 random(7);
    std::string sparse, numbers;
    for (int i = 0; i < 200000; ++i)
        sparse += std::string(random() % 8 ? 0 : random() % 40, 'y') + "|";
    for (int i = 0; i < 50000; ++i) numbers += std::to_string(i * 7919) + "|";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"only separators", std::string(300000, '|')},
        {"a long field among empty ones",
         std::string(1000, '|') + std::string(70000, 'x') + std::string(100000, '|') + "tail"},
        {"random lengths, mostly empty", sparse},
        {"ordinary numbers", numbers},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> expected;
        std::size_t start = 0;
        for (std::size_t bar; (bar = c.text.find('|', start)) != std::string::npos;
             start = bar + 1) {
            expected.push_back(c.text.substr(start, bar - start));
        }
        FieldTableProbe arguments;
        oxsdk::testing::LoadAndDecode(arguments, c.text);
        ASSERT_EQ(static_cast<int>(expected.size()), arguments.NrReceiveFields());
        EXPECT_LE(static_cast<std::size_t>(arguments.FieldTableBytes()),
                  std::max<std::size_t>(c.text.size(), CCsvArguments::kFullFieldTableBytes));
        for (int i = 0; i < arguments.NrReceiveFields(); ++i) {
            ASSERT_EQ(expected[i], arguments.ReceiveField(i)) << i;
        }
        EXPECT_EQ(c.text.substr(start), arguments.ReceiveField(arguments.NrReceiveFields()));
        FieldTableProbe copy;
        copy = arguments;
        for (int n = 0; n < 5000; ++n) {
            const int i = static_cast<int>(random() % expected.size());
            ASSERT_EQ(expected[i], arguments.ReceiveField(i)) << i;
            ASSERT_EQ(expected[i], copy.ReceiveField(i)) << i;
        }
    }
}

}  // namespace
