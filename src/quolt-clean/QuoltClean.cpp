// quolt-clean: cleans HTML by tag names on the command line.
//
//   quolt-clean (--strip-attribs|-a) TAGS | (--remove|-r) TAGS [--crlf] [FILE...]
//
// Each file (standard input when none is given, or for "-") is cleaned as one
// whole text on its own, and its non-blank result lines go to standard output,
// each followed by LF (CR LF with --crlf). Exit status: 0 on success, 1 when
// an input could not be read or the output not written, 2 for a usage error
// or a blank tag list.

#include "Quolt_fm_Main/TagCleaner.h"
#include "framework/Exceptions.h"
#include "framework/TFileStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* ProgramName = "quolt-clean";

constexpr const char* UsageText =
    "Usage: quolt-clean (--strip-attribs|-a) TAGS | (--remove|-r) TAGS [--crlf] [FILE...]\n"
    "Try 'quolt-clean --help' for more information.\n";

constexpr const char* HelpText =
    "Usage: quolt-clean (--strip-attribs|-a) TAGS | (--remove|-r) TAGS [--crlf] [FILE...]\n"
    "\n"
    "Cleans HTML by tag names and writes the result to standard output.\n"
    "\n"
    "  -a, --strip-attribs TAGS  rewrite every listed tag to its bare name:\n"
    "                            <TD class=\"x\"> becomes <TD>, </td > becomes </td>\n"
    "  -r, --remove TAGS         remove every listed tag, keeping the text between\n"
    "                            tags: <font color=red>Hello</font> becomes Hello\n"
    "      --crlf                end output lines with CR LF instead of LF\n"
    "  -h, --help                show this help and exit\n"
    "      --                    end of options: every later argument is a file\n"
    "\n"
    "TAGS names the tags, separated by commas and spaces in any mix, in any\n"
    "letter case (for example \"table tr td, th font\"). A tag is the text from\n"
    "a '<' to the next '>'; its name ends at the first space, tab or line break,\n"
    "and a closing tag's name is matched without its '/'. Unlisted tags are kept\n"
    "byte for byte; the tags '<>' and '< >' vanish; an unmatched final '<' and\n"
    "everything after it are dropped.\n"
    "\n"
    "Each FILE is cleaned as one text on its own; with no FILE, or for '-',\n"
    "standard input is read. The result is split into lines at CR LF, CR or LF,\n"
    "a NUL byte ends the text, and blank lines are left out.\n"
    "\n"
    "Exit status: 0 on success; 1 if an input could not be read (the others are\n"
    "still cleaned) or the output could not be written; 2 for a usage error or\n"
    "a blank tag list.\n";

constexpr int ExitUnreadable = 1;
constexpr int ExitUsage = 2;

struct TOptions {
    bool Help = false;
    bool ModeGiven = false;
    quolt::TTagMode Mode = quolt::tmStripAttribs;
    std::string Tags;
    bool Crlf = false;
    std::vector<std::string> Files;
};

void PrintError(const std::string& Message) {
    std::fprintf(stderr, "%s: %s\n", ProgramName, Message.c_str());
}

// Reads the arguments; on a usage error prints it with the usage and returns false.
bool ParseArguments(int argc, char** argv, TOptions& Options) {
    bool OptionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view Arg = argv[i];
        if (OptionsEnded || Arg == "-" || Arg.empty() || Arg[0] != '-') {
            Options.Files.emplace_back(Arg);
        } else if (Arg == "--") {
            OptionsEnded = true;
        } else if (Arg == "-h" || Arg == "--help") {
            Options.Help = true;
        } else if (Arg == "--crlf") {
            Options.Crlf = true;
        } else if (Arg == "-a" || Arg == "--strip-attribs" || Arg == "-r" || Arg == "--remove") {
            if (Options.ModeGiven) {
                PrintError("only one of --strip-attribs and --remove may be given");
                return false;
            }
            if (i + 1 >= argc) {
                PrintError("option '" + std::string(Arg) + "' needs a list of tags");
                return false;
            }
            Options.ModeGiven = true;
            Options.Mode =
                Arg == "-r" || Arg == "--remove" ? quolt::tmRemoveTags : quolt::tmStripAttribs;
            Options.Tags = argv[++i];
        } else {
            PrintError("unknown option '" + std::string(Arg) + "'");
            return false;
        }
    }
    if (!Options.Help && !Options.ModeGiven) {
        PrintError("one of --strip-attribs and --remove is required");
        return false;
    }
    return true;
}

