// One log line at the top of a full log: the log itself, and the window's log control with the
// window shown, as the operator has it. The cost must not grow with what the log holds.

#include "app/log.h"
#include "ui/memo_log.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <string>

namespace zorva::bench {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "zorva_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt does not take being torn down among the static objects at exit.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// As long as the longest line a datagram can bring: an undefined room's name cut to its 100
// characters.
std::string line(std::int64_t i) {
    return "29.07.2025 14:00:00: Tanımsız Oda - Oda Adı: " + std::string(100, 'n') + "... " +
           std::to_string(i);
}

void fill(app::Log& log, std::int64_t lines) {
    for (std::int64_t i = 0; i < lines; ++i)
        log.insertTop(line(i));
}

void BM_LogLine(benchmark::State& state) {
    app::Log log;
    fill(log, state.range(0));
    std::int64_t i = 0;
    for (auto _ : state)
        log.insertTop(line(i++));
    state.counters["lines"] = static_cast<double>(log.lines().size());
}
BENCHMARK(BM_LogLine)->ArgName("lines")->Arg(10'000);

void BM_LogLineInTheWindow(benchmark::State& state) {
    application();
    app::Log log;
    ui::LogMemo memo;
    memo.resize(691, 211);
    memo.show();
    log.onLineAdded = [&](const std::string& text, std::size_t dropped) {
        memo.insertTopLine(QString::fromStdString(text), dropped);
    };
    fill(log, state.range(0));
    memo.flush();
    QCoreApplication::processEvents();
    std::int64_t i = 0;
    const bool eachOnItsOwn = state.range(1) != 0;
    for (auto _ : state) {
        log.insertTop(line(i++));
        // Shown on its own at once, as when lines come slowly; otherwise lines in quick
        // succession are put in together.
        if (eachOnItsOwn)
            memo.flush();
        // The event loop runs between two datagrams, repainting what changed.
        QCoreApplication::processEvents();
    }
    memo.flush();
    state.counters["lines"] = static_cast<double>(memo.document()->blockCount());
}
BENCHMARK(BM_LogLineInTheWindow)
    ->ArgNames({"lines", "eachOnItsOwn"})
    ->Args({1'000, 1})
    ->Args({10'000, 1})
    ->Args({10'000, 0})
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace zorva::bench
