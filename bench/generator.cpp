// Problem generator figures: the traced pick against the pool shuffle it replaces.

#include "app/U_Common.h"
#include "worksheet/ProblemGenerator.h"
#include "worksheet/Worksheet.h"

#include <chrono>
#include <cstdio>
#include <random>

using namespace worksheet;
using Clock = std::chrono::steady_clock;

static double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int main() {
    // Equivalence: every (seed, n) pair must give the same entry and the same final state.
    std::mt19937_64 rng(0x5EEDu);
    long pairs = 0, mismatches = 0;
    for (int round = 0; round < 1000; ++round) {
        for (int n = 1; n <= 1000; ++n) {
            const auto seed = static_cast<std::uint32_t>(rng());
            const int pool = PickFromSeedPool(seed, n);
            const std::uint32_t state = RandomState();
            const int traced = PickFromSeedTraced(seed, n);
            ++pairs;
            if (pool != traced || state != RandomState())
                ++mismatches;
        }
    }
    std::printf("pick equivalence: %ld pairs, %ld mismatches\n", pairs, mismatches);

    // Single picks of 1..1000.
    const int reps = 200000;
    for (PickAlgorithm alg : {PickAlgorithm::Traced, PickAlgorithm::Pool}) {
        SetPickAlgorithm(alg);
        long sum = 0;
        const auto t0 = Clock::now();
        for (int i = 0; i < reps; ++i)
            sum += RandomPick(1000);
        const double ns = Ms(Clock::now() - t0) * 1e6 / reps;
        std::printf("RandomPick(1000), %s: %.0f ns per pick (checksum %ld)\n",
                    alg == PickAlgorithm::Traced ? "traced" : "pool", ns, sum % 7);
    }

    // The worst case: addition, both operands up to 1000, values up to 10, 100 problems.
    WorksheetSettings settings;
    settings.ProblemCount = 100;
    settings.ResultLimit = 10;
    settings.Operand1Limit = 1000;
    settings.Operand2Limit = 1000;
    settings.ProblemType = 0;
    Worksheet sheet;
    double times[2] = {0, 0};
    int i = 0;
    for (PickAlgorithm alg : {PickAlgorithm::Traced, PickAlgorithm::Pool}) {
        SetPickAlgorithm(alg);
        const auto t0 = Clock::now();
        sheet.GenerateWorksheet(settings);
        times[i++] = Ms(Clock::now() - t0);
    }
    SetPickAlgorithm(PickAlgorithm::Traced);
    std::printf("worst-case sheet: fast %.0f ms, reference %.0f ms, speed-up %.1fx\n", times[0],
                times[1], times[1] / times[0]);
    return mismatches == 0 ? 0 : 1;
}
