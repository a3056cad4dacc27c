#include "navigator/navigator_launch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"

namespace oxsdk::navigator {
namespace {

using platform::FakeOperation;
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

struct NameCase {
    std::u16string name;
    bool accepted;
};

class ExecutableNameTest : public NavigatorLaunchTest,
                           public ::testing::WithParamInterface<NameCase> {};

TEST_P(ExecutableNameTest, AcceptsTheThreeNamesWholeAndWithoutRegardToCase) {
    const NameCase& c = GetParam();
    if (!c.name.empty()) fake.AddFile(u"\\Apps\\" + c.name);
    char16_t path[platform::kMaxPath] = {};
    int goOn = MatchNavigatorExecutable(u"\\Apps", c.name.c_str(), path, 0);
    EXPECT_EQ(goOn == 0, c.accepted);
    EXPECT_EQ(std::u16string(path), c.accepted ? u"\\Apps\\" + c.name : u"");
}

INSTANTIATE_TEST_SUITE_P(
    Names, ExecutableNameTest,
    ::testing::Values(NameCase{u"Ostrel Navigator.exe", true},
                      NameCase{u"ZEV Izizararar.exe", true}, NameCase{u"Ostrel Mobile.exe", true},
                      NameCase{u"OSTREL NAVIGATOR.EXE", true},
                      NameCase{u"zev izizararar.EXE", true}, NameCase{u"oStReL mObIlE.exe", true},
                      NameCase{u"Ostrel Navigator.exe2", false},
                      NameCase{u"Ostrel Navigator2.exe", false},
                      NameCase{u"XOstrel Mobile.exe", false}, NameCase{u"Ostrel Navigator", false},
                      NameCase{u"OstrelNavigator.exe", false}, NameCase{u"Navigator.exe", false},
                      NameCase{u"", false}));

TEST_F(NavigatorLaunchTest, AcceptedNameWhoseAttributesCannotBeReadGoesOnButStaysRecorded) {
    // The file is not there: its attributes cannot be read.
    char16_t path[platform::kMaxPath] = {};
    EXPECT_NE(MatchNavigatorExecutable(u"\\Gone", u"Ostrel Mobile.exe", path, 0), 0);
    EXPECT_EQ(std::u16string(path), u"\\Gone\\Ostrel Mobile.exe");
}

struct SearchCase {
    const char* what;
    Paths files;  // added in this order; folders are listed in the order they first appear
    std::u16string expected;
};

class SearchOrderTest : public NavigatorLaunchTest,
                        public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchOrderTest, RecordsTheFirstAcceptedExecutableInScanOrder) {
    SCOPED_TRACE(GetParam().what);
    for (const auto& file : GetParam().files) fake.AddFile(file);
    EXPECT_TRUE(LocateNavigator());
    EXPECT_EQ(RecordedPath(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchOrderTest,
    ::testing::Values(SearchCase{"own files before subfolders",
                                 {u"\\A\\Ostrel Navigator.exe", u"\\Ostrel Mobile.exe"},
                                 u"\\Ostrel Mobile.exe"},
                      SearchCase{"depth first",
                                 {u"\\A\\B\\C\\ZEV Izizararar.exe", u"\\D\\Ostrel Navigator.exe"},
                                 u"\\A\\B\\C\\ZEV Izizararar.exe"},
                      SearchCase{"enumeration order within a folder, whichever name",
                                 {u"\\P\\ostrel mobile.exe", u"\\P\\Ostrel Navigator.exe"},
                                 u"\\P\\ostrel mobile.exe"},
                      SearchCase{"past other executables and through folders without one",
                                 {u"\\other.exe", u"\\Docs\\a.txt", u"\\Docs\\Deep\\setup.exe",
                                  u"\\Docs\\Deep\\Nested\\Ostrel Navigator.exe"},
                                 u"\\Docs\\Deep\\Nested\\Ostrel Navigator.exe"},
                      SearchCase{"storage card folders too",
                                 {u"\\Storage Card\\Apps\\ZEV IZIZARARAR.EXE"},
                                 u"\\Storage Card\\Apps\\ZEV IZIZARARAR.EXE"}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

TEST_F(NavigatorLaunchTest, SearchWithoutAnyExecutableFails) {
    fake.AddFile(u"\\Docs\\Ostrel Navigator.txt");
    EXPECT_FALSE(LocateNavigator());
    EXPECT_EQ(RecordedPath(), u"");
}

TEST_F(NavigatorLaunchTest, SearchThatVisitsOnlyOtherExecutablesSucceedsWithoutARecord) {
    fake.AddFile(u"\\Windows\\calc.exe");
    EXPECT_TRUE(LocateNavigator());
    EXPECT_EQ(RecordedPath(), u"");
    EXPECT_FALSE(LaunchNavigator());
    EXPECT_TRUE(fake.startedProcesses().empty());
}

TEST_F(NavigatorLaunchTest, LaunchStartsTheRecordedPath) {
    fake.AddFile(u"\\Program Files\\Ostrel\\Ostrel Navigator.exe");
    ASSERT_TRUE(LocateNavigator());
    EXPECT_TRUE(LaunchNavigator());
    EXPECT_EQ(fake.startedProcesses(), (Paths{u"\\Program Files\\Ostrel\\Ostrel Navigator.exe"}));
}

TEST_F(NavigatorLaunchTest, LaunchFailsWhenTheProcessCannotBeCreated) {
    fake.AddFile(u"\\Ostrel Navigator.exe");
    ASSERT_TRUE(LocateNavigator());
    fake.FailStartProcess(platform::Error::kOther);
    EXPECT_FALSE(LaunchNavigator());
}

TEST_F(NavigatorLaunchTest, EarlierRecordedPathIsKeptWhenANewSearchRecordsNone) {
    fake.AddFile(u"\\Nav\\Ostrel Navigator.exe");
    fake.AddFile(u"\\tool.exe");
    ASSERT_TRUE(LocateNavigator());

    // The navigator's folder can no longer be listed: the new search meets only tool.exe.
    fake.InjectFault(FakeOperation::kFindFirst, u"\\Nav\\*.exe", platform::Error::kOther);
    ASSERT_TRUE(LocateNavigator());
    EXPECT_EQ(RecordedPath(), u"\\Nav\\Ostrel Navigator.exe");
    EXPECT_TRUE(LaunchNavigator());
    EXPECT_EQ(fake.startedProcesses(), (Paths{u"\\Nav\\Ostrel Navigator.exe"}));
}

TEST_F(NavigatorLaunchTest, LaterMatchOverwritesAnEarlierRecord) {
    fake.AddFile(u"\\Old\\Ostrel Navigator.exe");
    ASSERT_TRUE(LocateNavigator());
    FakePlatform other;
    platform::ScopedPlatform useOther(other);
    other.AddFile(u"\\New\\Ostrel Mobile.exe");
    ASSERT_TRUE(LocateNavigator());
    EXPECT_EQ(RecordedPath(), u"\\New\\Ostrel Mobile.exe");
}

}  // namespace
}  // namespace oxsdk::navigator
