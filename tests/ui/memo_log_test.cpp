// The window's log control against the log it shows.

#include "app/log.h"
#include "ui/memo_log.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace zorva::ui {
namespace {

class LogMemoTest : public ::testing::Test {
protected:
    LogMemoTest() {
        log.onLineAdded = [this](const std::string& line, std::size_t dropped) {
            memo.insertTopLine(QString::fromStdString(line), dropped);
        };
    }

    QStringList logLines() const {
        QStringList out;
        for (const std::string& line : log.lines())
            out.append(QString::fromStdString(line));
        return out;
    }

    app::Log log;
    LogMemo memo;
};

TEST_F(LogMemoTest, LinesInQuickSuccessionArriveTogetherNewestFirst) {
    log.insertTop("first");
    log.insertTop("second");
    EXPECT_TRUE(memo.document()->isEmpty()) << "put in a moment later";
    QTest::qWait(LogMemo::coalescingMs * 3);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("second\nfirst"));
    log.insertTop("Tanımsız Oda - Oda Adı: Kule Şah");
    EXPECT_EQ(memo.lines(), logLines());
}

TEST_F(LogMemoTest, HoldsWhatTheLogHoldsAcrossDropsAndFloods) {
    // Lines in batches of every size, with the log full and dropping from the second batch on:
    // a few, a batch that drops many, and one larger than the whole log.
    int next = 0;
    constexpr std::size_t full = app::Log::maxLines;
    for (std::size_t batch :
         {std::size_t{3}, full, std::size_t{50}, std::size_t{1}, full + 2500, std::size_t{7}}) {
        for (std::size_t i = 0; i < batch; ++i)
            log.insertTop("line " + std::to_string(next++));
        ASSERT_EQ(memo.lines(), logLines()) << "after a batch of " << batch;
    }
    EXPECT_EQ(static_cast<std::size_t>(memo.document()->blockCount()), full);
}

TEST_F(LogMemoTest, TheNewestLineStaysWhateverTheOperatorDidToTheLog) {
    log.insertTop("one");
    log.insertTop("two");
    memo.flush();
    memo.clear(); // the log control can be typed into, and emptied
    log.insertTop(std::string(app::Log::maxBytes + 1, 'x')); // drops both earlier lines
    const QStringList lines = memo.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.front().size(), static_cast<int>(app::Log::maxBytes + 1));
}

} // namespace
} // namespace zorva::ui
