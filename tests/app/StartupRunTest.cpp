#include "app/StartupRun.h"
#include "common/Error.h"
#include "support/MemoryFile.h"
#include "tag/DepthTag.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace vorlund;

namespace {

// Records every call, in order, so that the order of the stages is checked.
struct Log {
    std::vector<std::string> calls;
};

// Each known file holds one line with its depth, or its own text.
class FakeFiles : public FileSystem {
public:
    explicit FakeFiles(Log& L) : log_(L) {}
    std::map<std::string, float> depths;          // files that scan
    std::map<std::string, std::string> texts;     // files that scan, as written
    std::map<std::string, std::string> renameErr; // renames that fail
    std::map<std::string, std::string> names;     // old -> new, done

    std::unique_ptr<ProgramFile> Open(const std::string& Path) override {
        log_.calls.push_back("scan " + Path);
        const auto it = depths.find(Path);
        if (it == depths.end() && !texts.count(Path))
            throw Error(Path + ": No such file or directory");
        return std::make_unique<test::MemoryFile>(
            texts.count(Path) ? texts[Path] : "G1 Z" + DecimalText(it->second, ".") + "\n",
            [this, Path](const std::string& To) { Rename(Path, To); });
    }

private:
    void Rename(const std::string& From, const std::string& To) {
        log_.calls.push_back("rename " + From + " " + To);
        if (renameErr.count(From)) throw Error(From + ": " + renameErr[From]);
        names[From] = To;
    }

    Log& log_;
};

class FakeClipboard : public Clipboard {
public:
    explicit FakeClipboard(Log& L) : log_(L) {}
    bool fail = false;
    void SetText(const std::string& Text) override {
        log_.calls.push_back("clip " + Text);
        if (fail) throw Error("no X display: cannot put the depth tag on the clipboard");
    }

private:
    Log& log_;
};

struct Fixture {
    Log log;
    FakeFiles files{log};
    FakeClipboard clip{log};
    RunResult Run(std::vector<std::string> Args, bool DryRun = false, std::string Sep = ".") {
        RunRequest request;
        request.Files = std::move(Args);
        request.Separator = std::move(Sep);
        request.DryRun = DryRun;
        return StartupRun(request, files, clip);
    }
};

using Calls = std::vector<std::string>;

} // namespace

TEST(StartupRun, ScansThenPublishesThenRenames) {
    Fixture f;
    f.files.depths = {{"/j/PART1.TAP", -12.5f}, {"/j/b.nc", -3.0f}};
    const auto result = f.Run({"/j/PART1.TAP", "/j/b.nc"});
    EXPECT_EQ(f.log.calls,
              (Calls{"scan /j/PART1.TAP", "scan /j/b.nc", "clip h12.5\nh3",
                     "rename /j/PART1.TAP /j/PART1h12.5.TAP", "rename /j/b.nc /j/bh3.nc"}));
    EXPECT_EQ(result.ExitCode(), 0);
    EXPECT_EQ(result.MinZ, -3.0f) << "the last file scanned";
}

TEST(StartupRun, OneFileGetsJustItsTag) {
    Fixture f;
    f.files.depths = {{"a.nc", 0.0f}};
    f.Run({"a.nc"}, false, ",");
    EXPECT_EQ(f.log.calls, (Calls{"scan a.nc", "clip h0", "rename a.nc ah0.nc"}));
    Fixture g;
    g.files.depths = {{"a.nc", -12.5f}};
    g.Run({"a.nc"}, false, ",");
    EXPECT_EQ(g.log.calls[1], "clip h12,5");
}

TEST(StartupRun, AFailureStopsOnlyItsOwnFile) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        bool clipFails;
        std::string renameFails;
        Calls calls;
        std::vector<std::string> errors;
    } cases[] = {
        {"missing file",
         {"gone.nc", "b.nc"},
         false,
         "",
         {"scan gone.nc", "scan b.nc", "clip h3", "rename b.nc bh3.nc"},
         {"gone.nc: No such file or directory"}},
        {"all missing: clipboard untouched",
         {"gone.nc"},
         false,
         "",
         {"scan gone.nc"},
         {"gone.nc: No such file or directory"}},
        {"clipboard fails: nothing renamed",
         {"b.nc"},
         true,
         "",
         {"scan b.nc", "clip h3"},
         {"no X display: cannot put the depth tag on the clipboard"}},
        {"rename fails: the other file is still renamed, the tag stays",
         {"b.nc", "c.nc"},
         false,
         "b.nc",
         {"scan b.nc", "scan c.nc", "clip h3\nh1", "rename b.nc bh3.nc", "rename c.nc ch1.nc"},
         {"b.nc: cannot rename to bh3.nc: File exists"}},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.files.depths = {{"b.nc", -3.0f}, {"c.nc", -1.0f}};
        f.clip.fail = c.clipFails;
        if (!c.renameFails.empty())
            f.files.renameErr[c.renameFails] = "cannot rename to bh3.nc: File exists";
        const auto result = f.Run(c.args);
        EXPECT_EQ(f.log.calls, c.calls) << c.what;
        EXPECT_EQ(result.Errors, c.errors) << c.what;
        EXPECT_EQ(result.ExitCode(), 1) << c.what;
    }
}

