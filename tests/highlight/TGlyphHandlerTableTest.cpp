#include "highlight/TGlyphHandlerTable.h"

#include <gtest/gtest.h>

namespace {

// Records which rule each position was dispatched to.
class TRecorder {
public:
    void Other() { log_ += u'o'; }
    void Letter() { log_ += u'l'; }
    void Nul() { log_ += u'0'; }
    void Above() { log_ += u'u'; }
    void End() { log_ += u'e'; }

    QString Run(const QString& text) {
        TGlyphHandlerTable<TRecorder> table(&TRecorder::Other);
        table.SetRange(u'a', u'z', &TRecorder::Letter);
        table.Set(u"_", &TRecorder::Letter);
        table.Set(0, &TRecorder::Nul);
        table.SetAbove(&TRecorder::Above);
        table.SetLineEnd(&TRecorder::End);
        TGlyphScanLine line;
        line.Set(text);
        log_.clear();
        for (int pos = 0; pos <= line.Length() + 1; ++pos) {
            table.Dispatch(*this, line, pos);
        }
        return log_;
    }

private:
    QString log_;
};

struct TDispatchCase {
    const char* name;
    QString text;
    QString log;
};

class HandlerTable : public ::testing::TestWithParam<TDispatchCase> {};

TEST_P(HandlerTable, DispatchesOnTheCharacterAtThePosition) {
    TRecorder r;
    EXPECT_EQ(r.Run(GetParam().text), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Dispatch, HandlerTable,
    ::testing::Values(TDispatchCase{"Empty", "", "ee"}, TDispatchCase{"Letters", "a_z", "lllee"},
                      TDispatchCase{"Latin1IsInTheTable", QString::fromUtf8("\xc3\xa9!"), "ooee"},
                      TDispatchCase{"AboveLatin1", QString::fromUtf8("\xe6\x97\xa5x"), "ulee"},
                      TDispatchCase{"NulInsideTheLine", QString(QChar(0)) + "a", "0lee"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScanLine, ReadsZeroPastEitherEnd) {
    TGlyphScanLine line;
    line.Set(QStringLiteral("ab"));
    EXPECT_EQ(line[-1], 0);
    EXPECT_EQ(line[0], u'a');
    EXPECT_EQ(line[2], 0);
    EXPECT_FALSE(line.AtEnd(1));
    EXPECT_TRUE(line.AtEnd(2));
    EXPECT_EQ(line.View(1, 1), QStringLiteral("b"));
}

} // namespace
