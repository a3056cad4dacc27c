#include "navigator/folder_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace oxsdk::navigator {
namespace {

using platform::FakeOperation;
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

int RecordVisit(const char16_t* folder, const char16_t* name, void* context, int reserved) {
    auto* visits = static_cast<Visits*>(context);
    visits->paths.push_back(std::u16string(folder) + u"|" + name);
    EXPECT_EQ(reserved, 0);
    return static_cast<int>(visits->paths.size()) == visits->stopAfter ? 0 : 1;
}

class FolderScanTest : public ::testing::Test {
protected:
    FolderScanTest() : recording(fake), use(recording) {}

    int Scan(const char16_t* folder, bool recurse, int* stopFlag = nullptr) {
        return ScanFolderTree(folder, u"*.exe", recurse, RecordVisit, &visits, stopFlag);
    }

    FakePlatform fake;
    RecordingPlatform recording;
    platform::ScopedPlatform use;
    Visits visits;
};

TEST_F(FolderScanTest, VisitsOwnFilesBeforeSubfoldersDepthFirstInEnumerationOrder) {
    fake.AddFile(u"\\A\\B\\deep.exe");
    fake.AddFile(u"\\A\\a.exe");
    fake.AddFile(u"\\C\\c.exe");
    fake.AddFile(u"\\root.exe");
    fake.AddFile(u"\\readme.txt");
    fake.AddFile(u"\\folder.exe\\inner.exe");  // a folder that matches the pattern

    EXPECT_EQ(Scan(u"\\", true), 5);
    EXPECT_EQ(visits.paths, (Paths{u"\\|root.exe", u"\\A|a.exe", u"\\A\\B|deep.exe", u"\\C|c.exe",
                                   u"\\folder.exe|inner.exe"}));
}

TEST_F(FolderScanTest, WithoutRecursionVisitsOnlyTheFolderItself) {
    fake.AddFile(u"\\Tools\\one.exe");
    fake.AddFile(u"\\Tools\\Sub\\two.exe");
    EXPECT_EQ(Scan(u"\\Tools", false), 1);
    EXPECT_EQ(visits.paths, (Paths{u"\\Tools|one.exe"}));
    EXPECT_EQ(recording.patterns, (Paths{u"\\Tools\\*.exe"}));
}

TEST_F(FolderScanTest, DescendsIntoFoldersThatHoldNoMatchingFile) {
    fake.AddFile(u"\\Empty\\notes.txt");
    fake.AddFile(u"\\Empty\\Deeper\\Deepest\\found.exe");
    EXPECT_EQ(Scan(u"\\", true), 1);
    EXPECT_EQ(visits.paths, (Paths{u"\\Empty\\Deeper\\Deepest|found.exe"}));
}

TEST_F(FolderScanTest, NeverDescendsIntoSelfOrParentEntries) {
    fake.SetListDotEntries(true);
    fake.AddFile(u"\\Sub\\x.exe");
    EXPECT_EQ(Scan(u"\\", true), 1);
    EXPECT_EQ(visits.paths, (Paths{u"\\Sub|x.exe"}));
    EXPECT_EQ(recording.patterns, (Paths{u"\\*.exe", u"\\*.*", u"\\Sub\\*.exe", u"\\Sub\\*.*"}));
}

TEST_F(FolderScanTest, StopEndsTheWholeScanAcrossNestingLevels) {
    fake.AddFile(u"\\A\\B\\first.exe");
    fake.AddFile(u"\\A\\B\\second.exe");
    fake.AddFile(u"\\A\\B\\C\\below.exe");
    fake.AddFile(u"\\A\\Sibling\\after.exe");
    fake.AddFile(u"\\Z\\later.exe");
    visits.stopAfter = 1;

    int stop = 0;
    EXPECT_EQ(Scan(u"\\", true, &stop), 1);
    EXPECT_EQ(stop, 1);
    EXPECT_EQ(visits.paths, (Paths{u"\\A\\B|first.exe"}));
    // No enumeration is opened once the flag is up.
    EXPECT_EQ(recording.patterns,
              (Paths{u"\\*.exe", u"\\*.*", u"\\A\\*.exe", u"\\A\\*.*", u"\\A\\B\\*.exe"}));
}

TEST_F(FolderScanTest, FolderWhoseFilesCannotBeListedIsStillDescendedInto) {
    fake.AddFile(u"\\Locked\\skipped.exe");
    fake.AddFile(u"\\Locked\\Inner\\seen.exe");
    fake.InjectFault(FakeOperation::kFindFirst, u"\\Locked\\*.exe", platform::Error::kOther);
    EXPECT_EQ(Scan(u"\\", true), 1);
    EXPECT_EQ(visits.paths, (Paths{u"\\Locked\\Inner|seen.exe"}));
}

TEST_F(FolderScanTest, FolderWhoseSubfoldersCannotBeListedKeepsItsFileCount) {
    fake.AddFile(u"\\top.exe");
    fake.AddFile(u"\\Hidden\\never.exe");
    fake.InjectFault(FakeOperation::kFindFirst, u"\\*.*", platform::Error::kOther);
    EXPECT_EQ(Scan(u"\\", true), 1);
    EXPECT_EQ(visits.paths, (Paths{u"\\|top.exe"}));
}

TEST_F(FolderScanTest, FolderWhosePatternWouldPassThePathLimitIsNotListed) {
    // "\ddd..." is 251 characters: its patterns fit. "\ddd...\eeeeeee" is 259, the longest
    // device path: it is entered, but no pattern inside it fits, so it is not listed.
    std::u16string longFolder = u"\\" + std::u16string(250, u'd');
    std::u16string limitFolder = longFolder + u"\\" + std::u16string(7, u'e');
    fake.AddFile(longFolder + u"\\n.exe");
    fake.AddFolder(limitFolder);
    fake.AddFile(u"\\z.exe");

    EXPECT_EQ(Scan(u"\\", true), 2);
    EXPECT_EQ(visits.paths, (Paths{u"\\|z.exe", longFolder + u"|n.exe"}));
    for (const auto& pattern : recording.patterns) {
        EXPECT_LT(pattern.size(), static_cast<std::size_t>(kMaxPath));
    }
    EXPECT_EQ(recording.patterns.back(), longFolder + u"\\*.*");
}

struct JoinCase {
    std::u16string folder;
    std::u16string name;
    bool fits;
    std::u16string joined;
};

class JoinFolderPathTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinFolderPathTest, JoinsWithOneSeparatorOrFailsLeavingTheDestination) {
    const JoinCase& c = GetParam();
    char16_t destination[kMaxPath];
    std::u16string before = u"untouched";
    std::copy(before.c_str(), before.c_str() + before.size() + 1, destination);

    EXPECT_EQ(JoinFolderPath(destination, c.folder.c_str(), c.name.c_str()), c.fits);
    EXPECT_EQ(std::u16string(destination), c.fits ? c.joined : before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinFolderPathTest,
    ::testing::Values(JoinCase{u"\\", u"a.exe", true, u"\\a.exe"},
                      JoinCase{u"\\Program Files", u"a.exe", true, u"\\Program Files\\a.exe"},
                      JoinCase{u"\\Storage Card\\", u"*.*", true, u"\\Storage Card\\*.*"},
                      JoinCase{u"", u"x", true, u"\\x"},
                      // 1 + 252 + 1 + 5 = 259 characters: the longest path there is.
                      JoinCase{u"\\" + std::u16string(252, u'f'), u"a.exe", true,
                               u"\\" + std::u16string(252, u'f') + u"\\a.exe"},
                      JoinCase{u"\\" + std::u16string(252, u'f'), u"ab.exe", false, u""},
                      JoinCase{u"\\" + std::u16string(258, u'f'), u"", false, u""},
                      JoinCase{std::u16string(259, u'f'), u"", false, u""}));

}  // namespace
}  // namespace oxsdk::navigator