TEST(StartupRun, TaggedNamesAreKept) {
    Fixture f;
    f.files.depths = {{"/j/PART1h12.5.TAP", -12.5f}};
    const auto result = f.Run({"/j/PART1h12.5.TAP"});
    EXPECT_EQ(f.log.calls, (Calls{"scan /j/PART1h12.5.TAP", "clip h12.5"}));
    EXPECT_EQ(result.ExitCode(), 0);
}

TEST(StartupRun, ABadSeparatorIsRefusedNotUsed) {
    Fixture f;
    f.files.depths = {{"a.nc", -1.5f}};
    const auto result = f.Run({"a.nc"}, false, "/");
    EXPECT_EQ(f.log.calls, (Calls{"scan a.nc", "clip h1/5"}));
    ASSERT_EQ(result.Errors.size(), 1u);
    EXPECT_EQ(result.Errors[0], "a.nc: depth tag holds a path separator or NUL");
}

TEST(StartupRun, DryRunTouchesNothing) {
    Fixture f;
    f.files.depths = {{"a.nc", -1.5f}, {"bh2.nc", -2.0f}};
    const auto result = f.Run({"a.nc", "bh2.nc", "gone"}, true);
    EXPECT_EQ(f.log.calls, (Calls{"scan a.nc", "scan bh2.nc", "scan gone"}));
    EXPECT_EQ(result.Lines,
              (std::vector<std::string>{"a.nc: h1.5 (line 1): would be renamed to ah1.5.nc",
                                        "bh2.nc: h2 (line 1): name kept"}));
    EXPECT_EQ(result.ExitCode(), 1);
}

// A file whose depth is in doubt keeps its name unless forced or the user
// says otherwise; its tag goes on the clipboard either way.
TEST(StartupRun, DoubtKeepsTheNameUnlessForcedOrAnswered) {
    const std::string doubt = "MAC.NC: h9 may be wrong: line 2: machine coordinates (SUPA); "
                              "1 more line";
    const struct {
        bool force, dry;
        int ask; // -1 nobody asked, 0 keep, 1 rename
        bool renamed;
        int status;
        std::string report;
    } rows[] = {
        {false, false, -1, false, 3, doubt + "; name kept (--force to rename)"},
        {false, false, 0, false, 3, doubt + "; name kept (--force to rename)"},
        {false, false, 1, true, 0, "warning: " + doubt + "; renamed all the same"},
        {true, false, -1, true, 0, "warning: " + doubt + "; renamed all the same"},
        {false, true, -1, false, 3, doubt + "; name kept (--force to rename)"},
        {true, true, -1, false, 0, "warning: " + doubt + "; renamed all the same"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.report);
        Fixture f;
        f.files.texts["MAC.NC"] = "G1 Z-4\nG0 SUPA Z-9\nSUPA Z-1\n";
        RunRequest request;
        request.Files = {"MAC.NC"};
        request.DryRun = row.dry;
        request.Force = row.force;
        std::vector<std::string> asked;
        if (row.ask >= 0)
            request.Ask = [&](const std::vector<std::string>& Doubts) {
                asked.insert(asked.end(), Doubts.begin(), Doubts.end());
                return row.ask == 1;
            };
        const auto result = StartupRun(request, f.files, f.clip);
        EXPECT_EQ(result.ExitCode(), row.status);
        EXPECT_EQ(result.Status, std::vector<int>{row.status});
        EXPECT_EQ(f.files.names.count("MAC.NC"), row.renamed ? 1u : 0u);
        if (!row.dry) {
            EXPECT_EQ(f.log.calls[1], "clip h9");
        }
        const auto& reports = row.report.starts_with("warning") ? result.Warnings : result.Doubts;
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ((row.report.starts_with("warning") ? "warning: " : "") + reports[0], row.report);
        EXPECT_EQ(asked,
                  row.ask >= 0 ? std::vector<std::string>{doubt} : std::vector<std::string>{});
    }
}

