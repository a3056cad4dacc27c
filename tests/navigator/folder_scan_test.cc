#include "navigator/folder_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace oxsdk::navigator {
namespace {

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
    FolderScanTest() : recording(fake), use(recording) { fake.SetListDotEntries(true); }

    void Add(const Paths& files) {
        for (const auto& file : files) fake.AddFile(file);
    }
    int Scan(bool recurse = true, int* stopFlag = nullptr) {
        return ScanFolderTree(u"\\", u"*.exe", recurse, RecordVisit, &visits, stopFlag);
    }

    platform::FakePlatform fake;
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

}  // namespace
}  // namespace oxsdk::navigator
