#include "settings/genel.h"

#include "platform/executable_path.h"
#include "platform/file_system.h"
#include "settings/form_storage.h"

#include <filesystem>
#include <system_error>

namespace zorva::settings {

namespace {

std::string dataPath(const char* name) {
    const char sep = platform::pathSeparator;
    return platform::executableDirectory() + "Data" + sep + name + sep;
}

std::string dataDir(const char* name) {
    std::string dir = dataPath(name);
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return dir;
}

} // namespace

std::string GetIniDir() {
    return dataDir("Ini");
}

std::string GetLogDir() {
    return dataDir("Log");
}

std::string LogDirPath() {
    return dataPath("Log");
}

void SetupFormStorage(Component& storage) {
    auto* formStorage = dynamic_cast<FormStorage*>(&storage);
    if (!formStorage)
        return;
    formStorage->setOptions({});
    formStorage->setIniFileName(GetIniDir() + storage.owner().name() + "_" + storage.name() +
                                ".ini");
    formStorage->setActive(true);
}

} // namespace zorva::settings
