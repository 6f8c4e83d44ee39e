// The run journal: what a run leaves on disk, when it goes away, how a dead writer is told from
// a live one (a child process killed with SIGKILL), taking an orphan over, and a recovery folder
// full of things that are not journals.
#include "measurement/run_journal.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <regex>

#include "document/dia_doc.h"
#include "measurement/journal_files.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

class RunJournalTest : public testing::TempDirectoryTest {
protected:
    std::filesystem::path Folder() const { return Path("recovery"); }
    void Store(C_KVR_DiaDoc& doc, int count) {
        for (int i = 0; i < count; ++i) doc.AppendSample(20 + i, 1e-3 / (i + 1));
    }
};

TEST_F(RunJournalTest, RecordKeepsTheDocumentSoFarAndDiscardLeavesNothing) {
    C_KVR_DiaDoc doc;
    doc.SetPathName("/data/cable 7.tvd");
    Store(doc, 2);
    RunJournal journal(Folder());
    EXPECT_FALSE(journal.Path());
    journal.BeginRun(doc.PathName());
    ASSERT_TRUE(journal.Record(doc).ok());
    Store(doc, 1);
    ASSERT_TRUE(journal.Record(doc).ok());
    ASSERT_TRUE(journal.Path());
    const std::string name = journal.Path()->filename().string();
    EXPECT_TRUE(std::regex_match(name, std::regex("run-\\d{8}T\\d{6}Z-" + std::to_string(::getpid()) + "-1\\.tvd")))
        << name;

    const std::vector<JournalInfo> list = ListJournals(Folder());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].file, *journal.Path());
    EXPECT_EQ(list[0].samples, 3u);
    EXPECT_EQ(list[0].pid, ::getpid());
    EXPECT_TRUE(list[0].writerRunning);
    EXPECT_TRUE(std::regex_match(list[0].startedUtc, std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ")));
    EXPECT_EQ(list[0].documentPath, "/data/cable 7.tvd");
    EXPECT_TRUE(OrphanedJournals(Folder()).empty());
    const Result<DocumentContents> read = ReadJournal(*journal.Path());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value().samples.ToVector(), doc.MeasuredSamples());

    journal.Discard();
    EXPECT_TRUE(journal.LastError().ok());
    EXPECT_FALSE(journal.Path());
    EXPECT_TRUE(std::filesystem::is_empty(Folder()));  // no .lock or .info left behind
}

TEST_F(RunJournalTest, AnEarlierRunStaysAndIsOfferedOnceItsWriterIsGone) {
    C_KVR_DiaDoc doc;
    Store(doc, 2);
    {
        RunJournal journal(Folder());
        journal.BeginRun("");
        ASSERT_TRUE(journal.Record(doc).ok());
        const std::filesystem::path first = *journal.Path();
        journal.BeginRun("");
        EXPECT_FALSE(journal.Path());  // the next Record writes a new one
        ASSERT_TRUE(journal.Record(doc).ok());
        EXPECT_NE(*journal.Path(), first);
        ASSERT_EQ(ListJournals(Folder()).size(), 2u);
        EXPECT_TRUE(OrphanedJournals(Folder()).empty());
    }
    const std::vector<JournalInfo> orphans = OrphanedJournals(Folder());
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_LT(orphans[0].file.filename().string(), orphans[1].file.filename().string());  // oldest first
}

// A child process writes a journal and is killed with SIGKILL: the kernel drops its hold, so
// the journal becomes an orphan, whatever happens to the pid afterwards.
TEST_F(RunJournalTest, AJournalOfAKilledWriterIsAnOrphanThatCanBeTakenOver) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        C_KVR_DiaDoc doc;
        Store(doc, 3);
        RunJournal journal(Folder());
        const char done = journal.Record(doc).ok() ? 'y' : 'n';
        if (::write(ready[1], &done, 1) != 1) ::_exit(2);
        for (;;) ::pause();
    }
    // Whatever fails below, the child never outlives the test.
    struct Reaper {
        pid_t pid;
        void Kill() {
            if (pid <= 0) return;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = 0;  // reaped: the number may belong to someone else from now on
        }
        ~Reaper() { Kill(); }
    } reaper{child};
    ::close(ready[1]);
    pollfd wait{ready[0], POLLIN, 0};
    char done = 0;
    const bool answered = ::poll(&wait, 1, 10000) == 1 && ::read(ready[0], &done, 1) == 1;
    ::close(ready[0]);
    ASSERT_TRUE(answered);
    ASSERT_EQ(done, 'y');

    std::vector<JournalInfo> list = ListJournals(Folder());
    ASSERT_EQ(list.size(), 1u);
    const std::filesystem::path file = list[0].file;
    EXPECT_TRUE(list[0].writerRunning);
    EXPECT_EQ(list[0].pid, child);
    const Status refused = DiscardJournal(file);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().systemError, EWOULDBLOCK) << refused.error().message;
    RunJournal taker(Folder());
    EXPECT_FALSE(taker.Adopt(file).ok());
    EXPECT_FALSE(taker.LastError().ok());

    reaper.Kill();
    list = OrphanedJournals(Folder());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].samples, 3u);

    // Taken over: held by this process now, so nobody else may throw it away.
    ASSERT_TRUE(taker.Adopt(file).ok());
    EXPECT_EQ(taker.Path(), file);
    EXPECT_TRUE(OrphanedJournals(Folder()).empty());
    EXPECT_FALSE(DiscardJournal(file).ok());
    taker.Discard();
    EXPECT_TRUE(taker.LastError().ok());
    EXPECT_TRUE(std::filesystem::is_empty(Folder()));
}

