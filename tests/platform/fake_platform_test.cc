// Fault injection and scripting of the fake platform; what it shares with the posix platform
// is checked by the contract suite.
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

#include <string>

namespace oxsdk::platform {
namespace {

std::string ReadAll(Platform& platform, const char16_t* path, Error* error) {
    std::unique_ptr<File> file;
    *error = platform.OpenForReading(path, &file);
    std::string bytes;
    if (*error != Error::kNone) return bytes;
    char buffer[16];
    std::uint32_t count = 0;
    while ((*error = file->Read(buffer, sizeof buffer, &count)) == Error::kNone && count > 0) {
        bytes.append(buffer, count);
    }
    return bytes;
}

TEST(FakePlatformTest, AccessDeniedWearsOffAfterTheGivenNumberOfCalls) {
    FakePlatform fake;
    fake.AddFile(u"\\x\\reply", "ok|");
    fake.InjectFault(FakeOperation::kOpenForReading, u"\\x\\reply", Error::kAccessDenied, 3);
    Error error;
    for (int i = 0; i < 3; ++i) {
        ReadAll(fake, u"\\x\\reply", &error);
        EXPECT_EQ(error, Error::kAccessDenied) << "call " << i;
    }
    EXPECT_EQ(ReadAll(fake, u"\\x\\reply", &error), "ok|");
    EXPECT_EQ(error, Error::kNone);
}

TEST(FakePlatformTest, FaultsAreScopedToTheirOperationAndPath) {
    FakePlatform fake;
    fake.AddFile(u"\\a", "1");
    fake.AddFile(u"\\b", "2");
    fake.InjectFault(FakeOperation::kDelete, u"\\a", Error::kOther, FakePlatform::kAlways);
    Error error;
    EXPECT_EQ(ReadAll(fake, u"\\a", &error), "1");
    EXPECT_EQ(fake.DeleteFile(u"\\b"), Error::kNone);
    EXPECT_EQ(fake.DeleteFile(u"\\a"), Error::kOther);
    EXPECT_EQ(fake.DeleteFile(u"\\a"), Error::kOther);
    fake.ClearFaults();
    EXPECT_EQ(fake.DeleteFile(u"\\a"), Error::kNone);
}

TEST(FakePlatformTest, EmptyPathFaultHitsEveryPath) {
    FakePlatform fake;
    fake.InjectFault(FakeOperation::kCreateForWriting, u"", Error::kOther, 2);
    std::unique_ptr<File> file;
    EXPECT_EQ(fake.CreateForWriting(u"\\one", &file), Error::kOther);
    EXPECT_EQ(fake.CreateForWriting(u"\\two", &file), Error::kOther);
    EXPECT_FALSE(fake.Exists(u"\\one"));
    EXPECT_EQ(fake.CreateForWriting(u"\\two", &file), Error::kNone);
}

TEST(FakePlatformTest, ReadAndWriteFaultsHitOpenFiles) {
    FakePlatform fake;
    fake.AddFile(u"\\r", "data");
    fake.InjectFault(FakeOperation::kRead, u"\\r", Error::kAccessDenied);
    fake.InjectFault(FakeOperation::kWrite, u"\\w", Error::kOther);
    std::unique_ptr<File> file;
    ASSERT_EQ(fake.OpenForReading(u"\\r", &file), Error::kNone);
    char buffer[8];
    std::uint32_t count = 99;
    EXPECT_EQ(file->Read(buffer, sizeof buffer, &count), Error::kAccessDenied);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(file->Read(buffer, sizeof buffer, &count), Error::kNone);
    EXPECT_EQ(count, 4u);
    ASSERT_EQ(fake.CreateForWriting(u"\\w", &file), Error::kNone);
    EXPECT_EQ(file->Write("abc", 3, &count), Error::kOther);
    EXPECT_EQ(file->Write("abc", 3, &count), Error::kNone);
    EXPECT_EQ(fake.FileContents(u"\\w"), "abc");
}

TEST(FakePlatformTest, LimitedWritesAreShortButSucceed) {
    FakePlatform fake;
    fake.LimitWrites(u"\\m", 5);
    std::unique_ptr<File> file;
    ASSERT_EQ(fake.CreateForWriting(u"\\m", &file), Error::kNone);
    std::uint32_t count = 0;
    EXPECT_EQ(file->Write("abc", 3, &count), Error::kNone);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(file->Write("defg", 4, &count), Error::kNone);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(file->Write("h", 1, &count), Error::kNone);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(fake.FileContents(u"\\m"), "abcde");
}

TEST(FakePlatformTest, EnumerationFollowsInsertionOrderAndCanListDots) {
    FakePlatform fake;
    fake.AddFile(u"\\f\\zeta");
    fake.AddFolder(u"\\f\\alpha");
    fake.AddFile(u"\\f\\mid", "", kAttributeReadOnly);
    EXPECT_EQ(fake.ListFolder(u"\\f"), (std::vector<std::u16string>{u"zeta", u"alpha", u"mid"}));
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

TEST(FakePlatformTest, SleepsAndWaitsAreRecordedAndDriveCallbacks) {
    FakePlatform fake;
    fake.OnSleep([&](std::uint32_t) {
        if (fake.sleeps().size() == 2) fake.SetWindow(u"NavClass", 0x40);
    });
    int waitsSeen = 0;
    fake.OnFolderWait([&](const std::u16string& folder, std::uint32_t ms) {
        EXPECT_EQ(folder, u"\\x");
        EXPECT_EQ(ms, 50u);
        ++waitsSeen;
    });
    fake.Sleep(500);
    EXPECT_EQ(fake.FindWindow(u"NavClass"), 0u);
    fake.Sleep(500);
    EXPECT_EQ(fake.FindWindow(u"NavClass"), 0x40u);
    fake.WaitForFolderChange(u"\\x", 50);
    EXPECT_EQ(fake.sleeps(), (std::vector<std::uint32_t>{500, 500}));
    ASSERT_EQ(fake.folderWaits().size(), 1u);
    EXPECT_EQ(waitsSeen, 1);
    EXPECT_EQ(fake.elapsedMilliseconds(), 1050u);
}

TEST(FakePlatformTest, FindWindowCallbackSeesCallNumbers) {
    FakePlatform fake;
    fake.SetWindow(u"C", 8);
    fake.OnFindWindow([&](const std::u16string&, int call) {
        if (call == 3) fake.RemoveWindow(u"C");
    });
    EXPECT_EQ(fake.FindWindow(u"C"), 8u);
    EXPECT_EQ(fake.FindWindow(u"C"), 8u);
    EXPECT_EQ(fake.FindWindow(u"C"), 0u);
    EXPECT_EQ(fake.findWindowCalls(), 3);
}

TEST(FakePlatformTest, ProcessesAreRecordedAndCanFail) {
    FakePlatform fake;
    fake.AddFile(u"\\Program Files\\nav.exe");
    fake.OnStartProcess([&](const std::u16string&) { fake.SetWindow(u"NavClass", 0x44); });
    EXPECT_EQ(fake.StartProcess(u"\\Program Files\\missing.exe"), Error::kNotFound);
    EXPECT_EQ(fake.StartProcess(u"\\Program Files"), Error::kAccessDenied);
    EXPECT_EQ(fake.FindWindow(u"NavClass"), 0u);
    EXPECT_EQ(fake.StartProcess(u"\\Program Files\\nav.exe"), Error::kNone);
    EXPECT_EQ(fake.FindWindow(u"NavClass"), 0x44u);
    fake.FailStartProcess(Error::kOther);
    EXPECT_EQ(fake.StartProcess(u"\\Program Files\\nav.exe"), Error::kOther);
    EXPECT_EQ(fake.startedProcesses(), (std::vector<std::u16string>{u"\\Program Files\\nav.exe"}));
    fake.SetProcessId(77);
    EXPECT_EQ(fake.GetCurrentProcessId(), 77u);
}

TEST(FakePlatformTest, WindowCursorAndPlatformTypeCallsAreRecorded) {
    FakePlatform fake;
    fake.SetWindow(u"C", 8);
    EXPECT_TRUE(fake.SetForegroundWindow(9));
    EXPECT_EQ(fake.GetForegroundWindow(), 8u);
    EXPECT_TRUE(fake.ShowWindow(8, 5));
    EXPECT_FALSE(fake.ShowWindow(12, 5));
    EXPECT_EQ(fake.foregroundRequests(), (std::vector<WindowHandle>{9}));
    EXPECT_EQ(fake.shownWindows().size(), 2u);

    fake.SetCurrentCursor(3);
    EXPECT_EQ(fake.SetCursor(fake.LoadWaitCursor()), 3u);
    EXPECT_EQ(fake.SetCursor(3), 32514u);
    EXPECT_EQ(fake.cursorLog(), (std::vector<CursorHandle>{32514, 3}));

    char text[11];
    fake.SetPlatformType("Smartphone");
    EXPECT_TRUE(fake.GetPlatformType(text, sizeof text));
    EXPECT_STREQ(text, "Smartphone");
    EXPECT_FALSE(fake.GetPlatformType(text, 10));
    EXPECT_STREQ(text, "");
    fake.FailPlatformType(true);
    EXPECT_FALSE(fake.GetPlatformType(text, sizeof text));
    fake.SetCePlatform(false);
    EXPECT_FALSE(fake.IsCePlatform());
}

}  // namespace
}  // namespace oxsdk::platform
