// The client side of the platform's cross-process tests, on either operating system.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "OXSDK5Link/OXSDK5Link.h"

namespace oxsdk::platform {

// Flashes message 77 to the navigator emulator "nav", which answers 0, and stops it.
inline void ExpectFlashAndStop() {
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("app", "nav", -1));
    ASSERT_NE(layer, nullptr);
    COstrelAPI api(*layer);
    COstrelAPI::TError error{99};
    EXPECT_EQ(api.FlashMessageAsyncRetrieve(api.FlashMessageAsync(0, "hello", 77), &error), 0);
    EXPECT_EQ(error.errorCode, 0);
    error.errorCode = 99;
    EXPECT_EQ(api.StopApplicationAsyncRetrieve(api.StopApplicationAsync(0), &error), 0);
    EXPECT_EQ(error.errorCode, 0);
}

}  // namespace oxsdk::platform
