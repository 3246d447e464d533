// A host that frees the driver library gets it unloaded, even after the
// driver has sent frames from the host's thread: a runtime that stops and
// starts a project loads it afresh, with none of the old state.
#include <gtest/gtest.h>

#include <string>

#include "platform/dynamic_library.hpp"
#include "platform/named_objects.hpp"
#include "support/driver_module.hpp"
#include "support/udp_peer.hpp"

namespace {

TEST(LibraryUnloadTest, ALibraryThatHasSentFramesUnloadsWhenTheHostFreesIt) {
    const void* code = nullptr;
    {
        testing_support::DriverModule driver("libvorne-unload-" + std::to_string(platform::CurrentProcessId()) + ".so");
        ASSERT_TRUE(driver.Loaded()) << driver.Error();
        const auto settings = testing_support::BacnetIpSettings(testing_support::FreeUdpPort(), 200);
        char16_t version[8];
        std::int32_t error = -1;
        ASSERT_EQ(driver->open(nullptr, &settings, version, &error), 1) << error;
        // The read sends a ReadProperty from this thread (to a station that never answers).
        const char16_t* addresses[1] = {u"AV:1:PRESENT-VALUE"};
        std::int32_t status = 0;
        EXPECT_EQ(driver->readGroupStart(u"127.0.0.2", nullptr, addresses, 1, &status), 1) << status;
        code = reinterpret_cast<const void*>(driver->open);
        ASSERT_NE(platform::ModuleContaining(code), nullptr);
        driver->close(nullptr);
    }
    EXPECT_EQ(platform::ModuleContaining(code), nullptr) << "the driver library stayed loaded after it was freed";
}

}  // namespace
