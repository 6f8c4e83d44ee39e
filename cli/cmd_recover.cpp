// tarvos recover: the run journals that a crashed, killed or powered-off run left behind, as the
// window program offers them at its start: list them, write one as a measurement document, or
// throw one away.
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/program_output.h"
#include "document/document_file.h"
#include "measurement/journal_files.h"
#include "measurement/run_journal.h"
#include "platform/atomic_file.h"

namespace tarvos::cli {
namespace {

const char* StateWord(const JournalInfo& info) { return info.writerRunning ? "running" : "orphaned"; }

std::string ListText(const std::vector<JournalInfo>& journals) {
    std::string text;
    for (const JournalInfo& j : journals) {
        text += j.file.string() + "\t" + std::to_string(j.samples) + " samples\tpid " + std::to_string(j.pid) +
                "\tstarted " + j.startedUtc + "\t" + StateWord(j) + "\t" +
                (j.documentPath.empty() ? std::string("untitled") : "document " + j.documentPath) + "\n";
    }
    return text;
}

Json ListJson(const std::filesystem::path& folder, const std::vector<JournalInfo>& journals) {
    Json list = Json::array();
    for (const JournalInfo& j : journals) {
        Json entry = Json::object();
        entry["file"] = j.file.string();
        entry["samples"] = j.samples;
        entry["pid"] = j.pid;
        entry["started"] = j.startedUtc;
        entry["state"] = StateWord(j);
        entry["document"] = j.documentPath;
        list.push_back(std::move(entry));
    }
    Json out = Json::object();
    out["folder"] = folder.string();
    out["journals"] = std::move(list);
    return out;
}

int List(const RecoverArgs& args) {
    const std::filesystem::path folder = RecoveryFolder();
    const std::vector<JournalInfo> journals = ListJournals(folder);
    if (args.json) return FinishWithOutput(JsonText(ListJson(folder, journals)));
    if (journals.empty()) {
        ReportFailure("no run journals in " + folder.string());
        return kExitOk;
    }
    return FinishWithOutput(ListText(journals));
}

// A bare journal name as --list shows it in the recovery folder, unless such a file is here.
std::filesystem::path ResolveJournal(const std::string& given) {
    const std::filesystem::path path(given);
    std::error_code ec;
    if (path.has_parent_path() || std::filesystem::exists(path, ec)) return path;
    return RecoveryFolder() / path;
}

Status CheckArguments(const RecoverArgs& args) {
    if (args.list) {
        if (args.journal || args.out || args.discard || args.force)
            return Error{"--list takes no journal, --out, --force or --discard"};
        return {};
    }
    if (!args.journal) return Error{"give --list, JOURNAL -o OUT.tvd, or --discard JOURNAL"};
    if (args.json) return Error{"--json goes with --list"};
    if (!args.out && !args.discard) return Error{"give -o OUT.tvd to recover the journal or --discard to remove it"};
    if (args.force && !args.out) return Error{"--force goes with -o OUT.tvd"};
    return {};
}

int WriteRecovered(const std::filesystem::path& journal, const RecoverArgs& args) {
    const std::filesystem::path out(*args.out);
    std::error_code ec;
    // A recovered run must not silently replace a measurement the user saved there.
    if (!args.force && std::filesystem::exists(out, ec))
        return ReportFailure(out.string() + " exists; --force replaces it");
    // Nothing is done at all when half of it would be refused.
    if (args.discard && journal::WriterHolds(journal))
        return ReportFailure("the journal " + journal.string() + " is still being written; it is not discarded");
    Result<DocumentContents> contents = ReadJournal(journal);
    if (!contents.ok()) return ReportFailure("cannot read " + journal.string() + ": " + contents.error().message);
    const std::string bytes = SerializeDocument(contents.value().receiver, contents.value().samples, contents.value().records);
    if (Status written = WriteFileAtomically(out, bytes); !written.ok())
        return ReportFailure("cannot write " + written.error().message);
    if (args.discard) {
        if (Status discarded = DiscardJournal(journal); !discarded.ok())
            return ReportFailure(discarded.error().message + " (" + out.string() + " was written)");
    }
    return FinishWithOutput(std::to_string(contents.value().samples.Count()) + " samples written to " + out.string() +
                            "\n");
}

}  // namespace

CLI::App* AddRecoverCommand(CLI::App& app, RecoverArgs& args) {
    CLI::App* cmd = app.add_subcommand("recover", "List, recover or discard the journals of interrupted runs");
    cmd->footer(
        "While a run stores samples (window program or tarvos sweep), the document so far is kept\n"
        "in a journal under $XDG_STATE_HOME/kvr-tarvos/recovery (~/.local/state without it). A\n"
        "journal whose process no longer runs is \"orphaned\": its samples were never saved.\n"
        "Recovering writes them as a .tvd document and keeps the journal unless --discard is\n"
        "given too; an existing OUT is replaced only with --force. A journal still being written\n"
        "is never discarded.");
    cmd->add_option("journal", args.journal, "The journal (a path, or a name from --list)")->type_name("JOURNAL");
    cmd->add_flag("--list", args.list, "List the journals: path, samples, pid, start, running or orphaned, document");
    cmd->add_flag("--json", args.json, "With --list: print JSON instead of text");
    cmd->add_option("-o,--out", args.out, "Write the journal's samples as a measurement document")
        ->type_name("OUT.tvd");
    cmd->add_flag("--force", args.force, "Replace an existing OUT");
    cmd->add_flag("--discard", args.discard, "Remove the journal (after writing OUT, when -o is given)");
    return cmd;
}

int RunRecover(const RecoverArgs& args) {
    if (Status checked = CheckArguments(args); !checked.ok()) return ReportFailure(checked.error());
    if (args.list) return List(args);
    const std::filesystem::path journal = ResolveJournal(*args.journal);
    if (args.out) return WriteRecovered(journal, args);
    if (Status discarded = DiscardJournal(journal); !discarded.ok()) return ReportFailure(discarded.error());
    return FinishWithOutput("discarded " + journal.string() + "\n");
}

}  // namespace tarvos::cli
