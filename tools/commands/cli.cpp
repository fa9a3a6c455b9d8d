// SPDX-License-Identifier: Apache-2.0
// The command line: subcommands, options and exit statuses.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "commands/commands.h"
#include "base/errors.h"
#include "files/file_io.h"
#include "commands/report.h"
#include "vekdi.h"
#include "vekdi.hpp"


namespace vekdi::tool {

int runCli(int argc, const char* const* argv) {
    CLI::App app{"vekdi: protects files with Reed-Solomon parity and repairs them.\n"};
    app.name("vekdi");
    app.footer("Exit status: 0 success (intact, repaired, written); 1 damaged and repairable (verify);\n"
               "2 damaged beyond repair (nothing written); 3 invalid command line (bad options, a missing\n"
               "or non-regular file, a refused output); 4 the parity file is unusable or belongs to another\n"
               "file; 5 repair failed; 6 I/O error (including a file that changed while it was read);\n"
               "7 internal error; 8 out of memory.");
    app.set_version_flag("--version", "vekdi " VEKDI_VERSION_STRING);
    app.require_subcommand(1);

    RunOptions run;
    app.add_flag("-q,--quiet", run.quiet, "Print only errors; no progress bar");
    app.add_option("-j,--threads", run.threads, "Worker threads (default: every core)")->check(CLI::Range(1, 1024));

    ProtectOptions protect;
    std::vector<std::string> protectFiles;
    std::string protectDir;
    auto* cp = app.add_subcommand("protect", "Write a parity file for each FILE");
    cp->add_option("FILE", protectFiles, "The files to protect (each gets FILE.vekdi)")->type_name("");
    cp->add_option("-R,--recursive", protectDir,
                   "Also every regular file under DIR (symlinks not followed; an unchanged one is skipped)")
        ->type_name("DIR");
    cp->add_option("-r,--redundancy", protect.percent, "Parity as a percentage of the file, 1 to 100 (default 12)")
        ->check(CLI::Range(1, 100));
    cp->add_option("-o,--output", protect.parity, "Parity file (default FILE.vekdi; one FILE only)")
        ->type_name("PARITYFILE");
    cp->add_option("-b,--block-size", protect.blockSize, "Block size in bytes (default: chosen from the file size)")
        ->check(CLI::Range(uint64_t{1}, uint64_t{1} << 30));
    cp->add_flag("-f,--force", protect.force, "Replace an existing parity file (or one of a changed file)");

    VerifyOptions verify;
    std::vector<std::string> verifyArgs;
    std::string verifyDir;
    auto* cv = app.add_subcommand("verify", "Check each FILE against its parity file; exit 0 intact, 1 repairable");
    cv->add_option("FILE", verifyArgs, "The protected files; FILE PARITYFILE names the parity file of one FILE")
        ->type_name("");
    cv->add_option("-R,--recursive", verifyDir, "Also every protected file under DIR")->type_name("DIR");
    cv->add_flag("-v,--list", verify.list, "List the damaged byte ranges and blocks");
    cv->add_flag("-f,--force", verify.force,
                 "Accept a parity file made for a file of another name, and any bytes appended since");

    RepairOptions repair;
    std::vector<std::string> repairArgs;
    std::string repairDir;
    auto* cr = app.add_subcommand("repair", "Write the repaired FILE to OUT, or over each FILE with --in-place");
    cr->add_option("FILE", repairArgs,
                   "The damaged files; FILE PARITYFILE names the parity file of one FILE; with -o, FILE may be "
                   "missing (rebuilt from the parity file)")
        ->type_name("");
    cr->add_option("-R,--recursive", repairDir, "Also every protected file under DIR (with --in-place)")
        ->type_name("DIR");
    auto* outOpt = cr->add_option("-o,--output", repair.output, "Where to write the repaired file")->type_name("OUT");
    cr->add_flag("--in-place", repair.inPlace, "Replace FILE atomically by the repaired file")->excludes(outOpt);
    cr->add_flag("-f,--force", repair.force,
                 "Replace an existing OUT; accept a parity file made for a file of another name; "
                 "cut any bytes appended since");

    std::string infoParity;
    auto* ci = app.add_subcommand("info", "Show the parameters and hashes recorded in a parity file");
    ci->add_option("PARITYFILE", infoParity, "The parity file")->required();

    bool json = false;
    for (auto* sub : {cv, cr, ci})
        sub->add_flag("--json", json, "Print one JSON document (docs/vekdi-json.schema.json) instead of lines");

    for (auto* sub : {cp, cv, cr, ci}) {
        sub->add_flag("-q,--quiet", run.quiet, "Print only errors; no progress bar");
        sub->add_option("-j,--threads", run.threads, "Worker threads (default: every core)")->check(CLI::Range(1, 1024));
    }

    // The first word that is not an option must be a command.
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-j" || word == "--threads") {
            ++i;
            continue;
        }
        if (word.empty() || word[0] == '-') continue;
        if (word != "protect" && word != "verify" && word != "repair" && word != "info") {
            std::fprintf(stderr, "vekdi: unknown command '%s' (the commands are protect, verify, repair and info; "
                                 "see vekdi --help)\n", word.c_str());
            return kExitUsage;
        }
        break;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? kExitOk : kExitUsage;
    }

    // FILE PARITYFILE: a second argument that is a parity file (by its name
    // or its magic) goes with the first.
    auto singleWithParity = [](std::vector<std::string>& args, std::string& file, std::string& parity) {
        if (args.size() == 2 && looksLikeParityFile(args[1])) {
            file = args[0];
            parity = args[1];
            return true;
        }
        if (args.size() == 1) {
            file = args[0];
            return true;
        }
        return false;
    };

    JsonReport report;
    FileRecord single;
    if (json) {
        run.quiet = true;
        run.report = &report;
        report.command = cv->parsed() ? "verify" : cr->parsed() ? "repair" : "info";
    }
    // The single-file commands fill `single` (--json).
    auto one = [&](const std::string& file, const std::string& parity) {
        if (!json || ci->parsed()) return;
        single.path = file;
        single.parity = parity.empty() ? file + ".vekdi" : parity;
        run.record = &single;
    };
    auto dispatch = [&]() -> int {
        if (cp->parsed()) {
            if (protectFiles.empty() && protectDir.empty()) throw Failure(kExitUsage, "protect needs FILE or -R DIR");
            if (protectFiles.size() == 1 && protectDir.empty()) {
                protect.file = protectFiles[0];
                return protectCommand(protect, run);
            }
            if (!protect.parity.empty()) throw Failure(kExitUsage, "-o PARITYFILE goes with a single FILE");
            return protectMany(protectFiles, protectDir, protect, run);
        }
        if (cv->parsed()) {
            if (verifyArgs.empty() && verifyDir.empty()) throw Failure(kExitUsage, "verify needs FILE or -R DIR");
            if (verifyDir.empty() && singleWithParity(verifyArgs, verify.file, verify.parity)) {
                one(verify.file, verify.parity);
                return verifyCommand(verify, run);
            }
            return verifyMany(verifyArgs, verifyDir, verify, run);
        }
        if (cr->parsed()) {
            if (repairArgs.empty() && repairDir.empty()) throw Failure(kExitUsage, "repair needs FILE or -R DIR");
            if (repairDir.empty() && singleWithParity(repairArgs, repair.file, repair.parity)) {
                one(repair.file, repair.parity);
                return repairCommand(repair, run);
            }
            if (!repair.inPlace)
                throw Failure(kExitUsage, "repair of several files needs --in-place (-o OUT goes with a single FILE)");
            return repairMany(repairArgs, repairDir, repair, run);
        }
        if (ci->parsed()) return infoCommand(infoParity, run);
        return kExitInternal;
    };

    int status = kExitInternal;
    std::string message;
    try {
        status = dispatch();
    } catch (const Failure& e) {
        message = e.what();
        status = e.status();
    } catch (const IoError& e) {
        message = e.what();
        status = kExitIo;
    } catch (const std::bad_alloc&) {
        message = "out of memory";
        status = kExitNoMemory;
    } catch (const vekdi::Error& e) {
        status = exitStatusForLibrary(e.status());
        message = status == kExitNoMemory ? "out of memory"
                  : status == kExitInternal ? std::string("internal error: ") + e.what()
                                            : std::string(e.what());
    } catch (const std::exception& e) {
        message = std::string("internal error: ") + e.what();
        status = kExitInternal;
    }
    if (!message.empty()) std::fprintf(stderr, "vekdi: %s\n", message.c_str());
    if (json) {
        report.status = status;
        if (run.record == &single) {
            single.status = status;
            single.result = resultName(report.command, status);
            single.message = message;
            report.files.push_back(single);
        } else {
            report.message = message;
        }
        printJson(report);
    }
    return status;
}


const char* resultName(const std::string& command, int status) {
    switch (status) {
    case kExitOk: return command == "repair" ? "repaired" : command == "protect" ? "protected" : "intact";
    case kExitRepairable: return "repairable";
    case kExitNotRepairable: return "beyond_repair";
    case kExitUsage: return "invalid_usage";
    case kExitParityUnusable: return "parity_unusable";
    case kExitRepairFailed: return "repair_failed";
    case kExitIo: return "io_error";
    case kExitNoMemory: return "out_of_memory";
    default: return "internal_error";
    }
}

} // namespace vekdi::tool
