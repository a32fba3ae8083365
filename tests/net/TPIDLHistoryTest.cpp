// The open dialog's folder history: adding, going back and forward, and dropping the forward
// entries when a new folder is visited.
#include "net/TPIDLHistory.h"

#include "support/QtPrinters.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

// One step of a script: "+x" adds x, "~x" adds through AddCopy, "<n" goes back n, ">n" goes
// forward n, "0" clears. Expect is what Back/Forward return ("" for nothing).
struct Step {
    const char* Op;
    const char* Expect = "";
};

struct HistoryCase {
    const char* Name;
    std::vector<Step> Steps;
    QStringList Items;
    int Index;
    bool CanGoBack;    // one step
    bool CanGoForward; // one step
};

void RunStep(TPIDLHistory& history, const Step& step) {
    const QString op = QString::fromLatin1(step.Op);
    const QString arg = op.mid(1);
    std::optional<QString> moved;
    switch (op.at(0).toLatin1()) {
    case '+':
        history.Add(arg);
        return;
    case '~':
        history.AddCopy(arg);
        return;
    case '0':
        history.Clear();
        return;
    case '<':
        moved = history.Back(arg.toInt());
        break;
    case '>':
        moved = history.Forward(arg.toInt());
        break;
    default:
        FAIL() << "bad step " << step.Op;
    }
    EXPECT_EQ(moved.value_or(QString()), QString::fromLatin1(step.Expect)) << "step " << step.Op;
}

class HistoryScriptTest : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(HistoryScriptTest, EndsInTheExpectedState) {
    const HistoryCase& c = GetParam();
    TPIDLHistory history;
    for (const Step& step : c.Steps)
        RunStep(history, step);
    EXPECT_EQ(history.Items(), c.Items);
    EXPECT_EQ(history.Index(), c.Index);
    EXPECT_EQ(history.CanGoBack(1), c.CanGoBack);
    EXPECT_EQ(history.CanGoForward(1), c.CanGoForward);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, HistoryScriptTest,
    ::testing::Values(
        HistoryCase{"Empty", {}, {}, 0, false, false},
        HistoryCase{"OneFolder", {{"+a"}}, {"a"}, 0, false, false},
        HistoryCase{"ThreeFolders", {{"+a"}, {"+b"}, {"+c"}}, {"a", "b", "c"}, 2, true, false},
        HistoryCase{
            "BackOne", {{"+a"}, {"+b"}, {"+c"}, {"<1", "b"}}, {"a", "b", "c"}, 1, true, true},
        HistoryCase{"BackAndForward",
                    {{"+a"}, {"+b"}, {"+c"}, {"<1", "b"}, {">1", "c"}},
                    {"a", "b", "c"},
                    2,
                    true,
                    false},
        HistoryCase{"BackTwiceThenNewFolderDropsForward",
                    {{"+a"}, {"+b"}, {"+c"}, {"<1", "b"}, {"<1", "a"}, {"+d"}},
                    {"a", "d"},
                    1,
                    true,
                    false},
        HistoryCase{"BackTwoAtOnce",
                    {{"+a"}, {"+b"}, {"+c"}, {"<2", "a"}},
                    {"a", "b", "c"},
                    0,
                    false,
                    true},
        HistoryCase{
            "BackPastTheStartIsNothing", {{"+a"}, {"+b"}, {"<2", ""}}, {"a", "b"}, 1, true, false},
        HistoryCase{"ForwardPastTheEndIsNothing",
                    {{"+a"}, {"+b"}, {"<1", "a"}, {">2", ""}},
                    {"a", "b"},
                    0,
                    false,
                    true},
        HistoryCase{
            "BackOnEmptyIsNothing", {{"<1", ""}, {"<0", ""}, {">0", ""}}, {}, 0, false, false},
        HistoryCase{"AddCopyOfNoFolderAddsNothing", {{"+a"}, {"~"}}, {"a"}, 0, false, false},
        HistoryCase{"AddCopyAdds", {{"+a"}, {"~b"}}, {"a", "b"}, 1, true, false},
        HistoryCase{"SameFolderTwiceIsTwoEntries", {{"+a"}, {"+a"}}, {"a", "a"}, 1, true, false},
        HistoryCase{"ClearEmpties", {{"+a"}, {"+b"}, {"0"}}, {}, 0, false, false},
        HistoryCase{
            "AddAfterClearStartsAtZero", {{"+a"}, {"+b"}, {"0"}, {"+c"}}, {"c"}, 0, false, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(HistoryCountsTest, CanGoMeasuresTheDistance) {
    TPIDLHistory history;
    for (const char* folder : {"a", "b", "c", "d"})
        history.Add(folder);
    ASSERT_EQ(history.Back(2).value_or(""), "b");
    EXPECT_TRUE(history.CanGoBack(1));
    EXPECT_FALSE(history.CanGoBack(2));
    EXPECT_TRUE(history.CanGoForward(2));
    EXPECT_FALSE(history.CanGoForward(3));
    EXPECT_TRUE(history.CanGoBack(0)) << "the current entry itself";
}

} // namespace
