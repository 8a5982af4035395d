// Problem generator figures: the traced pick against the pool shuffle it replaces.

#include "common/U_Common.h"
#include "worksheet/ProblemGenerator.h"
#include "worksheet/Worksheet.h"

#include "platform/Clock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

using namespace worksheet;
using Clock = std::chrono::steady_clock;

static double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

namespace {

struct SheetRun {
    double ms = 0;
    double cpuMs = 0; // processor time: the machine is shared, so wall time depends on the load
    std::vector<QByteArray> texts;
    std::uint32_t state = 0;
};

SheetRun Generate(Worksheet& sheet, const WorksheetSettings& settings) {
    U_Common::AddSubToggle = 1;
    U_Common::MulDivToggle = 3;
    SheetRun run;
    const std::clock_t c0 = std::clock();
    const auto t0 = Clock::now();
    sheet.GenerateWorksheet(settings);
    run.ms = Ms(Clock::now() - t0);
    run.cpuMs = 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    run.state = RandomState();
    for (int slot = 1; slot <= settings.ProblemCount; ++slot)
        run.texts.push_back(sheet.AnswerText(slot));
    return run;
}

struct WorstCase {
    double best = 0, median = 0, reference = 0, cpuMedian = 0, cpuReference = 0;
    std::size_t readings = 0;
    long mismatches = 0;
};

// The traced sheet five times on the real counter; then the pool once, on the real counter
// with every reading recorded, and the traced sheet again from that recording, which must give
// the same problems, read the recording to its end and leave the same state.
WorstCase Measure(int problemType) {
    WorksheetSettings settings;
    settings.ProblemCount = 100;
    settings.ResultLimit = 10;
    settings.Operand1Limit = 1000;
    settings.Operand2Limit = 1000;
    settings.ProblemType = problemType;
    settings.ShowAnswers = true;
    Worksheet sheet;
    WorstCase result;

    SetPickAlgorithm(PickAlgorithm::Traced);
    std::vector<double> times, cpuTimes;
    for (int i = 0; i < 5; ++i) {
        const SheetRun run = Generate(sheet, settings);
        times.push_back(run.ms);
        cpuTimes.push_back(run.cpuMs);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    result.best = times.front();
    result.median = times[times.size() / 2];
    result.cpuMedian = cpuTimes[cpuTimes.size() / 2];

    std::vector<std::uint32_t> recorded;
    recorded.reserve(16u << 20);
    SetCounterSource([&recorded]() -> std::optional<std::uint32_t> {
        const std::optional<std::uint32_t> reading = platform::HighResolutionCounter();
        if (reading)
            recorded.push_back(*reading);
        return reading;
    });
    SetPickAlgorithm(PickAlgorithm::Pool);
    const SheetRun pool = Generate(sheet, settings);
    result.reference = pool.ms;
    result.cpuReference = pool.cpuMs;
    result.readings = recorded.size();

    std::size_t next = 0;
    SetCounterSource([&]() -> std::optional<std::uint32_t> {
        return next < recorded.size() ? recorded[next++] : 0u;
    });
    SetPickAlgorithm(PickAlgorithm::Traced);
    const SheetRun replay = Generate(sheet, settings);
    SetCounterSource({});
    for (std::size_t i = 0; i < pool.texts.size(); ++i)
        result.mismatches += replay.texts[i] != pool.texts[i];
    result.mismatches += next != recorded.size();
    result.mismatches += replay.state != pool.state;
    return result;
}

double LoadAverage() {
    double load = -1;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = -1;
        std::fclose(f);
    }
    return load;
}

} // namespace

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
    SetPickAlgorithm(PickAlgorithm::Traced);

    // The worst cases: both operands up to 1000, values up to 10, 100 problems. Addition keeps
    // 45 pairs in a million, multiplication 27.
    const double loadBefore = LoadAverage();
    const WorstCase addition = Measure(0);
    std::printf("worst-case sheet: fast %.0f ms (median of 5 sheets, best %.0f ms; processor "
                "time %.0f ms), reference %.0f ms (processor time %.0f ms), speed-up %.1fx\n",
                addition.median, addition.best, addition.cpuMedian, addition.reference,
                addition.cpuReference, addition.reference / addition.median);
    const WorstCase multiplication = Measure(2);
    std::printf("worst-case multiplication sheet: fast %.0f ms (median of 5 sheets, best %.0f ms; "
                "processor time %.0f ms), reference %.0f ms (processor time %.0f ms), speed-up "
                "%.1fx\n",
                multiplication.median, multiplication.best, multiplication.cpuMedian,
                multiplication.reference, multiplication.cpuReference,
                multiplication.reference / multiplication.median);
    std::printf("sheet equivalence: the reference's two sheets replayed from their %zu and %zu "
                "counter readings, %ld mismatches\n",
                addition.readings, multiplication.readings,
                addition.mismatches + multiplication.mismatches);
    std::printf("load average: %.2f before the sheets, %.2f after\n", loadBefore, LoadAverage());
    std::printf("worst-case sheets: addition %.0f ms, multiplication %.0f ms, speed-up over the "
                "pool %.0f x and %.0f x\n",
                addition.median, multiplication.median, addition.reference / addition.median,
                multiplication.reference / multiplication.median);
    const bool equal = mismatches == 0 && addition.mismatches == 0 && multiplication.mismatches == 0;
    return equal ? 0 : 1;
}
