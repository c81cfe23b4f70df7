// The desktop session's form of the Run value: an XDG autostart entry in the user's
// autostart directory, one file per name, so that a new version's entry stands beside the old.

#include "platform/autostart.h"

#include "platform/file_system.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zorva::platform {

namespace {

std::string autostartDirectory() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/autostart/";
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return std::string(home) + "/.config/autostart/";
    return {};
}

// "MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.05f" becomes
// "mervanto-zorva-kilit-entegrasyon-sistemi-s1.02.05f.desktop".
std::string fileNameFor(const std::string& name) {
    std::string file;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '.' || c == '_')
            file += static_cast<char>(std::tolower(c));
        else if (!file.empty() && file.back() != '-')
            file += '-';
    }
    while (!file.empty() && file.back() == '-')
        file.pop_back();
    return (file.empty() ? std::string("zorva-kilit") : file) + ".desktop";
}

// A value of a desktop entry escapes backslashes and line breaks.
std::string escapeValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The program's path as one quoted argument of Exec: inside the quotes '"', '`', '$' and '\'
// take a backslash, and '%' is doubled so that it is not read as a field code.
std::string quotedArgument(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';
    }
    return out + "\"";
}

} // namespace

std::string autostartEntryPath(const std::string& name) {
    const std::string dir = autostartDirectory();
    return dir.empty() ? std::string() : dir + fileNameFor(name);
}

AutostartOutcome setAutostart(const std::string& name, const std::string& executablePath, bool on) {
    const std::string path = autostartEntryPath(name);
    if (path.empty())
        return AutostartOutcome::Unavailable;
    std::error_code ignored;
    if (!on) {
        // Not removeFile, which keeps a read-only file as Windows does: turning the start off
        // is the user's choice, whatever the entry's permission bits say.
        std::filesystem::remove(path, ignored);
        return AutostartOutcome::Done;
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    // replaceFileAtomically writes into the file a link leads to, and an entry that is a link
    // most likely leads to the desktop file a package installed for every user: ours takes the
    // link's place instead.
    if (std::filesystem::is_symlink(path, ignored))
        std::filesystem::remove(path, ignored);
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=" +
                              escapeValue(name) +
                              "\n"
                              "Exec=" +
                              escapeValue(quotedArgument(executablePath)) +
                              "\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    return replaceFileAtomically(path, entry) ? AutostartOutcome::Done
                                              : AutostartOutcome::WriteFailed;
}

} // namespace zorva::platform
