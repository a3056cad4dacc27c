// The search for the navigator on the fake device: the folder scan and the names it accepts.
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

// Records folder + "|" + name of every visit and goes on.
int RecordVisit(const char16_t* folder, const char16_t* name, void* context, int) {
    static_cast<Paths*>(context)->push_back(std::u16string(folder) + u"|" + name);
    return 1;
}

// A fake device that lists self and parent entries as the device does.
class FolderScanTest : public ::testing::Test {
protected:
    FolderScanTest() : use(fake) {
        fake.SetListDotEntries(true);
        ResetNavigatorState();
    }
    ~FolderScanTest() override { ResetNavigatorState(); }

    void Add(const Paths& files) {
        for (const auto& file : files) fake.AddFile(file);
    }
    int Scan() { return ScanFolderTree(u"\\", u"*.exe", true, RecordVisit, &visits, nullptr); }

    FakePlatform fake;
    platform::ScopedPlatform use;
    Paths visits;
};

TEST_F(FolderScanTest, VisitsOwnFilesBeforeSubfoldersDepthFirstInEnumerationOrder) {
    Add({u"\\A\\B\\deep.exe", u"\\A\\a.exe", u"\\C\\c.exe", u"\\root.exe", u"\\readme.txt",
         u"\\folder.exe\\inner.exe"});  // a folder that matches the pattern is no file
    EXPECT_EQ(Scan(), 5);
    EXPECT_EQ(visits, (Paths{u"\\|root.exe", u"\\A|a.exe", u"\\A\\B|deep.exe", u"\\C|c.exe",
                             u"\\folder.exe|inner.exe"}));
}

TEST_F(FolderScanTest, DescendsAtMostSixteenLevels) {
    std::u16string deepest;
    for (int level = 0; level < kMaxScanDepth; ++level) deepest += u"\\d";
    Add({deepest + u"\\in.exe", deepest + u"\\d\\below.exe"});
    EXPECT_EQ(Scan(), 1);
    EXPECT_EQ(visits, Paths{deepest + u"|in.exe"});
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

}  // namespace
}  // namespace oxsdk::navigator