// Several files in doubt make one question, whose answer holds for them all;
// each file's status is its own.
TEST(StartupRun, OneQuestionForEveryFileInDoubt) {
    for (const bool anyway : {false, true}) {
        Fixture f;
        f.files.depths = {{"a.nc", -1.0f}};
        f.files.texts = {{"b.nc", "G91\nG1 Z-2\n"}, {"ch1.nc", "Z#1\n"}, {"d.nc", "Z#1\n"}};
        RunRequest request;
        request.Files = {"a.nc", "b.nc", "gone", "ch1.nc", "d.nc"};
        std::vector<std::vector<std::string>> asked;
        request.Ask = [&](const std::vector<std::string>& Doubts) {
            asked.push_back(Doubts);
            return anyway;
        };
        const auto result = StartupRun(request, f.files, f.clip);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0],
                  (std::vector<std::string>{
                      "b.nc: h2 may be wrong: line 2: incremental move before any "
                      "absolute Z (G91 Z-2)",
                      "d.nc: h0 may be wrong: line 1: the caller's argument #1 is not set"}));
        EXPECT_EQ(f.files.names.count("b.nc") + f.files.names.count("d.nc"), anyway ? 2u : 0u);
        EXPECT_EQ(result.Status, (std::vector<int>{0, anyway ? 0 : 3, 1, 3, anyway ? 0 : 3}));
        EXPECT_EQ(CombinedStatus(result.Status), result.ExitCode());
    }
}

