#include "navigator/navigator_launch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"

namespace oxsdk::navigator {
namespace {

using platform::FakePlatform;
using Paths = std::vector<std::u16string>;

class NavigatorLaunchTest : public ::testing::Test {
protected:
    NavigatorLaunchTest() : use(fake) { ResetNavigatorState(); }
    ~NavigatorLaunchTest() override { ResetNavigatorState(); }

    std::u16string RecordedPath() const { return State().navigatorPath; }

    FakePlatform fake;
    platform::ScopedPlatform use;
};

TEST_F(NavigatorLaunchTest, AcceptsTheThreeNamesWholeAndWithoutRegardToCase) {
    const struct {
        const char16_t* name;
        bool accepted;
    } cases[] = {{u"Ostrel Navigator.exe", true},   {u"ZEV Izizararar.exe", true},
                 {u"Ostrel Mobile.exe", true},      {u"oStReL mObIlE.EXE", true},
                 {u"Ostrel Navigator.exe2", false}, {u"XOstrel Mobile.exe", false},
                 {u"OstrelNavigator.exe", false},   {u"", false}};
    for (const auto& c : cases) {
        if (*c.name != u'\0') fake.AddFile(u"\\Apps\\" + std::u16string(c.name));
        char16_t path[platform::kMaxPath] = {};
        EXPECT_EQ(MatchNavigatorExecutable(u"\\Apps", c.name, path, 0) == 0, c.accepted);
        EXPECT_EQ(std::u16string(path), c.accepted ? u"\\Apps\\" + std::u16string(c.name) : u"");
    }
    // An accepted name whose attributes cannot be read (the file is gone) is recorded, and the
    // search goes on.
    char16_t path[platform::kMaxPath] = {};
    EXPECT_NE(MatchNavigatorExecutable(u"\\Gone", u"Ostrel Mobile.exe", path, 0), 0);
    EXPECT_EQ(std::u16string(path), u"\\Gone\\Ostrel Mobile.exe");
}

TEST(NavigatorSearchTest, RecordsTheFirstAcceptedExecutableInScanOrder) {
    const struct {
        const char* what;
        Paths files;  // added in this order; folders are listed in the order they first appear
        std::u16string expected;
    } cases[] = {
        {"own files before subfolders",
         {u"\\A\\Ostrel Navigator.exe", u"\\Ostrel Mobile.exe"},
         u"\\Ostrel Mobile.exe"},
        {"depth first",
         {u"\\A\\B\\C\\ZEV Izizararar.exe", u"\\D\\Ostrel Navigator.exe"},
         u"\\A\\B\\C\\ZEV Izizararar.exe"},
        {"enumeration order within a folder, whichever name",
         {u"\\P\\ostrel mobile.exe", u"\\P\\Ostrel Navigator.exe"},
         u"\\P\\ostrel mobile.exe"},
        {"past other executables and through folders without one",
         {u"\\other.exe", u"\\Docs\\a.txt", u"\\Docs\\Deep\\Nested\\Ostrel Navigator.exe"},
         u"\\Docs\\Deep\\Nested\\Ostrel Navigator.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetNavigatorState();
        FakePlatform fake;
        platform::ScopedPlatform use(fake);
        for (const auto& file : c.files) fake.AddFile(file);
        EXPECT_TRUE(LocateNavigator());
        EXPECT_EQ(std::u16string(State().navigatorPath), c.expected);
    }
    ResetNavigatorState();
}

TEST_F(NavigatorLaunchTest, EarlierRecordedPathIsLaunchedWhenANewSearchRecordsNone) {
    fake.AddFile(u"\\Nav\\Ostrel Navigator.exe");
    fake.AddFile(u"\\tool.exe");
    ASSERT_TRUE(LocateNavigator());
    // The navigator's folder can no longer be listed: the new search meets only tool.exe.
    fake.InjectFault(platform::FakeOperation::kFindFirst, u"\\Nav\\*.exe", platform::Error::kOther);
    ASSERT_TRUE(LocateNavigator());
    EXPECT_TRUE(LaunchNavigator());
    EXPECT_EQ(fake.startedProcesses(), (Paths{u"\\Nav\\Ostrel Navigator.exe"}));

    // A later match overwrites the record.
    FakePlatform other;
    platform::ScopedPlatform useOther(other);
    other.AddFile(u"\\New\\Ostrel Mobile.exe");
    ASSERT_TRUE(LocateNavigator());
    EXPECT_EQ(RecordedPath(), u"\\New\\Ostrel Mobile.exe");
}

}  // namespace
}  // namespace oxsdk::navigator
