#include "tag/NewName.h"
#include "common/Error.h"

#include <gtest/gtest.h>

using vorlund::NewName;

TEST(NewName, PutsTheTagInFrontOfTheExtension) {
    const struct {
        const char* path;
        const char* tag;
        std::optional<std::string> name;
    } rows[] = {
        {"/jobs/PART1.TAP", "h12.5", "/jobs/PART1h12.5.TAP"},
        {"/jobs/part.nc", "h3", "/jobs/parth3.nc"},
        {"/jobs/A.TAP", "h0", "/jobs/Ah0.TAP"},
        {"/home/shop/part.tap", "h2", "/home/shop/parth2.tap"},
        {"/jobs/Part_h2.tap", "h5", std::nullopt},
        {"/jobs/PART1h12.5.TAP", "h12.5", std::nullopt},
        {"/jobs/H5.nc", "h1", std::nullopt},
        {"shaft.tap", "h1", "shafth1.tap"},
        {"O1234", "h5", "O1234h5"},
        {".nc", "h1", ".nch1"},
        {"/jobs/.nc", "h1", "/jobs/.nch1"},
        {"file.", "h1", "fileh1."},
        {"a.b.c", "h1", "a.bh1.c"},
        {"dir.d/file", "h1", "dir.d/fileh1"},
        {"/h5/part.tap", "h2", "/h5/parth2.tap"},
        {"./part.tap", "h2", "./parth2.tap"},
        {"\xff\xfe.nc", "h1", "\xff\xfeh1.nc"},
        {"/jobs/part.tap", "h12,5", "/jobs/parth12,5.tap"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(NewName(row.path, row.tag), row.name) << row.path;
    }
}

TEST(NewName, RefusesWhatCouldLeaveTheFolder) {
    using namespace std::string_literals;
    const std::string bad[][2] = {
        {"/jobs/part.tap", "h1/5"},
        {"/jobs/part.tap", "h1\\5"},
        {"/jobs/part.tap", "h1\0"
                           "5"s},
        {"/jobs/", "h1"},
        {"", "h1"},
    };
    for (const auto& row : bad) {
        EXPECT_THROW(NewName(row[0], row[1]), vorlund::Error) << row[0] << " " << row[1];
    }
}
