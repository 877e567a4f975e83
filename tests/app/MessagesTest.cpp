#include "app/Messages.h"

#include <gtest/gtest.h>

using namespace vorlund;

// Every kind of fault in the one sentence the user reads, on any system.
TEST(Messages, FaultsInTheUsersWords) {
    const auto facts = [](Fault::Kind What, std::string Path, Fault::Cause Means = {},
                          std::string Reason = "") {
        Fault fault(What, std::move(Path));
        fault.To = "/j/ah1.nc";
        fault.Means = Means;
        fault.Reason = std::move(Reason);
        return fault;
    };
    using K = Fault::Kind;
    using C = Fault::Cause;
    const struct {
        Fault facts;
        std::string expected;
    } cases[] = {
        {facts(K::System, "/j/a.nc", C::NotFound, "Datei nicht gefunden"),
         "/j/a.nc: No such file or directory"},
        {facts(K::System, "/j/a.nc", C::Other, "Input/output error"),
         "/j/a.nc: Input/output error"},
        {facts(K::IsDirectory, "/j"), "/j: is a directory"},
        {facts(K::NotRegularFile, "/j/fifo"), "/j/fifo: not a regular file"},
        {facts(K::Changed, "/j/a.nc"),
         "/j/a.nc: changed while it was read; try again when it is complete"},
        {facts(K::Replaced, "/j/a.nc"), "/j/a.nc: replaced while it was read"},
        {facts(K::Rename, "/j/a.nc", C::Exists),
         "/j/a.nc: cannot rename to /j/ah1.nc: File exists"},
        {facts(K::Rename, "/j/a.nc", C::Denied),
         "/j/a.nc: cannot rename to /j/ah1.nc: Permission denied"},
        {facts(K::Rename, "a\nb", C::InUse),
         "'a'$'\\n''b': cannot rename to /j/ah1.nc: in use by another program"},
        {facts(K::Clipboard, "", C::Other, "lost the X display"),
         "cannot put the depth tag on the clipboard: lost the X display"},
        {facts(K::NoDisplay, ""), "no X display: cannot put the depth tag on the clipboard"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Message(Error(c.facts)), c.expected);
    EXPECT_EQ(Message(Error("a.nc: line 3: number out of range")),
              "a.nc: line 3: number out of range");
}
