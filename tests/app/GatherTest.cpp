#include "app/Gather.h"
#include "app/StartupRun.h"

#include <gtest/gtest.h>

#include <deque>

using namespace vorlund;

namespace {

using Texts = std::vector<std::string>;
using Replies = std::vector<std::optional<std::string>>; // nullopt: the other end has gone

// A link whose other end answers from a script and notes what it is sent.
struct FakeLink : GatherLink {
    FakeLink(Replies In, Texts& Out) : in_(In.begin(), In.end()), out_(Out) {}
    bool Send(const std::string& Message) override {
        out_.push_back(Message);
        return !in_.empty() && in_.front().has_value();
    }
    std::optional<std::string> Receive(int) override {
        if (in_.empty()) return std::nullopt;
        auto next = in_.front();
        if (next) in_.pop_front();
        return next;
    }
    std::deque<std::optional<std::string>> in_;
    Texts& out_;
};

// Claims as scripted; links to accept and to connect, each with its script.
struct FakeChannel : GatherChannel {
    std::deque<bool> claims;
    std::deque<Replies> accepts, connects;
    std::deque<Texts> sent; // per link, in the order made
    Texts log;

    bool Claim() override {
        const bool claimed = !claims.empty() && claims.front();
        if (!claims.empty()) claims.pop_front();
        log.push_back(claimed ? "claim" : "held");
        return claimed;
    }
    std::unique_ptr<GatherLink> Accept(int) override { return Next(accepts); }
    void Release() override { log.push_back("release"); }
    std::unique_ptr<GatherLink> Connect() override { return Next(connects); }
    std::string Absolute(const std::string& Path) override {
        return Path.starts_with('/') ? Path : "/cwd/" + Path;
    }

private:
    std::unique_ptr<GatherLink> Next(std::deque<Replies>& Links) {
        if (Links.empty()) return nullptr;
        sent.emplace_back();
        auto link = std::make_unique<FakeLink>(Links.front(), sent.back());
        Links.pop_front();
        return link;
    }
};

std::string Files(const Texts& Paths, const std::string& Options = "") {
    std::string message = "F" + Options + '\0';
    for (const auto& path : Paths)
        message += path + '\0';
    return message;
}

// Tags each batch the feed gives: every file fails whose name begins with
// "x"; every one in doubt with "d" waits for the end, then keeps its name.
int FakeRun(FakeChannel& Channel, FileFeed& Feed) {
    std::vector<int> final;
    while (const auto files = Feed.Next()) {
        std::string line = "tag";
        std::vector<int> status;
        for (const auto& file : *files) {
            line += " " + file;
            const char first = file[file.rfind('/') + 1];
            status.push_back(first == 'x' ? 1 : first == 'd' ? kAsking : 0);
            final.push_back(first == 'x' ? 1 : first == 'd' ? 3 : 0);
        }
        Channel.log.push_back(line);
        Feed.Tagged(status);
    }
    return Feed.Finish(final);
}

} // namespace

TEST(Gather, EachFileTaggedAsItComesEachRunHearsItsOwn) {
    const std::string given = "+";
    const Texts mine = {"a.nc", "d.nc", "x.nc"};
    const struct {
        std::string name;
        Texts files;
        std::deque<bool> claims;
        std::deque<Replies> accepts, connects;
        Texts log;
        std::vector<Texts> sent;
        int status;
    } rows[] = {
        {"alone", {"a.nc"}, {true}, {}, {}, {"claim", "tag a.nc", "release"}, {}, 0},
        {"tags its own, then each sender's as they come; each hears which of its files are "
         "done, then its status",
         {"a.nc"},
         {true},
         {{Files({"/p/x1.nc", "/p/b.nc"}), given}, {Files({"/q/d2.nc"}), given}},
         {},
         {"claim", "tag a.nc", "tag /p/x1.nc /p/b.nc", "tag /q/d2.nc", "release"},
         {{"+", "~10", "=1"}, {"+", "~?", "=3"}},
         0},
        {"takes no files from a sender that goes, garbles or was given other options",
         {"a.nc"},
         {true},
         {{Files({"/p/b.nc"}), std::nullopt},
          {std::nullopt},
          {"junk"},
          {std::string("F\0/p/c.nc", 9)}, // no NUL at its end
          {Files({"/p/f.nc"}, "--force"), given},
          {Files({"/p/e.nc"}), "-"}},
         {},
         {"claim", "tag a.nc", "release"},
         {{"+"}, {}, {}, {}, {}, {"+"}},
         0},
        {"hands over and takes the gatherer's status",
         {"a.nc"},
         {false},
         {},
         {{"+", "~?", "=3"}},
         {"held"},
         {{Files({"/cwd/a.nc"}), "+"}},
         3},
        {"claims the channel the gatherer let go as it came",
         {"a.nc"},
         {false, true},
         {},
         {{std::nullopt}},
         {"held", "claim", "tag a.nc", "release"},
         {{Files({"/cwd/a.nc"})}},
         0},
        {"tags its files itself when the gatherer ends before it tagged them",
         {"a.nc"},
         {false, false, false, false, false},
         {},
         {{"+", std::nullopt}},
         {"held", "held", "held", "held", "held", "tag a.nc"},
         {{Files({"/cwd/a.nc"}), "+"}},
         0},
        {"the gatherer ends after it tagged them: only those that waited for its question "
         "are tagged again, and every status counts",
         mine,
         {false, true},
         {},
         {{"+", "~0?1", std::nullopt}},
         {"held", "claim", "tag d.nc", "release"},
         {{Files({"/cwd/a.nc", "/cwd/d.nc", "/cwd/x.nc"}), "+"}},
         1},
        {"the gatherer ends after it tagged them all: nothing left to do",
         {"a.nc"},
         {false},
         {},
         {{"+", "~0", std::nullopt}},
         {"held"},
         {{Files({"/cwd/a.nc"}), "+"}},
         0},
        {"a word of the wrong length is no word",
         {"a.nc"},
         {false, true},
         {},
         {{"+", "~00", "=0"}},
         {"held", "claim", "tag a.nc", "release"},
         {{Files({"/cwd/a.nc"}), "+"}},
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeChannel channel;
        channel.claims = row.claims;
        channel.accepts = row.accepts;
        channel.connects = row.connects;
        const int status =
            Gather(row.files, "", channel, [&](FileFeed& Feed) { return FakeRun(channel, Feed); });
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(channel.log, row.log);
        EXPECT_EQ(std::vector<Texts>(channel.sent.begin(), channel.sent.end()), row.sent);
    }
}
