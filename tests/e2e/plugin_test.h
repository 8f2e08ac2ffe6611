// The fixture of the end-to-end tests: the real plugin module, loaded for each test by name.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "host/wcx_host_driver.h"

namespace qp {

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(host::LoadPlugin(QUILLPACK_PLUGIN_PATH, plugin_, error)) << error;
    }
    void TearDown() override { host::UnloadPlugin(plugin_); }

    host::Plugin plugin_;
    test::TempDir dir_;
};

}  // namespace qp
