#pragma once

#include "platform/executable_path.h"
#include "tests/app/recording_lock_library.h"
#include "ui/error_box.h"
#include "ui/ta_naf.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}
QT_END_NAMESPACE

// A window over a clean data directory beside the test program, with a recording encoder and
// error boxes caught instead of shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = zorva::platform::executableDirectory() + "Data/";
        dataDir = base + "Ini/";
        std::filesystem::remove_all(base);
        zorva::ui::setErrorBoxHook([this](const QString& text) { errorBoxes << text; });
        ::setenv("XDG_CONFIG_HOME", (base + "config").c_str(), 1);
    }

    void TearDown() override {
        window.reset();
        zorva::ui::setErrorBoxHook({});
        std::filesystem::permissions(dataDir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(base, ignored);
    }

    // The program entry's order: create (FormCreate runs), show (the settings restore), then
    // the event loop, which handles the deferred start.
    void start(bool show = true) {
        window = std::make_unique<zorva::ui::TAnaF>(
            lock, zorva::platform::FormatSettings::turkish(), [this] { return now; });
        if (show)
            window->show();
        QCoreApplication::processEvents();
    }

    void writeFile(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(dataDir);
        std::ofstream(dataDir + name, std::ios::binary) << bytes;
    }

    std::string readFile(const std::string& name) const {
        std::ifstream in(dataDir + name, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    bool fileExists(const std::string& name) const {
        return std::filesystem::exists(dataDir + name);
    }

    QStringList logMessages() const {
        QStringList out;
        for (const auto& line : window->log().lines()) {
            const QString text = QString::fromStdString(line);
            out.prepend(text.mid(text.indexOf(QStringLiteral(": ")) + 2));
        }
        return out; // oldest first
    }

    template <typename T> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    zorva::platform::DateTime now = [] {
        zorva::platform::DateTime v;
        zorva::platform::DateTime::tryFromFields({2025, 7, 29, 10, 15, 30}, v);
        return v;
    }();
    RecordingLockLibrary lock;
    std::string base;
    std::string dataDir;
    QStringList errorBoxes;
    std::unique_ptr<zorva::ui::TAnaF> window;
    std::error_code ignored;
};
