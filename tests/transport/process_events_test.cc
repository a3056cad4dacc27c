#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/fake/fake_platform.h"
#include "support/echo_navigator.h"
#include "support/exchange_files.h"

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::FindData;
using oxsdk::platform::FindHandle;
using oxsdk::platform::ScopedPlatform;

using oxsdk::testing::EchoNavigator;
using oxsdk::testing::InExchange;
using oxsdk::testing::kExchange;
using oxsdk::testing::kMarker;
using Names = std::vector<std::u16string>;
const std::u16string& kEventsFolder = oxsdk::testing::kExchangeFolder;

class ProcessEventsTest : public ::testing::Test {
protected:
    ProcessEventsTest() {
        // The pass never waits; should it ever, fail instead of hanging (the pass drops the
        // command at hand when this throws).
        fake_.OnSleep([this](std::uint32_t) {
            waited_ = true;
            throw std::runtime_error("ProcessEvents waited");
        });
    }
    ~ProcessEventsTest() override { EXPECT_FALSE(waited_) << "ProcessEvents waited"; }
    void AddCommand(const std::string& stem, const std::string& text, bool withMessage = true) {
        if (withMessage) fake_.AddFile(InExchange(stem + ".message"), text + '\0');
        fake_.AddFile(InExchange(stem + ".finished"), kMarker);
    }

    FakePlatform fake_;
    ScopedPlatform use_{fake_};
    EchoNavigator handler_;
    bool waited_ = false;
};

// Each reply's name carries its command's sequence number. A handler that throws loses its
// command, not the pass: the next command is served, and the layer and sessions of the dropped
// one are released (the asan preset checks for leaks).
TEST_F(ProcessEventsTest, EveryCommandOfOnePassIsReceivedRemovedAndAnsweredInItsSpelling) {
    struct Throwing : EchoNavigator {
        int HandleCommand(MOstrelCommunicationLayerInterface& layer,
                          MOstrelSession* session) override {
            EchoNavigator::HandleCommand(layer, session);
            if (received.size() == 2) throw std::bad_alloc();
            return 0;
        }
    } throwing;
    AddCommand("app.nav.1234.7", "EchoV01|x|");
    AddCommand("app.NAV.1234.9", "EchoV01|");  // the receiver is matched without case
    AddCommand(".nav.55.1", "EchoV01|z|");
    COstrelFileLayer::ProcessEvents("nav", throwing);
    ASSERT_EQ(3u, throwing.received.size());
    EXPECT_EQ((std::vector<std::string>{"EchoV01", "x"}), throwing.received[0]);
    EXPECT_EQ(
        fake_.ListFolder(kEventsFolder),
        (Names{u"nav.app.1234.7.message", u"nav.app.1234.7.finished", u"NAV.app.1234.9.message",
               u"NAV.app.1234.9.finished", u"nav..55.1.message", u"nav..55.1.finished"}));
    EXPECT_EQ(std::string("0|x|\0", 5), fake_.FileContents(InExchange("nav.app.1234.7.message")));
    EXPECT_EQ(std::string("0|z|\0", 5), fake_.FileContents(InExchange("nav..55.1.message")));
    EXPECT_EQ(kMarker, fake_.FileContents(InExchange("nav.app.1234.7.finished")));
}

TEST_F(ProcessEventsTest, ReplyLayerAnswersAfterTheHandlerReturned) {
    struct LateHandler : MCommandHandlerInterface {
        int HandleCommand(MOstrelCommunicationLayerInterface& layer,
                          MOstrelSession* session) override {
            late.reset(static_cast<COstrelFileLayer&>(layer).NewReplyLayer(session));
            return 0;
        }
        std::unique_ptr<MOstrelCommunicationLayerInterface> late;
    } handler;
    AddCommand("app.nav.1234.7", "EchoV01|");
    COstrelFileLayer::ProcessEvents("nav", handler);
    ASSERT_NE(handler.late, nullptr);
    EXPECT_TRUE(fake_.ListFolder(kEventsFolder).empty());  // nothing answered yet
    handler.late->AppendArgument("0");
    EXPECT_EQ(handler.late->SendCommand(), nullptr);
    EXPECT_EQ(std::string("0|\0", 3), fake_.FileContents(InExchange("nav.app.1234.7.message")));
    EXPECT_EQ(kMarker, fake_.FileContents(InExchange("nav.app.1234.7.finished")));
    EXPECT_EQ(static_cast<COstrelFileLayer&>(*handler.late).NewReplyLayer(nullptr), nullptr);
}

// A command without readable text (no message, an empty one, one over the bound) reaches the
// handler without fields; the pass goes on. Only a marker without message stays (until the
// grace period ends, below), beside everything not addressed to the navigator.
TEST_F(ProcessEventsTest, UnreadableCommandsGiveTheHandlerNoFieldsOthersAreLeftAlone) {
    COstrelFileLayer::ProcessEvents("nav", handler_);
    EXPECT_FALSE(fake_.Exists(u"\\Ostrel"));  // a missing folder is not created
    AddCommand("app.nav.1234.1", "", false);
    AddCommand("nav.app.1234.7", "0|");          // a reply waiting for its client
    AddCommand("app.other.1234.7", "EchoV01|");  // for another navigator
    fake_.AddFile(InExchange("app.nav.1234.finished"), kMarker);
    fake_.AddFile(InExchange("app.nav.1234.8.FINISHED"), kMarker);
    fake_.AddFile(InExchange("app.nav.1234.9.message"), "EchoV01|");
    fake_.AddFolder(InExchange("app.nav.1234.10.finished"));
    const Names left = fake_.ListFolder(kEventsFolder);
    AddCommand("app.nav.1234.2", "");
    AddCommand("app.nav.1234.3", std::string(COstrelFileLayer::kMaxCommandSize, '|'));
    AddCommand("app.nav.1234.4", "EchoV01|next|");
    handler_.answer = false;
    COstrelFileLayer::ProcessEvents("nav", handler_);
    COstrelFileLayer::ProcessEvents("nav", handler_);
    using Fields = std::vector<std::string>;
    EXPECT_EQ((std::vector<Fields>{{}, {}, {}, {"EchoV01", "next"}, {}}), handler_.received);
    EXPECT_EQ(left, fake_.ListFolder(kEventsFolder));
}

