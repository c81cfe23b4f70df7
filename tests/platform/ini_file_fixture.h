#pragma once

#include "platform/ini_file.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace zorva::platform::test {

class IniFileTest : public ::testing::Test {
protected:
    std::string path(std::string_view name = "test.ini") const { return m_dir.file(name); }
    IniFile fileWith(std::string_view bytes, std::string_view name = "test.ini") const {
        zorva::testing::writeBytes(path(name), bytes);
        return IniFile(path(name));
    }
    zorva::testing::TempDirectory m_dir;
};

} // namespace zorva::platform::test
