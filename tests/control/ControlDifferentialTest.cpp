// Random operations over the whole public editing face of the control,
// checked against the string model after every one. QUOLT_CONTROL_SEED and
// QUOLT_CONTROL_OPS choose the run; QUOLT_CONTROL_REPLAY=path replays a
// script file instead. A divergence prints the seed, the step and a shrunk
// replay script (also written to control-failure.script).

#include "ControlHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace korvel::control;

namespace {

uint64_t EnvOr(const char* Name, uint64_t Default) {
    const char* Value = std::getenv(Name);
    return Value != nullptr && *Value != 0 ? std::strtoull(Value, nullptr, 10) : Default;
}

// About 3 s in release and 20 s under the sanitizers.
constexpr uint64_t DefaultOps = 1000000;
// Operations per fresh control: long enough for deep histories and large
// texts, short enough to shrink quickly.
constexpr uint64_t SessionOps = 2000;

TEST(ControlDifferentialTest, RandomOperationsMatchTheModel) {
    if (const char* Path = std::getenv("QUOLT_CONTROL_REPLAY"); Path != nullptr && *Path != 0) {
        std::ifstream In(Path, std::ios::binary);
        ASSERT_TRUE(In) << "cannot read " << Path;
        const std::string Text{std::istreambuf_iterator<char>(In), {}};
        const auto Ops = ParseScript(Text);
        const auto Failure = RunScript(Ops);
        ASSERT_FALSE(Failure) << "replay of " << Path << " diverged at step " << Failure->Step
                              << " (" << FormatOp(Ops[Failure->Step]) << "):\n"
                              << Failure->Message;
        return;
    }
    const uint64_t Seed = EnvOr("QUOLT_CONTROL_SEED", 20261209);
    const uint64_t Total = EnvOr("QUOLT_CONTROL_OPS", DefaultOps);
    const auto Started = std::chrono::steady_clock::now();
    for (uint64_t Done = 0, Session = 0; Done < Total; Done += SessionOps, ++Session) {
        const uint64_t SessionSeed = Seed * 1000003 + Session;
        TOpGenerator Generator(SessionSeed);
        std::vector<TOp> Ops;
        const uint64_t Count = std::min(SessionOps, Total - Done);
        for (uint64_t I = 0; I < Count; ++I)
            Ops.push_back(Generator.Next());
        const auto Failure = RunScript(Ops);
        if (!Failure)
            continue;
        const auto Shrunk = Shrink(Ops, Failure->Step);
        const auto Again = RunScript(Shrunk);
        const std::string Script = FormatScript(Shrunk);
        std::ofstream("control-failure.script", std::ios::binary) << Script;
        FAIL() << "seed " << Seed << " session " << Session << " step " << Failure->Step << " ("
               << FormatOp(Ops[Failure->Step]) << "):\n"
               << Failure->Message << "\nshrunk to " << Shrunk.size()
               << " operations, failing with:\n"
               << (Again ? Again->Message : "(no longer fails)")
               << "\nreplay script (saved as control-failure.script, run with "
                  "QUOLT_CONTROL_REPLAY=path):\n"
               << Script;
    }
    const double Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
    std::printf("%llu operations, seed %llu, %.1f s, %.0f operations/s, %llu undo/redo steps "
                "checked against a snapshot\n",
                static_cast<unsigned long long>(Total), static_cast<unsigned long long>(Seed),
                Seconds, static_cast<double>(Total) / Seconds,
                static_cast<unsigned long long>(VerifiedUndos));
    EXPECT_GT(VerifiedUndos, Total / 100); // the history checks must not all fall through
}

// The script format carries every byte and every operation kind, and a bad
// line is refused rather than skipped.
TEST(ControlDifferentialTest, ScriptsRoundTripAndRejectBadLines) {
    TOpGenerator Generator(7);
    std::vector<TOp> Ops;
    for (int I = 0; I < 500; ++I)
        Ops.push_back(Generator.Next());
    Ops.push_back({TOpKind::SetSelText, 1, 2, 3, 4, std::string("\0\r\n\xff", 4)});
    const auto Parsed = ParseScript("# comment\n\n" + FormatScript(Ops));
    ASSERT_EQ(Parsed.size(), Ops.size());
    for (size_t I = 0; I < Ops.size(); ++I)
        EXPECT_EQ(FormatOp(Parsed[I]), FormatOp(Ops[I]));
    EXPECT_EQ(Parsed.back().S, std::string("\0\r\n\xff", 4));
    EXPECT_THROW(ParseScript("Select 1 2 3\n"), std::runtime_error);
    EXPECT_THROW(ParseScript("Nothing 1 2 3 4 -\n"), std::runtime_error);
    EXPECT_THROW(ParseScript("Type 1 2 3 4 abc\n"), std::runtime_error);
}

} // namespace
