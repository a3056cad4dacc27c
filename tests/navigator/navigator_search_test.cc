// The search for the navigator on the fake device: the folder scan, the names it accepts, the
// path it records and the launch of the recorded path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navigator/folder_scan.h"
#include "navigator/navigator_launch.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"

namespace oxsdk::navigator {
namespace {

using platform::FakePlatform;
using platform::kMaxPath;
using Paths = std::vector<std::u16string>;

// Records every enumeration the scan opens, so that tests see where it went.
class RecordingPlatform : public platform::PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    platform::Error FindFirst(const char16_t* pattern,
                              std::unique_ptr<platform::FindHandle>* handle,
                              platform::FindData* first) override {
        patterns.emplace_back(pattern);
        return PlatformWrapper::FindFirst(pattern, handle, first);
    }
    Paths patterns;
};

struct Visits {
    Paths paths;         // folder + "|" + name, as the routine received them
    int stopAfter = -1;  // answer 0 (stop) at this visit, counted from 1
};

int RecordVisit(const char16_t* folder, const char16_t* name, void* context, int) {
    auto* visits = static_cast<Visits*>(context);
    visits->paths.push_back(std::u16string(folder) + u"|" + name);
    return static_cast<int>(visits->paths.size()) == visits->stopAfter ? 0 : 1;
}

// A fake device that lists self and parent entries as the device does.
class FolderScanTest : public ::testing::Test {
protected:
    FolderScanTest() : recording(fake), use(recording) {
        fake.SetListDotEntries(true);
        ResetNavigatorState();
    }
    ~FolderScanTest() override { ResetNavigatorState(); }

    void Add(const Paths& files) {
        for (const auto& file : files) fake.AddFile(file);
    }
    int Scan(bool recurse = true, int* stopFlag = nullptr) {
        return ScanFolderTree(u"\\", u"*.exe", recurse, RecordVisit, &visits, stopFlag);
    }

