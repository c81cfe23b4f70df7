// The program that the child process tests start. Its first argument says what it does:
//   echo <piece> [pause ms]   sends its input back as it comes, at most <piece> bytes at a time
//   write <count> <code>      writes <count> bytes of pattern() and exits with <code>
//   crash <count>             writes <count> bytes and writes through a null pointer
//   abort <count>             writes <count> bytes and calls abort()
//   sleep                     does nothing until it is killed
//   close-input, close-output closes that stream and sleeps
//   stderr <text>             writes <text> to its standard error, then "written" or "failed"
//                             to its output
//   arguments                 writes each of its arguments, argv[0] first, each ended by a NUL
//   handles ...               writes what child_program::inheritedHandles() reports

#include "tests/platform/child_program.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using namespace zorva::testing::child_program;

[[noreturn]] void sleepForever() {
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

int echo(std::size_t piece, int pauseMs) {
    std::string buffer(piece, '\0');
    while (const std::size_t got = readInput(buffer)) {
        if (!writeOutput(std::string_view(buffer).substr(0, got)))
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    return 0;
}

int run(std::span<char*> arguments) {
    const std::string mode = arguments.size() > 1 ? arguments[1] : "";
    auto number = [&](std::size_t i, int otherwise) {
        return arguments.size() > i ? std::atoi(arguments[i]) : otherwise;
    };
    if (mode == "echo")
        return echo(static_cast<std::size_t>(number(2, 4096)), number(3, 0));
    if (mode == "write") {
        writeOutput(pattern(number(2, 0)));
        return number(3, 0);
    }
    if (mode == "crash") {
        writeOutput(pattern(number(2, 0)));
        // Volatile, so that the compiler cannot see the null and put a trap of its own here.
        int* volatile nowhere = nullptr;
        *nowhere = 1;
        return 0;
    }
    if (mode == "abort") {
        writeOutput(pattern(number(2, 0)));
        std::abort();
    }
    if (mode == "sleep")
        sleepForever();
    if (mode == "close-input") {
        closeInput();
        sleepForever();
    }
    if (mode == "close-output") {
        closeOutput();
        sleepForever();
    }
    if (mode == "stderr") {
        const std::string text = arguments.size() > 2 ? arguments[2] : "";
        const bool written = std::fputs(text.c_str(), stderr) >= 0 && std::fflush(stderr) == 0;
        writeOutput(written ? "written" : "failed");
        return 0;
    }
    if (mode == "arguments") {
        for (const char* argument : arguments)
            writeOutput(std::string_view(argument, std::char_traits<char>::length(argument) + 1));
        return 0;
    }
    if (mode == "handles") {
        writeOutput(inheritedHandles(arguments.subspan(2)));
        return 0;
    }
    std::fprintf(stderr, "child_program: unknown mode '%s'\n", mode.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    prepare();
    return run(std::span<char*>(argv, static_cast<std::size_t>(argc)));
}
