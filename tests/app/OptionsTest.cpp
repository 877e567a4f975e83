#include "app/Options.h"

#include <gtest/gtest.h>

using vorlund::Options;
using vorlund::ParseOptions;

namespace {

Options Parse(const std::vector<std::string>& Args) {
    return ParseOptions(Args);
}

using Files = std::vector<std::string>;
using A = Options::Action;

} // namespace

TEST(Options, ParsesTheGnuWay) {
    const struct {
        std::vector<std::string> args;
        A action;
        bool dryRun;
        bool noDialog;
        Files files;
    } rows[] = {
        {{}, A::Run, false, false, {}},
        {{"a.nc"}, A::Run, false, false, {"a.nc"}},
        {{"-n", "a.nc", "b.nc"}, A::Run, true, false, {"a.nc", "b.nc"}},
        {{"a.nc", "--dry-run"}, A::Run, true, false, {"a.nc"}},
        {{"--no-dialog", "a.nc"}, A::Run, false, true, {"a.nc"}},
        {{"--", "-n", "--help"}, A::Run, false, false, {"-n", "--help"}},
        {{"-h"}, A::Help, false, false, {}},
        {{"--help", "a.nc"}, A::Help, false, false, {"a.nc"}},
        {{"--version"}, A::Version, false, false, {}},
        {{"--dry"}, A::Run, true, false, {}},
    };
    for (const auto& row : rows) {
        const auto o = Parse(row.args);
        const auto what = ::testing::PrintToString(row.args);
        EXPECT_EQ(o.What, row.action) << what;
        EXPECT_EQ(o.DryRun, row.dryRun) << what;
        EXPECT_EQ(o.NoDialog, row.noDialog) << what;
        EXPECT_EQ(o.Files, row.files) << what;
    }
}

TEST(Options, UnknownOptionsAreUsageErrors) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"-x", "a.nc"}, "invalid option -- 'x'"},
        {{"-nx"}, "invalid option -- 'x'"},
        {{"--frobnicate"}, "unrecognized option '--frobnicate'"},
        {{"--help=yes"}, "unrecognized option '--help=yes'"},
    };
    for (const auto& [args, error] : rows) {
        const auto o = Parse(args);
        EXPECT_EQ(o.What, A::UsageError) << error;
        EXPECT_EQ(o.Error, error);
    }
}