// Where the scan cannot settle the depth the program is run; its depth is
// the tag, or its reason the doubt. Words of other dialects are not run.
TEST(StartupRun, RunsWhatTheScanCannotSettle) {
    const InterpResult settled{{}, -2.0f, 3, DepthSource::Move};
    const struct {
        std::string program;
        std::optional<InterpResult> run; // what the run gives; nullopt: not run
        std::string line;                // of the dry run
        std::string doubt;               // after "MAC.NC: TAG may be wrong: "
    } rows[] = {
        {"G0 Z1\nG91\nG1 Z-3\n", settled,
         "MAC.NC: h2 (line 3; the Z words say h3): would be renamed to MACh2.NC", ""},
        {"G18 G2 X20 Z0 I10 K0\n",
         InterpResult{{Reason::None, "", 0}, -10.0f, 1, DepthSource::ArcLowest},
         "MAC.NC: h10 (line 1, the arc's lowest point; the Z words say h0): would be renamed to "
         "MACh10.NC",
         ""},
        {"G1 Z-2\nG91\nZ1\nZ-1\n", settled, "MAC.NC: h2 (line 3): would be renamed to MACh2.NC",
         ""},
        {"G53 Z-50\n", InterpResult{{Reason::Machine, "G53", 1}, 0.0f, 0, DepthSource::Move},
         "MAC.NC: h50 (line 1): name kept", "line 1: machine coordinates (G53)"},
        {"o1 sub\nZ#1\no1 endsub\no1 call\n",
         InterpResult{{Reason::Unset, "#1", 2}, 0.0f, 0, DepthSource::Move},
         "MAC.NC: h0: name kept", "line 2: the caller's argument #1 is not set"},
        {"o1 sub\nZ-1\no1 endsub\n",
         InterpResult{{Reason::OnlySubroutines, "", 0}, 0.0f, 0, DepthSource::Move},
         "MAC.NC: h1 (line 2): name kept", "only defines subroutines"},
        {"o1 while [1]\nZ-1\no1 endwhile\n",
         InterpResult{{Reason::Runaway, "no end after 100 blocks", 2}, 0.0f, 0, DepthSource::Move},
         "MAC.NC: h1 (line 2): name kept", "line 2: runs away: no end after 100 blocks"},
        {"G91 Z-1\nSUPA Z-2\n", std::nullopt, "MAC.NC: h2 (line 2): name kept",
         "line 2: machine coordinates (SUPA); 1 more line"},
        {"G90 G21\nZ-1\nM30\n", std::nullopt, "MAC.NC: h1 (line 2): would be renamed to MACh1.NC",
         ""},
        // A Sinumerik program is run even when its Z words settle it: they
        // cannot show a call of another program.
        {"MSG(\"ROUGH\")\nG0 Z0\nG1 Z-1\nBAR_CENTR\n",
         InterpResult{{Reason::MissingProgram, "BAR_CENTR", 4}, 0.0f, 0, DepthSource::Move},
         "MAC.NC: h1 (line 3): name kept",
         "line 4: calls a program that is not in the file (BAR_CENTR)"},
        // Of the other dialects Heidenhain's is run.
        {"BEGIN PGM A MM\nL Z+1\nL IZ-3\n", settled,
         "MAC.NC: h2 (line 3; the Z words say h3): would be renamed to MACh2.NC", ""},
        {"BEGIN PGM A MM\nCYCL DEF 204\n",
         InterpResult{{Reason::Cycle, "CYCL DEF 204", 2}, 0.0f, 0, DepthSource::Move},
         "MAC.NC: h0: name kept", "line 2: a cycle whose depth it cannot tell (CYCL DEF 204)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.program);
        Fixture f;
        f.files.texts["MAC.NC"] = row.program;
        RunRequest request;
        request.Files = {"MAC.NC"};
        request.DryRun = true;
        int runs = 0;
        request.Run = [&](const ProgramSource&) {
            ++runs;
            return row.run.value_or(InterpResult{});
        };
        const auto result = StartupRun(request, f.files, f.clip);
        EXPECT_EQ(runs, row.run ? 1 : 0);
        EXPECT_EQ(result.Lines, std::vector<std::string>{row.line});
        const auto tag = row.line.substr(8, row.line.find_first_of(" :", 8) - 8);
        const std::vector<std::string> doubts{"MAC.NC: " + tag + " may be wrong: " + row.doubt +
                                              "; name kept (--force to rename)"};
        EXPECT_EQ(result.Doubts, row.doubt.empty() ? std::vector<std::string>{} : doubts);
        EXPECT_EQ(result.ExitCode(), row.doubt.empty() ? 0 : 3);
    }
}

TEST(StartupRun, NoFilesDoNothing) {
    Fixture f;
    const auto result = f.Run({});
    EXPECT_TRUE(f.log.calls.empty());
    EXPECT_EQ(result.ExitCode(), 0);
    EXPECT_FALSE(result.MinZ);
}

// A run that takes files as they come tags each step at once: the clipboard
// holds every tag so far and the settled files carry their names; a file in
// doubt waits for the one question at the end. A step whose tags cannot go
// on the clipboard fails alone, and its tags stay off it.
TEST(TagRun, EachStepAtOnceOnlyTheQuestionWaits) {
    Fixture f;
    f.files.depths = {{"a.nc", -1.0f}, {"b.nc", -2.0f}, {"c.nc", -3.0f}, {"e.nc", -5.0f}};
    f.files.texts = {{"d.nc", "Z#1\n"}};
    RunRequest request;
    std::vector<std::vector<std::string>> asked;
    request.Ask = [&](const std::vector<std::string>& Doubts) {
        asked.push_back(Doubts);
        return true;
    };
    TagRun run(request, f.files, f.clip);
    const struct {
        std::vector<std::string> files;
        bool clipFails;
        std::vector<int> status;
        Calls calls;
    } steps[] = {
        {{"a.nc"}, false, {0}, {"scan a.nc", "clip h1", "rename a.nc ah1.nc"}},
        {{"d.nc", "gone", "b.nc"},
         false,
         {kAsking, 1, 0},
         {"scan d.nc", "scan gone", "scan b.nc", "clip h1\nh0\nh2", "rename b.nc bh2.nc"}},
        {{"c.nc"}, true, {1}, {"scan c.nc", "clip h1\nh0\nh2\nh3"}},
        {{"e.nc"}, false, {0}, {"scan e.nc", "clip h1\nh0\nh2\nh5", "rename e.nc eh5.nc"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.files[0]);
        f.log.calls.clear();
        f.clip.fail = step.clipFails;
        EXPECT_EQ(run.Add(step.files), step.status);
        EXPECT_EQ(f.log.calls, step.calls);
        EXPECT_TRUE(asked.empty());
    }
    f.log.calls.clear();
    const auto result = run.Finish();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(f.log.calls, Calls{"rename d.nc dh0.nc"});
    EXPECT_EQ(result.Status, (std::vector<int>{0, 0, 1, 0, 1, 0}));
}

TEST(PathFromArgument, DropsOnlyEnclosingQuotes) {
    const std::pair<std::string, std::string> rows[] = {
        {"\"/j/a b.nc\"", "/j/a b.nc"},
        {"\"/j/a.nc\" ", "\"/j/a.nc\" "},
        {"/j/a\"b.nc", "/j/a\"b.nc"},
        {"\"", "\""},
        {"\"\"", ""},
        {"plain.nc", "plain.nc"},
    };
    for (const auto& [argument, path] : rows)
        EXPECT_EQ(PathFromArgument(argument), path);
}