    FakePlatform fake;
    RecordingPlatform recording;
    platform::ScopedPlatform use;
    Visits visits;
};

TEST_F(FolderScanTest, VisitsOwnFilesBeforeSubfoldersDepthFirstInEnumerationOrder) {
    Add({u"\\A\\B\\deep.exe", u"\\A\\a.exe", u"\\C\\c.exe", u"\\root.exe", u"\\readme.txt",
         u"\\folder.exe\\inner.exe"});  // a folder that matches the pattern is no file
    EXPECT_EQ(Scan(), 5);
    EXPECT_EQ(visits.paths, (Paths{u"\\|root.exe", u"\\A|a.exe", u"\\A\\B|deep.exe", u"\\C|c.exe",
                                   u"\\folder.exe|inner.exe"}));
}

TEST_F(FolderScanTest, NeverDescendsIntoSelfOrParentEntriesNorWithoutRecursion) {
    Add({u"\\x.exe", u"\\Sub\\y.exe"});
    EXPECT_EQ(Scan(false), 1);
    EXPECT_EQ(recording.patterns, Paths{u"\\*.*"});
    EXPECT_EQ(Scan(), 2);  // each folder listed once
    EXPECT_EQ(recording.patterns, (Paths{u"\\*.*", u"\\*.*", u"\\Sub\\*.*"}));
}

TEST_F(FolderScanTest, FolderThatCannotBeListedIsPassedOver) {
    Add({u"\\top.exe", u"\\Locked\\skipped.exe", u"\\Locked\\Inner\\skipped.exe",
         u"\\Open\\seen.exe"});
    fake.InjectFault(platform::FakeOperation::kFindFirst, u"\\Locked\\*.*",
                     platform::Error::kOther);
    EXPECT_EQ(Scan(), 2);
    EXPECT_EQ(visits.paths, (Paths{u"\\|top.exe", u"\\Open|seen.exe"}));
}

TEST_F(FolderScanTest, StopEndsTheWholeScanAcrossNestingLevels) {
    Add({u"\\A\\B\\first.exe", u"\\A\\B\\second.exe", u"\\A\\B\\C\\below.exe",
         u"\\A\\Sibling\\after.exe", u"\\Z\\later.exe"});
    visits.stopAfter = 1;
    int stop = 0;
    EXPECT_EQ(Scan(true, &stop), 1);
    EXPECT_EQ(stop, 1);
    // No enumeration is opened once the flag is up.
    EXPECT_EQ(recording.patterns, (Paths{u"\\*.*", u"\\A\\*.*", u"\\A\\B\\*.*"}));
}

TEST_F(FolderScanTest, FolderWhosePatternWouldPassThePathLimitIsNotListed) {
    // "\ddd..." is 251 characters: its patterns fit. "\ddd...\eeeeeee" is 259, the longest
    // device path: it is entered, but no pattern inside it fits, so it is not listed.
    std::u16string longFolder = u"\\" + std::u16string(250, u'd');
    fake.AddFile(longFolder + u"\\n.exe");
    fake.AddFolder(longFolder + u"\\" + std::u16string(7, u'e'));
    EXPECT_EQ(Scan(), 1);
    for (const auto& pattern : recording.patterns) EXPECT_LT(pattern.size(), size_t{kMaxPath});
    EXPECT_EQ(recording.patterns.back(), longFolder + u"\\*.*");
}

TEST_F(FolderScanTest, DescendsAtMostSixteenLevels) {
    std::u16string deepest;
    for (int level = 0; level < kMaxScanDepth; ++level) deepest += u"\\d";
    Add({deepest + u"\\in.exe", deepest + u"\\d\\below.exe"});
    EXPECT_EQ(Scan(), 1);
    EXPECT_EQ(visits.paths, Paths{deepest + u"|in.exe"});
}

TEST(JoinFolderPathTest, JoinsWithOneSeparatorOrFailsLeavingTheDestination) {
    const std::u16string longest = u"\\" + std::u16string(252, u'f');
    const struct {
        std::u16string folder, name;
        std::u16string joined;  // empty: does not fit
    } cases[] = {
        {u"\\", u"a.exe", u"\\a.exe"},
        {u"\\Storage Card\\", u"*.*", u"\\Storage Card\\*.*"},
        {u"", u"x", u"\\x"},
        {longest, u"a.exe", longest + u"\\a.exe"},  // 259 characters: the longest path there is
        {longest, u"ab.exe", u""},
        {std::u16string(259, u'f'), u"", u""},
    };
    for (const auto& c : cases) {
        char16_t destination[kMaxPath] = u"untouched";
        EXPECT_EQ(JoinFolderPath(destination, c.folder.c_str(), c.name.c_str()), !c.joined.empty());
        EXPECT_EQ(std::u16string(destination), c.joined.empty() ? u"untouched" : c.joined);
    }
}

TEST_F(FolderScanTest, AcceptsTheThreeNavigatorNamesWholeAndWithoutRegardToCase) {
    const struct {
        const char16_t* name;
        bool accepted;
    } cases[] = {{u"Ostrel Navigator.exe", true},   {u"zev iZIZARARAR.EXE", true},
                 {u"Ostrel Mobile.exe", true},      {u"oStReL mObIlE.EXE", true},
                 {u"Ostrel Navigator.exe2", false}, {u"XOstrel Mobile.exe", false},
                 {u"OstrelNavigator.exe", false},   {u"", false}};
    for (const auto& c : cases) {
        if (*c.name != u'\0') fake.AddFile(u"\\Apps\\" + std::u16string(c.name));
        char16_t path[kMaxPath] = {};
        EXPECT_EQ(MatchNavigatorExecutable(u"\\Apps", c.name, path, 0) == 0, c.accepted);
        EXPECT_EQ(std::u16string(path), c.accepted ? u"\\Apps\\" + std::u16string(c.name) : u"");
    }
    // An accepted name whose attributes cannot be read (the file is gone) is recorded, and the
    // search goes on.
    char16_t path[kMaxPath] = {};
    EXPECT_NE(MatchNavigatorExecutable(u"\\Gone", u"Ostrel Mobile.exe", path, 0), 0);
    EXPECT_EQ(std::u16string(path), u"\\Gone\\Ostrel Mobile.exe");
}

// The first accepted name in scan order (own files, then subfolders depth first) is recorded.
TEST_F(FolderScanTest, LocateRecordsTheFirstAcceptedExecutableInScanOrder) {
    Add({u"\\other.exe", u"\\Docs\\a.txt", u"\\Docs\\Deep\\ostrel mobile.exe",
         u"\\Docs\\Deep\\Ostrel Navigator.exe", u"\\Z\\ZEV Izizararar.exe"});
    EXPECT_TRUE(LocateNavigator());
    EXPECT_EQ(std::u16string(State().navigatorPath), u"\\Docs\\Deep\\ostrel mobile.exe");
    fake.AddFile(u"\\Ostrel Navigator.exe");
    EXPECT_TRUE(LocateNavigator());
    EXPECT_EQ(std::u16string(State().navigatorPath), u"\\Ostrel Navigator.exe");
}

TEST_F(FolderScanTest, EarlierRecordedPathIsLaunchedWhenANewSearchRecordsNone) {
    Add({u"\\Nav\\Ostrel Navigator.exe", u"\\tool.exe"});
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
    EXPECT_EQ(std::u16string(State().navigatorPath), u"\\New\\Ostrel Mobile.exe");
}

}  // namespace
}  // namespace oxsdk::navigator
