// Runs the built quolt-clean as a user would, with files, standard input and
// bad arguments, and checks its output streams and exit status.

#include "Quolt_fm_Main/TagCleaner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

class QuoltCleanTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = fs::temp_directory_path() /
              ("quolt-clean-test-" + std::to_string(getpid()) + "-" + Info->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }

    void TearDown() override {
        std::error_code Ignored;
        fs::permissions(Dir / "secret.html", fs::perms::owner_all, Ignored);
        fs::remove_all(Dir, Ignored);
    }

    std::string Path(const std::string& Name) const { return (Dir / Name).string(); }

    std::string Write(const std::string& Name, const std::string& Bytes) const {
        std::ofstream(Path(Name), std::ios::binary) << Bytes;
        return Path(Name);
    }

    static std::string ReadFile(const std::string& FileName) {
        std::ifstream In(FileName, std::ios::binary);
        std::ostringstream Bytes;
        Bytes << In.rdbuf();
        return Bytes.str();
    }

    // Runs the program with Args (already quoted for the shell), standard
    // input taken from the file StdinFile, or empty when none is given.
    TRun Run(const std::string& Args, const std::string& StdinFile = "") const {
        const std::string Stdin = StdinFile.empty() ? Write("empty-stdin", "") : StdinFile;
        const std::string Command = std::string("'") + QUOLT_CLEAN_PROGRAM + "' " + Args + " <'" +
                                    Stdin + "' >'" + Path("out") + "' 2>'" + Path("err") + "'";
        const int Status = std::system(Command.c_str());
        TRun Result;
        Result.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
        Result.Out = ReadFile(Path("out"));
        Result.Err = ReadFile(Path("err"));
        return Result;
    }

    fs::path Dir;
};

} // namespace

TEST_F(QuoltCleanTest, CleansEachFileOnItsOwnInOrder) {
    // Cleaned together, "<font" and "world>" would form one tag.
    const std::string A = Write("a.html", "<TD class=x>hello <font");
    const std::string B = Write("b.html", "world></td >\r\n\r\n<p a=1>end\r\n");
    const TRun Strip = Run("--strip-attribs 'td, font' '" + A + "' '" + B + "'");
    EXPECT_EQ(Strip.ExitCode, 0);
    EXPECT_EQ(Strip.Out, "<TD>hello \nworld></td>\n<p a=1>end\n");
    EXPECT_EQ(Strip.Err, "");

    const TRun Remove = Run("-r TD --crlf '" + B + "' '" + A + "'");
    EXPECT_EQ(Remove.ExitCode, 0);
    EXPECT_EQ(Remove.Out, "world>\r\n<p a=1>end\r\nhello \r\n");
}

TEST_F(QuoltCleanTest, ReadsStandardInputWhenNoFileOrDash) {
    const std::string In = Write("in.html", "<font size=2>x</font>\n");
    const std::string F = Write("f.html", "<col span=2>y");
    EXPECT_EQ(Run("-r font", In).Out, "x\n");
    const TRun Mixed = Run("-a col,font '" + F + "' - '" + F + "'", In);
    EXPECT_EQ(Mixed.ExitCode, 0);
    EXPECT_EQ(Mixed.Out, "<col>y\n<font>x</font>\n<col>y\n");
    // "--" ends the options, so a file may be named like one.
    Write("-a", "<td x>");
    EXPECT_EQ(Run("-a td -- '" + Path("-a") + "'").Out, "<td>\n");
}

TEST_F(QuoltCleanTest, UnreadableFilesAreNamedAndSkipped) {
    const std::string Good = Write("good.html", "<td a>ok");
    fs::create_directories(Dir / "folder");
    const TRun R =
        Run("-a td '" + Path("missing.html") + "' '" + Path("folder") + "' '" + Good + "'");
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(R.Out, "<td>ok\n");
    EXPECT_NE(R.Err.find(Path("missing.html")), std::string::npos) << R.Err;
    EXPECT_NE(R.Err.find("No such file or directory"), std::string::npos) << R.Err;
    EXPECT_NE(R.Err.find(Path("folder")), std::string::npos) << R.Err;
    EXPECT_NE(R.Err.find("Is a directory"), std::string::npos) << R.Err;

    if (geteuid() != 0) { // root reads any file
        const std::string Secret = Write("secret.html", "<td>");
        fs::permissions(Secret, fs::perms::none);
        const TRun Denied = Run("-a td '" + Secret + "' '" + Good + "'");
        EXPECT_EQ(Denied.ExitCode, 1);
        EXPECT_EQ(Denied.Out, "<td>ok\n");
        EXPECT_NE(Denied.Err.find("Permission denied"), std::string::npos) << Denied.Err;
    }
}

TEST_F(QuoltCleanTest, HelpBlankListAndUsageErrors) {
    const TRun Help = Run("--help");
    EXPECT_EQ(Help.ExitCode, 0);
    EXPECT_NE(Help.Out.find("--strip-attribs"), std::string::npos);
    EXPECT_NE(Help.Out.find("--crlf"), std::string::npos);
    EXPECT_EQ(Help.Err, "");

    const std::string F = Write("f.html", "<td>");
    const TRun Blank = Run("-a ' , ' '" + F + "'");
    EXPECT_EQ(Blank.ExitCode, 0) << "a list of commas is not blank";
    const TRun Empty = Run("--remove ' \t ' '" + F + "'");
    EXPECT_EQ(Empty.ExitCode, 2);
    EXPECT_EQ(Empty.Out, "");
    EXPECT_EQ(Empty.Err, "No tags specified to be cleaned\n");

    for (const char* Bad :
         {"", "file.html", "-a", "-a td -r font", "-a td --bogus", "--crlf -x td"}) {
        const TRun R = Run(Bad);
        EXPECT_EQ(R.ExitCode, 2) << Bad;
        EXPECT_EQ(R.Out, "") << Bad;
        EXPECT_NE(R.Err.find("Usage: quolt-clean"), std::string::npos) << Bad;
    }
}

TEST_F(QuoltCleanTest, LargeInputMatchesTheLibrary) {
    // Several megabytes, so that the output leaves in more than one block.
    std::string Page;
    for (int i = 0; i < 60000; ++i)
        Page += "<TR class=\"row\">\r\n  <td width=" + std::to_string(i) +
                ">cell</td><font color=red>x</font>\r\n</tr>\r\n\r\n";
    const std::string In = Write("big.html", Page);
    std::string Expected;
    const auto Lines = quolt::CleanTags(quolt::tmRemoveTags, "font tr", Page);
    ASSERT_TRUE(Lines.has_value());
    for (const std::string& Line : *Lines)
        Expected += Line + "\n";
    const TRun R = Run("-r 'font tr'", In);
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_EQ(R.Out.size(), Expected.size());
    EXPECT_TRUE(R.Out == Expected);
}
