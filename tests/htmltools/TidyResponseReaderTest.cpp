// The reader of the Tidy helper's response, fed as the pipe delivers it: in any pieces, a whole
// response reads the same, and anything short of exactly one response is refused.
#include "htmltools/TidyRunner.h"

#include <gtest/gtest.h>

namespace {

// Level, line, column and text of two messages, the end mark, the flag and the output.
const QByteArray Whole = "1:11:31:722:<p> is not recognized!"
                         "1:01:51:14:note"
                         "0:1:19:<p>hi</p>";

TEST(TidyResponseReader, ReadsTheSameInAnyPiecesAndToASink) {
    for (const qsizetype piece : {Whole.size(), qsizetype(1), qsizetype(2), qsizetype(7)}) {
        for (const bool toSink : {false, true}) {
            QList<TTidyMessage> sunk;
            TTidyResponseReader reader(
                toSink ? TTidyMessageSink([&](TTidyMessage&& m) { sunk.append(std::move(m)); })
                       : TTidyMessageSink());
            for (qsizetype at = 0; at < Whole.size(); at += piece)
                reader.Feed(Whole.mid(at, piece));
            const auto read = reader.Finish();
            SCOPED_TRACE(testing::Message() << "piece " << piece << ", sink " << toSink);
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(read->Text, "<p>hi</p>");
            EXPECT_TRUE(read->OptionsAccepted);
            const QList<TTidyMessage>& messages = toSink ? sunk : read->Messages;
            EXPECT_EQ(read->Messages.size(), toSink ? 0 : 2);
            ASSERT_EQ(messages.size(), 2);
            EXPECT_EQ(messages[0].Level, 1);
            EXPECT_EQ(messages[0].Line, 3);
            EXPECT_EQ(messages[0].Column, 7);
            EXPECT_EQ(messages[0].Text, "<p> is not recognized!");
            EXPECT_EQ(messages[1].Text, "note");
        }
    }
}

TEST(TidyResponseReader, RefusesAnythingButOneWholeResponse) {
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"empty", ""},
        {"no end mark", "1:11:31:71:x"},
        {"cut in a message", "1:11:31:72:x"},
        {"no output", "0:1:1"},
        {"output cut short", "0:1:15:abc"},
        {"bytes after the output", "0:1:13:abcd"},
        {"level not a number", "1:x1:31:71:x0:1:10:"},
        {"length not a number", "a:11:31:71:x0:1:10:"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ParseTidyResponse(c.Bytes).has_value()) << c.Name;
    EXPECT_TRUE(ParseTidyResponse("0:1:00:").has_value());
}

} // namespace