TEST_F(ProcessEventsTest, MarkersWithoutMessageAreRemovedAfterTheGracePeriod) {
    fake_.AddFile(InExchange("app.nav.1234.2.finished"), kMarker);
    fake_.AddFile(InExchange("app.other.1234.3.finished"), kMarker);
    fake_.AddFile(InExchange("app.nav.1234.9.message"), "x");  // a message without marker
    fake_.WaitForFolderChange(u"", 1);
    fake_.AddFile(InExchange("app.nav.1234.1.finished"), kMarker);
    fake_.WaitForFolderChange(u"", COstrelFileLayer::kOrphanMarkerGraceMilliseconds);
    handler_.answer = false;
    COstrelFileLayer::ProcessEvents("nav", handler_);
    // Marker 1 has stood exactly the grace period: it is handed over as a command without
    // fields, and stays.
    EXPECT_EQ(1u, handler_.received.size());
    EXPECT_EQ(fake_.ListFolder(kEventsFolder),
              (Names{u"app.other.1234.3.finished", u"app.nav.1234.9.message",
                     u"app.nav.1234.1.finished"}));
}

// Reports a scripted exchange folder listing (names no real folder could hold among them) and
// records every path the pass changes.
class HostileFolder : public oxsdk::platform::PlatformWrapper {
public:
    HostileFolder(oxsdk::platform::Platform& target, std::vector<std::u16string> names)
        : PlatformWrapper(target), names_(std::move(names)) {}

    class Listing : public FindHandle {
    public:
        explicit Listing(const std::vector<std::u16string>& names) : names_(names) {}
        bool FindNext(FindData* entry) override {
            if (next_ >= names_.size()) return false;
            const std::u16string& name = names_[next_++];
            const std::size_t length =
                std::min<std::size_t>(name.size(), oxsdk::platform::kMaxPath - 1);
            name.copy(entry->name, length);
            entry->name[length] = u'\0';
            entry->attributes = oxsdk::platform::kAttributeNormal;
            entry->lastWriteTime = 0;
            return true;
        }

    private:
        const std::vector<std::u16string>& names_;
        std::size_t next_ = 0;
    };

    Error FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                    FindData* first) override {
        if (std::u16string(pattern) != kExchange + u"*.nav.*.*.finished") {
            return PlatformWrapper::FindFirst(pattern, handle, first);
        }
        *handle = std::make_unique<Listing>(names_);
        (*handle)->FindNext(first);
        return Error::kNone;
    }
    Error CreateForWriting(const char16_t* path,
                           std::unique_ptr<oxsdk::platform::File>* file) override {
        changed.emplace_back(path);
        return PlatformWrapper::CreateForWriting(path, file);
    }
    Error DeleteFile(const char16_t* path) override {
        changed.emplace_back(path);
        return PlatformWrapper::DeleteFile(path);
    }
    Error SetFileAttributes(const char16_t* path, std::uint32_t attributes) override {
        changed.emplace_back(path);
        return PlatformWrapper::SetFileAttributes(path, attributes);
    }

    std::vector<std::u16string> changed;

private:
    std::vector<std::u16string> names_;
};

TEST_F(ProcessEventsTest, HostileNamesNeitherHangNorLeadOutsideTheExchangeFolder) {
    // Each of these has a message and a marker under the listed name, where the fake can hold
    // one, so that only the name decides.
    const std::vector<std::string> hostile = {
        ".",
        "..",
        "..\\..\\x.nav.1.1.finished",
        "x/y.nav.1.1.finished",
        "app.nav.01234.7.finished",
        "app.nav.+1234.7.finished",
        "app.nav.-1234.7.finished",
        "app.nav.1234.8.finished",  // listed, but gone before it is received
        std::string(300, 'x') + ".nav.1.1.finished",
        std::string(230, 'x') + ".nav.1.1.finished",  // path longer than 259
    };
    std::vector<std::u16string> names;
    for (const std::string& name : hostile) {
        names.emplace_back(name.begin(), name.end());
        std::string stem = name.size() > 9 ? name.substr(0, name.size() - 9) : name;
        bool fakeCanHoldIt = name.find_first_of("\\/") == std::string::npos &&
                             name.size() + 21 < oxsdk::platform::kMaxPath && name.size() > 2 &&
                             name != "app.nav.1234.8.finished";
        if (fakeCanHoldIt) AddCommand(stem, "EchoV01|");
    }
    names.push_back(u"app.nav.1234.5.finished");  // one good command among them
    AddCommand("app.nav.1234.5", "EchoV01|good|");

    HostileFolder hostileFolder(fake_, names);
    ScopedPlatform use(hostileFolder);
    COstrelFileLayer::ProcessEvents("nav", handler_);

    ASSERT_EQ(1u, handler_.received.size());
    EXPECT_EQ((std::vector<std::string>{"EchoV01", "good"}), handler_.received[0]);
    // Only the good command's files were touched.
    EXPECT_EQ((Names{InExchange("app.nav.1234.5.finished"), InExchange("app.nav.1234.5.message"),
                     InExchange("nav.app.1234.5.message"), InExchange("nav.app.1234.5.finished")}),
              hostileFolder.changed);
}

}  // namespace
