#include "platform/regional_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using Environment = std::map<std::string, std::string>;

bool hasSettings(const Environment& env) {
    return zorva::platform::hasRegionalDateSettings([&env](const char* name) -> const char* {
        const auto found = env.find(name);
        return found == env.end() ? nullptr : found->second.c_str();
    });
}

TEST(RegionalSettings, DatesFollowTheFirstOfLcAllLcTimeAndLangThatIsSet) {
    const struct {
        Environment env;
        bool has;
    } cases[] = {
        // What an autostart entry or a service manager gives.
        {{}, false},
        {{{"LANG", "C"}}, false},
        {{{"LANG", "POSIX"}}, false},
        {{{"LANG", "C.UTF-8"}}, false},
        {{{"LANG", "C.utf8"}}, false},
        {{{"LANG", ""}, {"LC_ALL", ""}}, false},
        {{{"LC_NUMERIC", "tr_TR.UTF-8"}, {"LC_MESSAGES", "de_DE.UTF-8"}}, false},
        // A user's choice.
        {{{"LANG", "tr_TR.UTF-8"}}, true},
        {{{"LANG", "de_DE"}}, true},
        {{{"LC_TIME", "tr_TR.UTF-8"}, {"LANG", "C.UTF-8"}}, true},
        {{{"LC_ALL", "en_US.UTF-8"}}, true},
        // The variable that comes first decides, even for the C locale.
        {{{"LC_ALL", "C"}, {"LC_TIME", "tr_TR.UTF-8"}, {"LANG", "tr_TR.UTF-8"}}, false},
        {{{"LC_TIME", "POSIX"}, {"LANG", "tr_TR.UTF-8"}}, false},
        {{{"LC_ALL", ""}, {"LC_TIME", ""}, {"LANG", "tr_TR.UTF-8"}}, true},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& [name, value] : c.env)
            shown += name + "=" + value + " ";
        EXPECT_EQ(hasSettings(c.env), c.has) << shown;
    }
}

} // namespace
