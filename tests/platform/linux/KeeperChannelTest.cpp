#include "platform/linux/KeeperChannel.h"
#include "platform/linux/SelectionOwner.h"

#include <gtest/gtest.h>

#include <thread>

#include <sys/socket.h>
#include <unistd.h>

using namespace vorlund;

namespace {

// Both ends of a socket pair, closed at the end.
struct Channel {
    Channel() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0); }
    ~Channel() {
        CloseWriter();
        ::close(ends[1]);
    }
    void CloseWriter() {
        if (ends[0] >= 0) ::close(ends[0]);
        ends[0] = -1;
    }
    int ends[2] = {-1, -1}; // [0] writes, [1] reads
};

} // namespace

TEST(KeeperChannel, TheTextCountsOnlyWhenItsNulArrived) {
    const struct {
        std::string sent;
        bool whole;
        std::string text;
    } rows[] = {
        {std::string("h12.5\0", 6), true, "h12.5"},
        {std::string("h1\nh2\0", 6), true, "h1\nh2"},
        {std::string(100000, 'h') + '\0', true, std::string(100000, 'h')}, // past one read
        {"h12.5", false, ""},                                              // the sender died
        {"", false, ""},                                                   // no tag at all
    };
    for (const auto& row : rows) {
        Channel c;
        std::string text;
        std::thread writer([&] {
            EXPECT_TRUE(SendAll(c.ends[0], row.sent));
            c.CloseWriter();
        });
        EXPECT_EQ(ReadText(c.ends[1], text), row.whole) << row.sent.size();
        writer.join();
        if (row.whole) {
            EXPECT_EQ(text, row.text);
        }
    }
}

// The program sends its next text after the keeper's answer: each read
// gives one text, the last one's end is the end of the channel.
TEST(KeeperChannel, TextAfterTextUntilTheEnd) {
    Channel c;
    std::string text;
    const std::string texts[] = {"h1", "h1\nh2", std::string(100000, 'h')};
    for (const auto& sent : texts) {
        ASSERT_TRUE(SendAll(c.ends[0], sent + '\0')); // the socket holds it whole
        EXPECT_TRUE(ReadText(c.ends[1], text));
        EXPECT_EQ(text, sent);
    }
    ASSERT_TRUE(SendAll(c.ends[0], "h1\nh2\nh"));
    c.CloseWriter();
    EXPECT_FALSE(ReadText(c.ends[1], text)) << "a text cut short is none";
}

TEST(KeeperChannel, AnswerWaitsForPlusOrTheReason) {
    const struct {
        std::string said;
        bool close;
        std::string answer;
    } rows[] = {
        {"+", false, "+"},
        {"!cannot open the X display", true, "!cannot open the X display"},
        {"", true, ""},  // the keeper ended without a word
        {"", false, ""}, // it said nothing in time
    };
    for (const auto& row : rows) {
        Channel c;
        ASSERT_TRUE(SendAll(c.ends[0], row.said));
        if (row.close) c.CloseWriter();
        EXPECT_EQ(Answer(c.ends[1], 50), row.answer) << row.said;
    }
}

TEST(KeeperChannel, SendAllReportsAClosedPeer) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ::close(ends[1]);
    EXPECT_FALSE(SendAll(ends[0], "h1")) << "no SIGPIPE, just false";
    ::close(ends[0]);
}

TEST(Latin1, StringGetsLatin1AndQuestionMarksBeyond) {
    const std::pair<std::string, std::string> rows[] = {
        {"h12.5", "h12.5"},
        {"h12,5\nh3", "h12,5\nh3"},
        {"\xc3\xa4", "\xe4"},        // a-umlaut, two bytes to one
        {"\xe2\x82\xac", "?"},       // the euro sign is beyond Latin-1
        {"\xf0\x9f\x98\x80x", "?x"}, // four bytes, one character
        {"\xff", "?"},               // not UTF-8 at all
    };
    for (const auto& [utf8, latin1] : rows)
        EXPECT_EQ(Latin1(utf8), latin1) << utf8;
}
