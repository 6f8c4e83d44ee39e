// A writer killed at any moment leaves every file it was saving either as it was or as it was
// going to be: a child process saves a document, a run journal and the settings in a loop,
// alternating between two complete contents, and is SIGKILLed at random moments.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "app/settings_store.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "measurement/run_journal.h"
#include "platform/ini_file.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

constexpr int kKills = 200;

void Fill(C_KVR_DiaDoc& doc, int samples, double offset) {
    for (int i = 0; i < samples; ++i) doc.AppendSample(10.0 + offset + 0.05 * i, 1e-2 / (1 + i));
}

bool IsTemporary(const std::filesystem::path& file) {
    return file.filename().string().find(".~") != std::string::npos;
}

std::size_t TemporariesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) count += IsTemporary(entry.path());
    return count;
}

class KillDuringSaveTest : public testing::TempDirectoryTest {
protected:
    KillDuringSaveTest() {
        Fill(docs_[0], 3, 0.0);
        Fill(docs_[1], 400, 1.0);  // larger, so that kills also land inside a write
        settings_[1].options.samples = 33;
        settings_[1].port.parity = "E";
        settings_[1].receiver.frequency = 474.0;
        for (int i = 0; i < 2; ++i) 
            docBytes_[i] = docs_[i].WithCurves(
                [&](const DocumentCurves& c) { return SerializeDocument(docs_[i].Receiver(), c.measured); });
        std::filesystem::create_directory(Path("recovery"));
        // Both settings texts as the store writes them, from the same starting file.
        for (int i = 0; i < 2; ++i) {
            const auto file = Path("settings-" + std::to_string(i) + ".ini");
            EXPECT_TRUE(SaveSettings(file, settings_[0]).ok());
            EXPECT_TRUE(SaveSettings(file, settings_[i]).ok());
            settingsText_[i] = testing::ReadBytes(file);
            std::filesystem::remove(file);
        }
        EXPECT_NE(settingsText_[0], settingsText_[1]);
    }

    // The child: saves forever, telling its parent after each save; its parent ends it.
    [[noreturn]] void SaveForever(int progressFd, unsigned firstRound) {
        RunJournal journal(Path("recovery"));
        journal.BeginRun(Path("doc.tvd").string());
        const auto tell = [&] {
            const char byte = 1;
            if (::write(progressFd, &byte, 1) != 1) ::_exit(2);
        };
        tell();
        for (unsigned i = firstRound;; ++i) {
            const int which = static_cast<int>(i % 2);
            if (!SaveDocument(docs_[which], Path("doc.tvd")).ok()) ::_exit(3);
            tell();
            if (!journal.Record(docs_[which]).ok()) ::_exit(4);
            tell();
            if (!SaveSettings(Path("kvr-tarvos.ini"), settings_[which]).ok()) ::_exit(5);
            tell();
        }
    }

    // Starts a writer (whose first round saves the contents `firstRound` % 2), lets it finish `saves` saves, kills it `fraction` of a save's time later
    // (saves last from well under a millisecond to tens of them, as the disk allows), and
    // returns how many files it left torn.
    int KillOnce(unsigned firstRound, int saves, double fraction) {
        int progress[2];
        if (::pipe(progress) != 0) return 1000;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(progress[0]);
            SaveForever(progress[1], firstRound);
        }
        ::close(progress[1]);
        char byte = 0;
        bool running = ::read(progress[0], &byte, 1) == 1;
        auto last = std::chrono::steady_clock::now();
        for (int i = 0; i < saves && running; ++i) {
            running = ::read(progress[0], &byte, 1) == 1;
            const auto now = std::chrono::steady_clock::now();
            saveTime_ = 0.8 * saveTime_ + 0.2 * (now - last);
            last = now;
        }
        std::this_thread::sleep_for(fraction * saveTime_);
        ::kill(child, SIGKILL);
        ::close(progress[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(running);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: exit " << WEXITSTATUS(status);
        return Torn();
    }

    int Torn() const {
        int torn = 0;
        const std::string doc = testing::ReadBytes(Path("doc.tvd"));
        torn += doc != docBytes_[0] && doc != docBytes_[1];
        const std::string ini = testing::ReadBytes(Path("kvr-tarvos.ini"));
        torn += ini != settingsText_[0] && ini != settingsText_[1];
        for (const JournalInfo& info : ListJournals(Path("recovery"))) {
            const Result<DocumentContents> read = ReadJournal(info.file);
            const std::string bytes =
                read.ok() ? SerializeDocument(read.value().receiver, read.value().samples) : std::string();
            torn += bytes != docBytes_[0] && bytes != docBytes_[1];
        }
        return torn;
    }

    C_KVR_DiaDoc docs_[2];
    StoredSettings settings_[2];
    std::string docBytes_[2];
    std::string settingsText_[2];
    std::chrono::duration<double> saveTime_{0.001};  // a running mean
};

TEST_F(KillDuringSaveTest, EveryFileIsTheOldOrTheNewContentAfter200Kills) {
    ASSERT_TRUE(SaveDocument(docs_[0], Path("doc.tvd")).ok());
    ASSERT_TRUE(SaveSettings(Path("kvr-tarvos.ini"), settings_[0]).ok());

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> saves(0, 3);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    int torn = 0;
    for (int k = 0; k < kKills; ++k) torn += KillOnce(static_cast<unsigned>(k), saves(random), fraction(random));
    const std::size_t leftBehind = TemporariesIn(dir_.path()) + TemporariesIn(Path("recovery"));

    // The next clean write of each file clears what the killed writers left of theirs.
    ASSERT_TRUE(SaveDocument(docs_[1], Path("doc.tvd")).ok());
    ASSERT_TRUE(SaveSettings(Path("kvr-tarvos.ini"), settings_[1]).ok());
    // Every writer is dead, so every journal it left is offered for recovery, and can be discarded.
    const auto journals = ListJournals(Path("recovery"));
    EXPECT_EQ(journals.size(), OrphanedJournals(Path("recovery")).size());
    for (const JournalInfo& info : journals) EXPECT_TRUE(DiscardJournal(info.file).ok()) << info.file;
    std::printf("%d kills: %d torn files, %zu temporary files left, %zu after the next writes; "
                "%zu journals, %zu files (%zu temporary) left in the recovery folder after discarding them\n",
                kKills, torn, leftBehind, TemporariesIn(dir_.path()), journals.size(),
                static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Path("recovery")),
                                                       std::filesystem::directory_iterator())),
                TemporariesIn(Path("recovery")));
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(TemporariesIn(dir_.path()), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(Path("recovery")));  // no lock, info or temporary of the dead
}

}  // namespace
}  // namespace tarvos
