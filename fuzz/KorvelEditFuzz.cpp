// Decodes the input into a script of editing operations on a control (the
// ones the differential harness draws at random) and runs it against the
// string model; any divergence prints the script and aborts. Text bytes are
// mapped onto the harness's alphabet, which the model understands.

#include "../tests/control/ControlHarness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace korvel::control;

namespace {

class TReader {
public:
    TReader(const uint8_t* Data, size_t Size) : Data(Data), Size(Size) {}
    uint8_t Next() { return At < Size ? Data[At++] : 0; }
    uint32_t Number() {
        const uint32_t Low = Next();
        return Low | uint32_t{Next()} << 8;
    }
    bool Done() const { return At >= Size; }

private:
    const uint8_t* Data;
    size_t Size;
    size_t At = 0;
};

// Enough operations for deep histories, few enough to keep executions fast.
constexpr size_t MaxOps = 300;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TReader Reader(Data, Size);
    std::vector<TOp> Ops;
    while (!Reader.Done() && Ops.size() < MaxOps) {
        TOp Op;
        Op.Kind = static_cast<TOpKind>(Reader.Next() % static_cast<uint8_t>(TOpKind::Count));
        Op.A = Reader.Number();
        Op.B = Reader.Number();
        Op.C = Reader.Number();
        Op.D = Reader.Number();
        const uint8_t Length = Reader.Next() % 24;
        for (uint8_t I = 0; I < Length; ++I)
            Op.S += TextAlphabet[Reader.Next() % (sizeof TextAlphabet - 1)];
        Ops.push_back(std::move(Op));
    }
    if (const auto Failure = RunScript(Ops)) {
        std::fprintf(stderr, "step %zu (%s) diverged:\n%s\nscript:\n%s", Failure->Step,
                     FormatOp(Ops[Failure->Step]).c_str(), Failure->Message.c_str(),
                     FormatScript(Ops).c_str());
        std::abort();
    }
    return 0;
}