TEST_F(RunJournalTest, OnlyJournalsAreListedAndOnlyJournalsAreRemoved) {
    std::filesystem::create_directories(Folder() / "run-20261208T123456Z-7-1.tvd");  // a folder
    const std::string valid = SerializeDocument(ReceiverSettings{}, SampleList{});
    const std::vector<std::pair<std::string, std::string>> garbage{
        {"notes.txt", "hello"},
        {"run-garbage.tvd", valid},
        {"run-20261208T123456Z-0-1.tvd", valid},          // pid 0
        {"run-20261308T12345Z-8-1.tvd", valid},           // short time
        {"run-20261208T123456Z-9-1.tvd.tmp", valid},      // someone's temporary file
        {".run-20261208T123456Z-9-1.tvd.XXXXXX", valid},
        {"run-20261208T123456Z-10-1.info", "document=/x.tvd\n"},
        {"run-20261208T123456Z-11-1.tvd", std::string(70, '\x01')},  // claims far more than it holds
    };
    for (const auto& [name, bytes] : garbage) testing::WriteBytes(Folder() / name, bytes);
    std::filesystem::create_symlink("/dev/zero", Folder() / "run-20261208T123456Z-12-1.tvd");

    const std::vector<JournalInfo> list = ListJournals(Folder());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].pid, 11);
    EXPECT_EQ(list[0].samples, 0u);  // unreadable: listed, with no samples
    EXPECT_FALSE(list[0].writerRunning);
    EXPECT_FALSE(ReadJournal(list[0].file).ok());

    // Never a way to delete a file that is not a journal.
    for (const char* name : {"notes.txt", "run-garbage.tvd", "run-20261208T123456Z-12-1.tvd"}) {
        EXPECT_FALSE(DiscardJournal(Folder() / name).ok()) << name;
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(Folder() / name))) << name;
    }
    EXPECT_TRUE(DiscardJournal(list[0].file).ok());
    EXPECT_FALSE(std::filesystem::exists(list[0].file));
}

TEST_F(RunJournalTest, WhatKilledWritersLeftIsRemovedByTheNextJournal) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string base = "run-20261208T120000Z-" + std::to_string(dead) + "-1";
    const std::string killedWrite = ".~" + std::to_string(dead) + ".12345.AbCdEf";
    const std::vector<std::string> leftovers{base + ".lock", base + ".info", base + ".tvd" + killedWrite,
                                             base + ".info" + killedWrite};
    std::filesystem::create_directories(Folder());
    for (const std::string& name : leftovers) testing::WriteBytes(Folder() / name, "");
    // A writer that runs but has not written its first journal yet keeps its files.
    const std::filesystem::path starting = Folder() / "run-20261208T120001Z-1-1.tvd";
    Result<journal::JournalLock> held = journal::JournalLock::CreateNew(journal::LockPath(starting));
    ASSERT_TRUE(held.ok());

    C_KVR_DiaDoc doc;
    Store(doc, 1);
    RunJournal journal(Folder());
    ASSERT_TRUE(journal.Record(doc).ok());
    for (const std::string& name : leftovers) EXPECT_FALSE(std::filesystem::exists(Folder() / name)) << name;
    EXPECT_TRUE(std::filesystem::exists(journal::LockPath(starting)));
    EXPECT_TRUE(std::filesystem::exists(*journal.Path()));
}

TEST_F(RunJournalTest, AFailedRecordIsReportedAndTheNextOneTriesAgain) {
    testing::WriteBytes(Folder(), "a file where the folder should be");
    C_KVR_DiaDoc doc;
    Store(doc, 1);
    RunJournal journal(Folder());
    EXPECT_FALSE(journal.Record(doc).ok());
    EXPECT_FALSE(journal.LastError().ok());
    EXPECT_FALSE(journal.Path());
    std::filesystem::remove(Folder());
    EXPECT_TRUE(journal.Record(doc).ok());
    EXPECT_TRUE(journal.LastError().ok());
    EXPECT_EQ(ListJournals(Folder()).at(0).samples, 1u);
}

TEST(RecoveryFolderTest, FollowsAnAbsoluteXdgStateHomeAndFallsBackToHome) {
    // Put back afterwards: later tests in this process find their class registry through HOME.
    struct Saved {
        explicit Saved(const char* n) : name(n), value(::getenv(n) ? std::optional<std::string>(::getenv(n)) : std::nullopt) {}
        ~Saved() { value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name); }
        const char* name;
        std::optional<std::string> value;
    } savedHome("HOME"), savedState("XDG_STATE_HOME");
    ::setenv("HOME", "/home/tester", 1);
    const std::string fallback = "/home/tester/.local/state/kvr-tarvos/recovery";
    for (const auto& [state, expected] : std::vector<std::pair<const char*, std::string>>{
             {"/var/state", "/var/state/kvr-tarvos/recovery"}, {"relative", fallback}, {nullptr, fallback}}) {
        if (state) ::setenv("XDG_STATE_HOME", state, 1);
        else ::unsetenv("XDG_STATE_HOME");
        EXPECT_EQ(RecoveryFolder(), expected) << (state ? state : "(unset)");
    }
}

}  // namespace
}  // namespace tarvos
