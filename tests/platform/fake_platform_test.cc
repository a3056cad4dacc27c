// Fault injection and listing order of the fake platform, which the unit tests of the exchange
// and the navigator search rely on; what it shares with the posix platform is checked by the
// contract suite.
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

#include <string>

namespace oxsdk::platform {
namespace {

std::string ReadAll(Platform& platform, const char16_t* path, Error* error) {
    std::unique_ptr<File> file;
    std::string bytes;
    if ((*error = platform.OpenForReading(path, &file)) != Error::kNone) return bytes;
    char buffer[16];
    std::uint32_t count = 0;
    while ((*error = file->Read(buffer, sizeof buffer, &count)) == Error::kNone && count > 0) {
        bytes.append(buffer, count);
    }
    return bytes;
}

TEST(FakePlatformTest, FaultWearsOffAfterItsCountAndHitsOnlyItsOperationAndPath) {
    FakePlatform fake;
    fake.AddFile(u"\\x\\reply", "ok|");
    fake.AddFile(u"\\other", "1");
    fake.InjectFault(FakeOperation::kOpenForReading, u"\\x\\reply", Error::kAccessDenied, 3);
    Error error;
    for (int i = 0; i < 3; ++i) {
        ReadAll(fake, u"\\x\\reply", &error);
        EXPECT_EQ(error, Error::kAccessDenied) << "call " << i;
        EXPECT_EQ(ReadAll(fake, u"\\other", &error), "1");
        EXPECT_EQ(fake.DeleteFile(u"\\nothing"), Error::kNotFound);
    }
    EXPECT_EQ(ReadAll(fake, u"\\x\\reply", &error), "ok|");
    EXPECT_EQ(error, Error::kNone);

    fake.InjectFault(FakeOperation::kDelete, u"\\other", Error::kOther, FakePlatform::kAlways);
    EXPECT_EQ(fake.DeleteFile(u"\\other"), Error::kOther);
    EXPECT_EQ(fake.DeleteFile(u"\\other"), Error::kOther);
    fake.ClearFaults();
    EXPECT_EQ(fake.DeleteFile(u"\\other"), Error::kNone);
}

TEST(FakePlatformTest, EnumerationFollowsInsertionOrderAndCanListDots) {
    FakePlatform fake;
    fake.AddFile(u"\\f\\zeta");
    fake.AddFolder(u"\\f\\alpha");
    fake.AddFile(u"\\f\\mid", "", kAttributeReadOnly);
    fake.SetListDotEntries(true);
    std::unique_ptr<FindHandle> find;
    FindData entry;
    ASSERT_EQ(fake.FindFirst(u"\\f\\*", &find, &entry), Error::kNone);
    std::vector<std::pair<std::u16string, std::uint32_t>> seen;
    do {
        seen.emplace_back(entry.name, entry.attributes);
    } while (find->FindNext(&entry));
    EXPECT_EQ(seen, (std::vector<std::pair<std::u16string, std::uint32_t>>{
                        {u".", kAttributeDirectory},
                        {u"..", kAttributeDirectory},
                        {u"zeta", kAttributeNormal},
                        {u"alpha", kAttributeDirectory},
                        {u"mid", kAttributeReadOnly}}));
}

}  // namespace
}  // namespace oxsdk::platform