// Collects the output and writes it in large blocks.
class TOutput {
public:
    explicit TOutput(bool Crlf) : LineEnd(Crlf ? "\r\n" : "\n") { Buffer.reserve(BlockSize); }

    void AddLine(std::string_view Line) {
        Buffer.append(Line);
        Buffer.append(LineEnd);
        if (Buffer.size() >= BlockSize)
            Flush();
    }

    // Writes what is collected; false (with the reason in errno) when writing failed.
    bool Flush() {
        if (!Failed && !Buffer.empty() &&
            std::fwrite(Buffer.data(), 1, Buffer.size(), stdout) != Buffer.size())
            Failed = true;
        Buffer.clear();
        return !Failed;
    }

    bool Finish() { return Flush() && std::fflush(stdout) == 0; }

private:
    static constexpr size_t BlockSize = 1 << 20;
    std::string_view LineEnd;
    std::string Buffer;
    bool Failed = false;
};

// Appends everything Read delivers, in blocks, until it reports 0 bytes.
template <class TRead>
void ReadToEnd(std::string& Text, TRead&& Read) {
    constexpr size_t BlockSize = 1 << 20;
    for (;;) {
        const size_t Old = Text.size();
        Text.resize(Old + BlockSize);
        const size_t N = Read(Text.data() + Old, BlockSize);
        Text.resize(Old + N);
        if (N == 0)
            return;
    }
}

// Reads one input whole; on failure returns false with the reason in Error.
bool ReadInput(const std::string& Name, std::string& Text, std::string& Error) {
    Text.clear();
    if (Name == "-") {
        ReadToEnd(Text,
                  [](char* Buffer, size_t Count) { return std::fread(Buffer, 1, Count, stdin); });
        if (std::ferror(stdin)) {
            Error = std::string("Cannot read standard input. ") + std::strerror(errno);
            std::clearerr(stdin);
            return false;
        }
        std::clearerr(stdin); // a later "-" reads on after end of file
        return true;
    }
    try {
        korvel::TFileStream Stream(Name, korvel::TFileStream::fmOpenRead);
        std::error_code Ignored;
        if (std::filesystem::is_regular_file(Name, Ignored)) {
            const auto Size = std::filesystem::file_size(Name, Ignored);
            if (!Ignored)
                Text.reserve(static_cast<size_t>(Size) + 1);
        }
        ReadToEnd(Text, [&Stream](char* Buffer, size_t Count) {
            return static_cast<size_t>(Stream.Read(Buffer, static_cast<int64_t>(Count)));
        });
        return true;
    } catch (const korvel::EStreamError& E) {
        Error = E.what();
        Text.clear();
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    TOptions Options;
    if (!ParseArguments(argc, argv, Options)) {
        std::fputs(UsageText, stderr);
        return ExitUsage;
    }
    if (Options.Help) {
        std::fputs(HelpText, stdout);
        return std::fflush(stdout) == 0 ? 0 : ExitUnreadable;
    }
    if (quolt::IsBlank(Options.Tags)) {
        std::fputs("No tags specified to be cleaned\n", stderr);
        return ExitUsage;
    }
    if (Options.Files.empty())
        Options.Files.emplace_back("-");

    quolt::TTagCleaner Cleaner(Options.Mode);
    Cleaner.ParseTagList(quolt::TrimBlanks(Options.Tags));
    TOutput Output(Options.Crlf);
    int ExitCode = 0;
    std::string Text;
    std::string Error;
    for (const std::string& Name : Options.Files) {
        if (!ReadInput(Name, Text, Error)) {
            PrintError(Error);
            ExitCode = ExitUnreadable;
            continue;
        }
        Cleaner.Clean(Text, [&Output](std::string_view Line) { Output.AddLine(Line); });
    }
    if (!Output.Finish()) {
        PrintError(std::string("Cannot write standard output. ") + std::strerror(errno));
        return ExitUnreadable;
    }
    return ExitCode;
}
